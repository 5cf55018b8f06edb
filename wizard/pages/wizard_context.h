// The program-wide state the pages share, and the services they use (the
// kernel library's exports, the Wine prefix, the folder dialog, the
// running-programs probe). One instance lives for the whole program; it is
// read and written on the interface thread, except that the run's worker
// writes LastBadIDs and the undo-copy fields before it reports that it is
// done.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/catalogue/component_catalogue.h"
#include "common/session/kernel_api.h"
#include "common/session/prefix_finder.h"
#include "common/session/run_sequence.h"
#include "common/session/windows_disk.h"

class QWidget;

namespace sl::wizard {

struct WizardState {
    session::WizardMode WizardMode = session::WizardMode::Backup;
    int32_t BackupOption = 0;   // 0 Typical, 1 Custom, 2 All, -1 not chosen
    session::RestoreMode RestoreMode = session::RestoreMode::Restore;
    std::string BackupFolder = "C:\\Stowlark\\Settings";
    std::string SelectedIDs;    // ID list of the components to run
    std::unique_ptr<ComponentCatalogue> Catalogue;
    std::string LastBadIDs;     // failed IDs of the last run
    int32_t UserAborted = 0;    // the user cancelled the last run
    // The last restore ran without its undo copy: the pre-restore folder
    // (UndoFolder) could not be created (UndoCopyError).
    bool UndoCopyMissing = false;
    // The run failed without naming a failed component (for example its
    // backup folder's bookkeeping file could not be written).
    bool RunFailedUnnamed = false;
    uint32_t UndoCopyError = 0;
    std::string UndoFolder;
};

// Shows a folder dialog titled title, starting at the Unix folder start;
// returns the chosen Unix folder or "".
using FolderDialogFunction =
    std::function<QString(QWidget* owner, const QString& title, const QString& start)>;

struct WizardServices {
    session::KernelApi kernel;
    // The Wine prefix the program works on; "" while none is chosen (the
    // one named at start was no prefix, prefixProblem says why).
    std::string prefixPath;
    std::string prefixProblem;
    bool scratchDemo = false;     // it is a scratch copy of the demo machine
    FolderDialogFunction chooseFolder;
    // True while Windows programs run in the prefix.
    std::function<bool(const std::string& prefixPath)> windowsProgramsRunning;
    // The prefixes found on this computer (for the welcome page's chooser).
    std::function<std::vector<session::FoundPrefix>()> findPrefixes;
    // Shows the prefix chooser; returns the chosen folder, "" when cancelled.
    std::function<std::string(QWidget* owner, const std::vector<session::FoundPrefix>& found,
                              const std::string& current)>
        choosePrefix;
    // Remembers the prefix the user chose, for the next start.
    std::function<void(const std::string& folder)> rememberPrefix;
    // The Windows disk backed up from instead of the prefix (its profile
    // chosen, its drives described); null while the machine is the prefix.
    std::shared_ptr<const session::WindowsDisk> windowsDisk;
    // Shows the profiles of a disk (names) with selected marked (-1: none);
    // returns the index chosen, -1 when cancelled.
    std::function<int(QWidget* owner, const QString& disk, const std::vector<std::string>& names,
                      int selected)>
        chooseProfile;
    // The catalogue text; empty means the program's embedded resource.
    CatalogueTextSource catalogueText;
    // The kernel library's log file (Unix path); empty when not known.
    std::string logPath;
    // Opens a file (the log) in the desktop's program for it.
    std::function<bool(const QString& path)> openFile;

    // The folder whose drive links describe the machine's drives, for the
    // DOS form of folders: the disk's drive folder, or the prefix.
    const std::string& DriveFolder() const {
        return windowsDisk ? windowsDisk->drives->folder() : prefixPath;
    }
};

struct WizardContext {
    WizardState state;
    WizardServices services;

    // Deletes the current catalogue and builds a fresh one with 30 menus
    // (rows of applications that are not installed left out).
    void RebuildCatalogue();
};

// Services on the real machine: the default folder dialog, the wineserver
// probe, the prefix finder and chooser, and the remembered prefix in the
// user's settings.
WizardServices MakeDefaultServices(const session::KernelApi& kernel, const std::string& prefixPath,
                                   bool scratchDemo);

// The prefix the user chose last time ("" when none), and remembering a new
// one; kept in the program's user settings (QSettings, "Quendara/Stowlark").
std::string RememberedPrefix();
void RememberPrefix(const std::string& folder);

}  // namespace sl::wizard
