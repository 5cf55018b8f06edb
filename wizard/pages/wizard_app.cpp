#include "wizard/pages/wizard_app.h"

#include <cstdio>
#include <cstdlib>

#include "wizard/pages/message_box.h"
#include "wizard/pages/property_sheet.h"
#include "wizard/pages/screenshot_tour.h"
#include "wizard/resources/strings.h"
#include "wizard/session/kernel_binding.h"
#include "wizard/session/prefix_choice.h"

namespace sl::wizard {
namespace {

bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

}  // namespace

bool DisplayAvailable() {
    return Set("DISPLAY") || Set("WAYLAND_DISPLAY") || Set("QT_QPA_PLATFORM");
}

int CWizardApp::InitInstance() {
    // The prefix comes first: the library takes WINEPREFIX when it touches
    // the machine. A WINEPREFIX (or ~/.wine) that is no prefix is said so,
    // and the welcome page then waits for the user to choose one.
    session::PrefixChoice prefix =
        session::ChoosePrefix(session::DefaultDemoSources(), "", RememberedPrefix());
    if (prefix.path.empty() && prefix.notAPrefix) {
        std::fprintf(stderr, "Stowlark: %s\n", prefix.error.c_str());
        MessageBox(nullptr,
                   QString::asprintf(strings::kPrefixUnusableAtStart, prefix.error.c_str()),
                   QMessageBox::Ok, QMessageBox::Warning);
    } else if (prefix.path.empty()) {
        std::fprintf(stderr, "%s\n", prefix.error.c_str());
        MessageBox(nullptr, QString::fromStdString(prefix.error), QMessageBox::Ok,
                   QMessageBox::Critical);
        return 1;
    }
    if (prefix.scratchDemo) {
        std::fprintf(stderr, "Stowlark: %s\n",
                     QString::asprintf(strings::kDemoMachineNote, prefix.path.c_str())
                         .toLocal8Bit()
                         .constData());
    }
    session::KernelBinding kernel;
    if (!kernel.Load()) {
        std::fprintf(stderr, "%s\n", kernel.Error().c_str());
        MessageBox(nullptr, QString::fromStdString(kernel.Error()), QMessageBox::Ok,
                   QMessageBox::Critical);
        return 1;
    }

    WizardContext context;
    context.services = MakeDefaultServices(kernel.Api(), prefix.path, prefix.scratchDemo);
    context.services.prefixProblem = prefix.error;
    int result = 0;
    {
        CMyPropertySheet sheet(context);
        if (prefix.scratchDemo) {
            sheet.setWindowTitle(QString::fromLatin1(strings::kCaption) +
                                 QString::fromLatin1(strings::kDemoMachineTitle));
        }
        const char* tour = std::getenv("STOWLARK_SCREENSHOTS");
        if (tour != nullptr && tour[0] != '\0') {
            result = RunScreenshotTour(sheet, context, QString::fromLocal8Bit(tour)) ? 0 : 1;
        } else {
            sheet.exec();
        }
    }
    context.state.Catalogue.reset();
    return result;
}

}  // namespace sl::wizard
