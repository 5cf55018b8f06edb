// RunInstructions: backs up the selected components into the folder, or
// restores them from it, keeping the folder's bookkeeping file up to date.
#include <chrono>
#include <thread>

#include "kernel/interface/kernel.h"
#include "kernel/interface/log.h"
#include "kernel/interface/restore_scope.h"
#include "kernel/platform/platform.h"
#include "kernel/resolve/path_text.h"
#include "kernel/script/instruction_list.h"
#include "kernel/storage/reg_save_restore.h"

namespace sl {
namespace {
constexpr std::uint32_t kActionScript = 1003;

// Two runs on one folder (two processes, or two threads) would interleave
// their backup numbers and overwrite each other's bookkeeping file. A run
// therefore holds a lock on the folder itself from start to end (nothing is
// created in the folder for it, and nothing stays behind); a second run
// waits up to about two seconds for it, then gives up.
constexpr int kLockAttempts = 40;
constexpr std::chrono::milliseconds kLockPause{50};

class FolderLock {
public:
    FolderLock() = default;
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    ~FolderLock() {
        if (handle_ != 0) platform::Current().UnlockFolder(handle_);
    }

    // 0 when the lock is held, 32 when another run kept it, or the error of
    // locking the folder (missing, unreadable, no folder locks).
    platform::DWORD Acquire(const std::string& folder) {
        platform::DWORD error = 0;
        for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
            if (attempt > 0) std::this_thread::sleep_for(kLockPause);
            error = platform::Current().LockFolder(folder, &handle_);
            if (error != platform::kErrorSharingViolation) break;
        }
        if (error != 0) handle_ = 0;
        return error;
    }

private:
    platform::FileHandle handle_ = 0;
};

CSLInstructionList ParseActions(CSLKernel& kernel, const std::string& ids) {
    if (kernel.Scripts != nullptr) {
        return CSLInstructionList(*kernel.Scripts, ids, kActionScript, kernel.ErrorText);
    }
    return CSLInstructionList(ids, kActionScript, kernel.ErrorText);
}

// Saves one registry instruction; false when it failed.
bool BackUpRegistry(CSLKernel& k, const CSLInstruction& instruction) {
    auto record = std::make_unique<CSLRegItem>();
    record->ID = instruction.ID;
    const RegInstruction empty;
    const RegInstruction& reg = instruction.Reg() ? *instruction.Reg() : empty;
    record->Root = static_cast<std::uint32_t>(reg.Root);
    record->KeyPath = reg.KeyPath;
    ++k.BackupCounter;
    record->FileName = std::to_string(k.BackupCounter) + ".bin";
    std::int32_t rc = RegSLSave(record->Root, record->KeyPath, k.Folder + record->FileName,
                                reg.IncludeKeys, reg.ExcludeKeys, reg.IncludeValues,
                                reg.ExcludeValues, reg.KeepPathValues);
    if (rc != 0) {
        k.BadIDs += instruction.ID;
        k.Report(Format("RegSLSave #%s '%s' error %i\n", instruction.ID.c_str(),
                        record->KeyPath.c_str(), rc));
        AppendLog(Format("***regCopyFrom.Save Error %d\n", rc), kLogName);
    }
    k.RegItems.push_back(std::move(record));
    return rc == 0;
}

// Copies the files of one file instruction; marks the ID bad on failure.
void BackUpFiles(CSLKernel& k, const CSLInstruction& instruction) {
    auto record = std::make_unique<CSLFileItem>();
    record->ID = instruction.ID;
    const FileInstruction empty;
    const FileInstruction& files = instruction.Files() ? *instruction.Files() : empty;
    record->PathID = files.PathID;
    const std::uint32_t counterBefore = k.BackupCounter;
    std::int32_t rc = k.SLFileCopyEx(*record, files.SubPath, files.IncludeDirs, files.ExcludeDirs,
                                     files.FileMask, files.Recurse);
    // Every file found takes a number, and only a copy that succeeded adds a
    // pair: a number without a pair is a file that did not get into the
    // backup (a full disk, a locked file). That leaves SLFileCopyEx's status
    // alone, but the component is incomplete and must be reported.
    const std::uint32_t numbersTaken = k.BackupCounter - counterBefore;
    const bool copyFailed = numbersTaken != record->BackupFiles.size();
    // A failed copy marks the component but not the run.
    if (rc != 0 || copyFailed) k.BadIDs += instruction.ID;
    k.FileItems.push_back(std::move(record));
}

// The backup loop; returns the run's result. *save is false when nothing
// may be written: the bookkeeping file is unreadable, or the script cannot be
// decoded (an empty bookkeeping file would make the folder look like a backup).
std::int32_t RunBackup(CSLKernel& k, const std::string& ids, bool* save) {
    *save = false;
    if (DoesPathContainSLFiles(k.Folder) == 1) {
        std::int32_t rc = k.Load(k.Folder);
        if (rc != 0) {
            k.Report(Format("RunInstructions Save Load '%s' error: %i\n", k.Folder.c_str(), rc));
            return 0;
        }
    }
    CSLInstructionList list = ParseActions(k, ids);
    if (!list.Decoded) return 0;
    *save = true;
    std::int32_t result = 1;
    std::intptr_t steps = 0;
    k.NotifyProgress(PROGRESS_RANGE, static_cast<std::intptr_t>(list.Items.size()));
    std::string newIDs;
    for (const auto& item : list.Items) {
        const CSLInstruction& instruction = *item;
        if (IdListContains(k.SavedIDs, instruction.ID)) continue;
        if (instruction.Kind == KIND_REGISTRY) {
            if (!BackUpRegistry(k, instruction)) result = 0;
        } else if (instruction.Kind == KIND_FILES) {
            BackUpFiles(k, instruction);
        } else {
            k.Report(Format("RunInstructions enum #%i not found \n", instruction.Kind));
            result = 0;
        }
        if (!IdListContains(newIDs, instruction.ID)) newIDs += instruction.ID;
        ++steps;
        k.NotifyProgress(PROGRESS_STEP, steps);
        if (k.StopRequested.load() != 0) break;
    }
    k.SavedIDs += newIDs;
    return result;
}

// Restores one registry record, if the script has a line for it; 0 or the
// failure.
std::int32_t RestoreRegistry(CSLKernel& k, const CSLInstructionList& script,
                             const CSLRegItem& record) {
    const std::string path = k.Folder + record.FileName;
    // The bookkeeping file is input: an archive is read only from the backup
    // folder itself, and written only to a key that the component's script
    // line names (never to one the record merely claims).
    const RegInstruction* line = AllowedRegLine(script, record);
    std::int32_t rc = platform::kErrorInvalidName;
    if (!IsPlainFileName(record.FileName)) {
        k.Report(Format("RegSLRestore refused '%s'\n", path.c_str()));
    } else if (line == nullptr) {
        k.Report(Format("RegSLRestore refused '%s'\n", record.KeyPath.c_str()));
    } else {
        // Nor to what the line's save leaves out (another component's
        // subkey, values that hold where applications are found).
        const RegSaveLists lists{line->IncludeKeys, line->ExcludeKeys, line->IncludeValues,
                                 line->ExcludeValues, line->KeepPathValues};
        rc = RegSLRestore(path, &k.ErrorText, static_cast<std::uint32_t>(line->Root),
                          &line->KeyPath, &lists);
    }
    if (rc != 0) k.Report(Format("RegSLRestore '%s' error %i\n", path.c_str(), rc));
    return rc;
}

// The two restore loops; returns the run's result.
std::int32_t RunRestore(CSLKernel& k, const std::string& ids, const CSLInstructionList& script) {
    std::int32_t result = 1;
    std::intptr_t steps = 0;
    k.NotifyProgress(PROGRESS_RANGE,
                     static_cast<std::intptr_t>(k.RegItems.size() + k.FileItems.size()));
    for (const auto& record : k.FileItems) {
        if (!IdListContains(ids, record->ID)) continue;
        const std::vector<RestoreFolder> folders = AllowedFileFolders(k, script, *record);
        if (k.SLRestoreFiles(*record, &folders) != 0) {
            k.BadIDs += record->ID;
            result = 0;
        }
        ++steps;
        k.NotifyProgress(PROGRESS_STEP, steps);
        k.RestoredIDs += record->ID;
        if (k.StopRequested.load() != 0) break;
    }
    // The registry phase restores at least its first selected record even
    // when a stop arrived during the file phase.
    for (const auto& record : k.RegItems) {
        if (!IdListContains(ids, record->ID)) continue;
        if (RestoreRegistry(k, script, *record) != 0) {
            k.BadIDs += record->ID;
            result = 0;
        }
        ++steps;
        k.NotifyProgress(PROGRESS_STEP, steps);
        k.RestoredIDs += record->ID;
        if (k.StopRequested.load() != 0) break;
    }
    return result;
}

}  // namespace

