// What the run does with the kernel library for one wizard choice, shared by
// the wizard's worker thread and the command-line front end:
//
//   backup     SL_RunInstructions(ids, folder, SL_MODE_BACKUP)
//   restore    create the pre-restore folder, back the selected components up
//              into it (their settings before the restore), then
//              SL_RunInstructions(ids, folder, SL_MODE_RESTORE)
//   unrestore  SL_RunInstructions(ids, pre-restore folder, SL_MODE_RESTORE)
//
// Run() is called on one thread (the worker); RequestStop() may be called
// from any other thread while it runs.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "common/session/kernel_api.h"

namespace sl::session {

// Name of the pre-restore folder below the Windows folder.
inline constexpr const char* kPreRestoreFolderName = "\\Stowlark.Bak";

// The platform's Windows folder followed by "\Stowlark.Bak".
std::string PreRestoreFolder();

// The wizard's mode: what the user chose on the welcome page.
enum class WizardMode : int32_t { Backup = 0, Restore = 1 };
// A restore's kind, chosen on the restore-choice page; NotChosen in a backup.
enum class RestoreMode : int32_t { NotChosen = -1, Restore = 0, Unrestore = 1 };

struct RunRequest {
    WizardMode wizardMode = WizardMode::Backup;
    RestoreMode restoreMode = RestoreMode::NotChosen;
    std::string backupFolder; // the folder the user chose (DOS path)
    std::string selectedIDs;  // ID list of the components to run
};

struct RunOutcome {
    int32_t result = 0;        // the main run's result: 1 success, 0 failure
    std::string badIDs;        // failed IDs of the main run
    // A restore whose pre-restore folder could not be created: the restore
    // ran without an undo copy. undoCopyError is the platform's error number.
    bool undoCopyMissing = false;
    uint32_t undoCopyError = 0;
    // A stop was requested before the main run began; it did not run.
    bool skipped = false;
    int libraryRuns = 0;       // calls of SL_RunInstructions made
};

// Takes the sequence's own log entries; by default they go to the log
// "Stowlark.Log" of the inspect library (beside the kernel library).
using LogSink = std::function<void(const std::string& text)>;

class RunSequence {
public:
    explicit RunSequence(const KernelApi& api, LogSink log = {})
        : api_(api), log_(std::move(log)) {}

    // Runs the library once or twice as the table above says, passing
    // window (may be null) to every call. The main run's failed IDs and
    // result come back in the outcome. When the pre-restore folder cannot
    // be created, the restore still runs; the log gets an entry and the
    // outcome says that no undo copy was made. A stop requested before the
    // main run starts skips it (result 0).
    RunOutcome Run(const RunRequest& request, const SLProgressWindow* window);

    // Asks the run to stop after the item in progress: the library's run in
    // progress stops, and no further library run is started.
    void RequestStop();
    bool StopRequested() const { return stop_.load(); }

private:
    const KernelApi& api_;
    LogSink log_;
    std::atomic<bool> stop_{false};
};

}  // namespace sl::session
