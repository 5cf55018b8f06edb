// The program Stowlark: the wizard that backs up, restores and unrestores
// the preferences of Windows applications in a Wine prefix.
#include <QApplication>
#include <QIcon>
#include <cstdio>

#include "wizard/pages/wizard_app.h"
#include "wizard/resources/strings.h"

int main(int argc, char** argv) {
    if (!sl::wizard::DisplayAvailable()) {
        std::fputs(sl::strings::kNeedsDisplay, stderr);
        return 2;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Stowlark"));
    QApplication::setApplicationVersion(QStringLiteral(SL_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/stowlark/icon.png")));
    // Ties the windows to the installed menu entry (its name and icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("com.quendara.Stowlark"));
    sl::wizard::CWizardApp app;
    return app.InitInstance();
}
