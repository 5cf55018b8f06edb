#include "common/session/run_sequence.h"

#include "kernel/interface/kernel.h"
#include "kernel/interface/log.h"
#include "kernel/platform/platform.h"
#include "common/session/folder_path.h"

namespace sl::session {

std::string PreRestoreFolder() {
    return platform::Current().GetWindowsDirectory() + kPreRestoreFolderName;
}

namespace {

// Creates the pre-restore folder; a file in its place counts as failure
// (183), since nothing could be saved into it.
uint32_t PreparePreRestoreFolder(const std::string& folder) {
    uint32_t rc = CreateFolderPath(folder);
    if (rc != 0) return rc;
    platform::DWORD attributes = 0;
    rc = platform::Current().GetFileAttributes(folder, &attributes);
    if (rc != 0) return rc;
    return (attributes & platform::kFileAttributeDirectory) != 0 ? 0
                                                                 : platform::kErrorAlreadyExists;
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

    if (request.restoreMode == 0) {
        // Save the components' current settings first; the folder keeps, for
        // every component, the settings it had before its first restore.
        uint32_t rc = PreparePreRestoreFolder(preRestore);
        if (rc != 0) {
            outcome.undoCopyMissing = true;
            outcome.undoCopyError = rc;
            AppendLog(Format("RunThreadProc: cannot create the pre-restore folder %s (error %u); "
                             "the restore runs without an undo copy\n",
                             preRestore.c_str(), rc),
                      kLogName);
        } else if (!stop_.load()) {
            std::string scratch;
            api_.RunInstructions(ids, preRestore.c_str(), 1, scratch, window);
            ++outcome.libraryRuns;
        }
    }

    if (stop_.load()) {
        outcome.skipped = true;
        return outcome;
    }
    if (request.restoreMode == 1) {
        outcome.result = api_.RunInstructions(ids, preRestore.c_str(), 0, outcome.badIDs, window);
    } else {
        outcome.result = api_.RunInstructions(ids, request.backupFolder.c_str(),
                                              request.wizardMode == 0 ? 1 : 0, outcome.badIDs,
                                              window);
    }
    ++outcome.libraryRuns;
    return outcome;
}

}  // namespace sl::session
