// The program Stowlark: the wizard that backs up, restores and unrestores
// the preferences of Windows applications in a Wine prefix.
#include <unistd.h>

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstdlib>

#include "wizard/pages/pictures.h"
#include "wizard/pages/visible_indicators.h"
#include "wizard/pages/wizard_app.h"
#include "wizard/resources/strings.h"

namespace {

// While the application object is made, a display that cannot be used ends
// Qt with a fatal message (and an abort); the program says what is wrong
// and ends with status 2 instead.
void StartupMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    std::fputs(qPrintable(qFormatLogMessage(type, context, message) + QLatin1Char('\n')), stderr);
    if (type != QtFatalMsg) return;
    std::fputs(sl::wizard::UnusableDisplayMessage().c_str(), stderr);
    std::fflush(stderr);
    ::_exit(2);
}

}  // namespace

int main(int argc, char** argv) {
    if (!sl::wizard::DisplayAvailable()) {
        std::fputs(sl::strings::kNeedsDisplay, stderr);
        return 2;
    }
    QtMessageHandler previous = qInstallMessageHandler(StartupMessages);
    QApplication application(argc, argv);
    qInstallMessageHandler(previous);
    QApplication::setApplicationName(QStringLiteral("Stowlark"));
    QApplication::setApplicationVersion(QStringLiteral(SL_VERSION));
    QApplication::setWindowIcon(sl::wizard::ProgramIcon());
    sl::wizard::UseVisibleIndicators();
    // Ties the windows to the installed menu entry (its name and icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("com.quendara.Stowlark"));
    sl::wizard::CWizardApp app;
    return app.InitInstance();
}
