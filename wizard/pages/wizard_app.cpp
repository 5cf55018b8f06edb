#include "wizard/pages/wizard_app.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "wizard/pages/message_box.h"
#include "wizard/pages/property_sheet.h"
#include "wizard/pages/screenshot_tour.h"
#include "wizard/resources/strings.h"
#include "common/session/inspect_binding.h"
#include "common/session/kernel_binding.h"
#include "common/session/prefix_choice.h"

namespace sl::wizard {
namespace {

bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

// Removes the scratch copy of the demo machine when the program ends, on
// every way out of InitInstance.
class ScratchPrefixRemover {
public:
    explicit ScratchPrefixRemover(const session::PrefixChoice& choice)
        : path_(choice.scratchDemo ? choice.path : std::string()) {}
    ~ScratchPrefixRemover() {
        namespace fs = std::filesystem;
        // Only a folder this program made (MakeScratchPrefix names it so);
        // remove_all removes links without following them.
        if (path_.empty() || fs::path(path_).filename().string().rfind("stowlark-demo-", 0) != 0) {
            return;
        }
        std::error_code ec;
        fs::remove_all(path_, ec);
    }

private:
    std::string path_;
};

// SIGINT, SIGTERM and SIGHUP end the program the way closing it does, so
// that a run stops after its item and the scratch machine goes away.
int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}

std::unique_ptr<QSocketNotifier> QuitOnSignals() {
    if (g_signalPipe[0] < 0 && ::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return {};
    auto notifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, [] {
        char bytes[16];
        while (::read(g_signalPipe[0], bytes, sizeof(bytes)) > 0) {
        }
        QCoreApplication::exit(1);
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
    return notifier;
}

}  // namespace

bool DisplayAvailable() {
    return Set("DISPLAY") || Set("WAYLAND_DISPLAY") || Set("QT_QPA_PLATFORM");
}

std::string UnusableDisplayMessage() {
    const char* which = Set("DISPLAY")           ? "DISPLAY"
                        : Set("WAYLAND_DISPLAY") ? "WAYLAND_DISPLAY"
                                                 : "QT_QPA_PLATFORM";
    const char* value = std::getenv(which);
    return QString::asprintf(strings::kDisplayUnusable, which, value != nullptr ? value : "")
        .toStdString();
}

int CWizardApp::InitInstance() {
    // The prefix comes first: the library takes WINEPREFIX when it touches
    // the machine. A WINEPREFIX (or ~/.wine) that is no prefix is said so,
    // and the welcome page then waits for the user to choose one.
    session::PrefixChoice prefix =
        session::ChoosePrefix(session::DefaultDemoSources(), "", RememberedPrefix());
    ScratchPrefixRemover remover(prefix);
    std::unique_ptr<QSocketNotifier> quitOnSignals = QuitOnSignals();
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
    // The wizard cannot work without either library: the kernel runs, the
    // inspect library looks at folders and the log around the runs.
    session::KernelBinding kernel;
    const bool loaded = kernel.Load() && session::Inspect() != nullptr;
    if (!loaded) {
        const std::string error = kernel.Loaded() ? session::InspectError() : kernel.Error();
        std::fprintf(stderr, "%s\n", error.c_str());
        MessageBox(nullptr, QString::fromStdString(error), QMessageBox::Ok,
                   QMessageBox::Critical);
        return 1;
    }

    WizardContext context;
    context.services = MakeDefaultServices(kernel.Api(), prefix.path, prefix.scratchDemo);
    context.services.prefixProblem = prefix.error;
    context.services.logPath = session::KernelLogPath(kernel.LibraryPath());
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
