// The application: chooses the Wine prefix, loads the kernel library, runs
// the wizard sheet modally and ends when it closes.
#pragma once

#include <string>

#include "wizard/pages/wizard_context.h"

namespace sl::wizard {

class CWizardApp {
public:
    // Runs the program; returns its exit code (0 after the wizard closed,
    // 1 when there is no prefix or no kernel library).
    int InitInstance();
};

// True when a display can be reached: DISPLAY or WAYLAND_DISPLAY is set, or
// QT_QPA_PLATFORM names a platform explicitly.
bool DisplayAvailable();

// What the program prints when the display it was given cannot be used (a
// stale DISPLAY, a Wayland socket that is gone), naming that display.
std::string UnusableDisplayMessage();

}  // namespace sl::wizard
