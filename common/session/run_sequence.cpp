#include "common/session/run_sequence.h"

#include "common/session/folder_path.h"
#include "common/session/inspect_binding.h"

namespace sl::session {

std::string PreRestoreFolder() {
    std::string windows;
    if (const InspectApi* inspect = Inspect()) inspect->GetWindowsDirectory(windows);
    return windows + kPreRestoreFolderName;
}

namespace {

constexpr uint32_t kErrorAlreadyExists = 183;

void AppendToLibraryLog(const std::string& text) {
    if (const InspectApi* inspect = Inspect()) inspect->AppendLog(text.c_str());
}

// Creates the pre-restore folder; a file in its place counts as failure
// (183), since nothing could be saved into it.
uint32_t PreparePreRestoreFolder(const std::string& folder) {
    uint32_t rc = CreateFolderPath(folder);
    if (rc != 0) return rc;
    uint32_t attributes = 0;
    rc = FileAttributes(folder, &attributes);
    if (rc != 0) return rc;
    return (attributes & kFileAttributeDirectory) != 0 ? 0 : kErrorAlreadyExists;
}

}  // namespace

void RunSequence::RequestStop() {
    stop_.store(true);
    if (api_.StopRunInstructions) api_.StopRunInstructions();
}

RunOutcome RunSequence::Run(const RunRequest& request, const SLProgressWindow* window) {
    RunOutcome outcome;
    const std::string preRestore = PreRestoreFolder();
    const char* ids = request.selectedIDs.c_str();

    if (request.restoreMode == RestoreMode::Restore) {
        // Save the components' current settings first; the folder keeps, for
        // every component, the settings it had before its first restore.
        uint32_t rc = PreparePreRestoreFolder(preRestore);
        if (rc != 0) {
            outcome.undoCopyMissing = true;
            outcome.undoCopyError = rc;
            const std::string entry = "RunThreadProc: cannot create the pre-restore folder " +
                                      preRestore + " (error " + std::to_string(rc) +
                                      "); the restore runs without an undo copy\n";
            if (log_) {
                log_(entry);
            } else {
                AppendToLibraryLog(entry);
            }
        } else if (!stop_.load()) {
            std::string scratch;
            api_.RunInstructions(ids, preRestore.c_str(), SL_MODE_BACKUP, scratch, window);
            ++outcome.libraryRuns;
        }
    }

    if (stop_.load()) {
        outcome.skipped = true;
        return outcome;
    }
    if (request.restoreMode == RestoreMode::Unrestore) {
        outcome.result =
            api_.RunInstructions(ids, preRestore.c_str(), SL_MODE_RESTORE, outcome.badIDs, window);
    } else {
        outcome.result = api_.RunInstructions(ids, request.backupFolder.c_str(),
                                              request.wizardMode == WizardMode::Backup ? SL_MODE_BACKUP : SL_MODE_RESTORE, outcome.badIDs,
                                              window);
    }
    ++outcome.libraryRuns;
    return outcome;
}

}  // namespace sl::session
