// The folder browser of the folder page: the folder dialog shows the Unix
// folders of the machine, and the choice is turned into its DOS form
// through the drives of the machine, the Wine prefix's or the Windows
// disk's (the kernel only sees DOS paths).
#pragma once

#include <QString>
#include <string>

#include "wizard/pages/wizard_context.h"

class QWidget;

namespace sl::wizard {

struct BrowseResult {
    std::string dosPath;   // the chosen folder as a DOS path; empty if none
    QString unixPath;      // what the dialog returned; empty when cancelled
};

// The Unix folder of the DOS path, or of its nearest parent that exists (up
// to the drive's root); empty when none maps to a folder.
QString NearestExistingFolder(const std::string& prefixPath, const std::string& dosPath);

// Shows the dialog (services.chooseFolder) titled title, starting at the
// nearest existing folder of the DOS path start. A cancelled dialog
// gives two empty paths; a folder on no drive of the prefix gives an empty
// dosPath with unixPath set.
// NearestExistingFolder's prefixPath is the folder describing the drives
// (WizardServices::DriveFolder).
BrowseResult BrowseForFolder(const WizardServices& services, const QString& title,
                             const std::string& start, QWidget* owner);

}  // namespace sl::wizard
