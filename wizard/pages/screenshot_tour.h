// A walk through every page of the wizard that saves a picture of each page,
// message box and "Details" sheet as PNG files into a folder. The program
// takes it instead of the interactive run when STOWLARK_SCREENSHOTS names
// that folder (scripts/screenshots.sh). It runs a real backup and a real
// restore on the prefix the program works on, answering every question the
// way a user would, then a restore that fails (its registry archives taken
// out of the backup folder) in a dark palette.
#pragma once

#include <QString>

#include "wizard/pages/wizard_context.h"

namespace sl::wizard {

class CMyPropertySheet;

// Returns false when a page did not come up as expected.
bool RunScreenshotTour(CMyPropertySheet& sheet, WizardContext& context, const QString& folder);

}  // namespace sl::wizard
