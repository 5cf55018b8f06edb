#include "wizard/pages/wizard_context.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QSettings>
#include <QUrl>

#include "wizard/pages/prefix_dialog.h"
#include "wizard/pages/profile_dialog.h"
#include "common/session/windows_programs.h"

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
    services.windowsProgramsRunning = [](const std::string& prefix) {
        return session::WindowsProgramsRunning(prefix);
    };
    services.findPrefixes = [] {
        return session::FindPrefixes(session::ProcessFinderEnvironment());
    };
    FolderDialogFunction folderDialog = services.chooseFolder;
    services.choosePrefix = [folderDialog](QWidget* owner,
                                           const std::vector<session::FoundPrefix>& found,
                                           const std::string& current) {
        return ChoosePrefixFolder(owner, found, current, folderDialog);
    };
    services.rememberPrefix = RememberPrefix;
    services.chooseProfile = ChooseProfile;
    return services;
}

namespace {
constexpr const char* kSettingsPrefixKey = "prefix";
}  // namespace

std::string RememberedPrefix() {
    QSettings settings(QStringLiteral("Quendara"), QStringLiteral("Stowlark"));
    return settings.value(QLatin1String(kSettingsPrefixKey)).toString().toStdString();
}

void RememberPrefix(const std::string& folder) {
    QSettings settings(QStringLiteral("Quendara"), QStringLiteral("Stowlark"));
    settings.setValue(QLatin1String(kSettingsPrefixKey), QString::fromStdString(folder));
    settings.sync();
}

}  // namespace sl::wizard