std::int32_t CSLKernel::RunInstructions(const std::string& ids) {
    // Only a lock held elsewhere stops the run. A folder that cannot be
    // locked (missing, unreadable) has no other writer to fear, and the run
    // reports its own errors there as before.
    FolderLock lock;
    platform::DWORD lockError = lock.Acquire(Folder);
    if (lockError == platform::kErrorSharingViolation) {
        Report(Format("RunInstructions Lock '%s' error: %i\n", Folder.c_str(),
                      static_cast<int>(lockError)));
        return 0;
    }

    std::int32_t result = 0;
    if (Mode != SL_MODE_RESTORE) {
        bool save = false;
        result = RunBackup(*this, ids, &save);
        if (!save) return 0;
    } else {
        std::int32_t rc = Load(Folder);
        if (rc != 0) {
            Report(Format("RunInstructions Restore Load '%s' error: %i\n", Folder.c_str(), rc));
            return 0;
        }
        // Every record is checked against the component's script lines.
        CSLInstructionList script = ParseActions(*this, ids);
        if (!script.Decoded) return 0;
        result = RunRestore(*this, ids, script);
    }

    std::int32_t saved = Save(Folder);
    if (saved != 0) {
        // Without its bookkeeping file the folder does not record this run.
        Report(Format("RunInstructions Save '%s' error: %i\n", Folder.c_str(), saved));
        result = 0;
    }
    return result;
}

}  // namespace sl
