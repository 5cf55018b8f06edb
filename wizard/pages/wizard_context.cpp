#include "wizard/pages/wizard_context.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>

#include "wizard/session/windows_programs.h"

namespace sl::wizard {

void WizardContext::RebuildCatalogue() {
    state.Catalogue.reset();
    InstalledIDsQuery query;
    if (services.kernel.GetInstalledIDsN) {
        auto getInstalled = services.kernel.GetInstalledIDsN;
        query = [getInstalled](const char* filter) { return getInstalled(filter); };
    }
    state.Catalogue =
        std::make_unique<ComponentCatalogue>(kCatalogueMenus, query, services.catalogueText);
}

WizardServices MakeDefaultServices(const session::KernelApi& kernel, const std::string& prefixPath,
                                   bool scratchDemo) {
    WizardServices services;
    services.kernel = kernel;
    services.prefixPath = prefixPath;
    services.scratchDemo = scratchDemo;
    services.chooseFolder = [](QWidget* owner, const QString& title, const QString& start) {
        return QFileDialog::getExistingDirectory(owner, title, start, QFileDialog::ShowDirsOnly);
    };
    services.openFile = [](const QString& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };
    services.windowsProgramsRunning = [prefixPath] {
        return session::WindowsProgramsRunning(prefixPath);
    };
    return services;
}

}  // namespace sl::wizard
