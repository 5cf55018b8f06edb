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

// "HKEY_CURRENT_USER\Software\Winamp": how the status of a run names a key.
std::string KeyName(std::uint32_t root, const std::string& keyPath) {
    const char* name = root == platform::kHkeyClassesRoot    ? "HKEY_CLASSES_ROOT"
                       : root == platform::kHkeyCurrentUser  ? "HKEY_CURRENT_USER"
                       : root == platform::kHkeyLocalMachine ? "HKEY_LOCAL_MACHINE"
                       : root == platform::kHkeyUsers        ? "HKEY_USERS"
                                                             : "HKEY";
    return keyPath.empty() ? std::string(name) : std::string(name) + "\\" + keyPath;
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
        if (DoesPathContainSLFiles(Folder) == 1) {
            std::int32_t rc = Load(Folder);
            if (rc != 0) {
                Report(Format("RunInstructions Save Load '%s' error: %i\n", Folder.c_str(), rc));
                return 0;
            }
        }
        // A script that cannot be decoded writes nothing: an empty
        // bookkeeping file would make the folder look like a backup.
        CSLInstructionList list = ParseActions(*this, ids);
        if (!list.Decoded) return 0;
        result = BackupSelected(list);
    } else {
        std::int32_t rc = Load(Folder);
        if (rc != 0) {
            Report(Format("RunInstructions Restore Load '%s' error: %i\n", Folder.c_str(), rc));
            return 0;
        }
        // Every record is checked against the component's script lines.
        CSLInstructionList script = ParseActions(*this, ids);
        if (!script.Decoded) return 0;
        result = RestoreSelected(ids, script);
    }

    std::int32_t saved = Save(Folder);
    if (saved != 0) {
        // Without its bookkeeping file the folder does not record this run.
        Report(Format("RunInstructions Save '%s' error: %i\n", Folder.c_str(), saved));
        result = 0;
    }
    return result;
}

std::int32_t CSLKernel::BackupSelected(const CSLInstructionList& list) {
    std::int32_t result = 1;
    std::intptr_t steps = 0;
    NotifyProgress(PROGRESS_RANGE, static_cast<std::intptr_t>(list.Items.size()));
    std::string newIDs;
    for (const auto& item : list.Items) {
        const CSLInstruction& instruction = *item;
        if (IdListContains(SavedIDs, instruction.ID)) continue;

        if (instruction.Kind == KIND_REGISTRY) {
            if (!BackupRegistry(instruction)) result = 0;
        } else if (instruction.Kind == KIND_FILES) {
            BackupFiles(instruction);
        } else {
            Report(Format("RunInstructions enum #%i not found \n", instruction.Kind));
            result = 0;
        }
        if (!IdListContains(newIDs, instruction.ID)) newIDs += instruction.ID;
        ++steps;
        NotifyProgress(PROGRESS_STEP, steps);
        if (StopRequested.load() != 0) break;
    }
    SavedIDs += newIDs;
    return result;
}

bool CSLKernel::BackupRegistry(const CSLInstruction& instruction) {
    auto record = std::make_unique<CSLRegItem>();
    record->ID = instruction.ID;
    const RegInstruction empty;
    const RegInstruction& reg = instruction.Reg() ? *instruction.Reg() : empty;
    record->Root = static_cast<std::uint32_t>(reg.Root);
    record->KeyPath = reg.KeyPath;
    NotifyItem(record->ID, KeyName(record->Root, record->KeyPath));
    ++BackupCounter;
    record->FileName = std::to_string(BackupCounter) + ".bin";
    std::int32_t rc = RegSLSave(record->Root, record->KeyPath, Folder + record->FileName,
                                reg.IncludeKeys, reg.ExcludeKeys, reg.IncludeValues,
                                reg.ExcludeValues, reg.KeepPathValues);
    const bool saved = rc == 0;
    if (!saved) {
        BadIDs += instruction.ID;
        Report(Format("RegSLSave #%s '%s' error %i\n", instruction.ID.c_str(),
                      record->KeyPath.c_str(), rc));
        AppendLog(Format("***regCopyFrom.Save Error %d\n", rc), kLogName);
    }
    RegItems.push_back(std::move(record));
    return saved;
}

void CSLKernel::BackupFiles(const CSLInstruction& instruction) {
    auto record = std::make_unique<CSLFileItem>();
    record->ID = instruction.ID;
    const FileInstruction empty;
    const FileInstruction& files = instruction.Files() ? *instruction.Files() : empty;
    record->PathID = files.PathID;
    const std::uint32_t counterBefore = BackupCounter;
    std::int32_t rc = SLFileCopyEx(*record, files.SubPath, files.IncludeDirs, files.ExcludeDirs,
                                   files.FileMask, files.Recurse);
    // Every file found takes a number, and only a copy that succeeded adds
    // a pair: a number without a pair is a file that did not get into the
    // backup (a full disk, a locked file). That leaves SLFileCopyEx's status
    // alone, but the component is incomplete and must be reported.
    const std::uint32_t numbersTaken = BackupCounter - counterBefore;
    const bool copyFailed = numbersTaken != record->BackupFiles.size();
    // A failed copy marks the component but not the run.
    if (rc != 0 || copyFailed) BadIDs += instruction.ID;
    FileItems.push_back(std::move(record));
}

std::int32_t CSLKernel::RestoreSelected(const std::string& ids, const CSLInstructionList& script) {
    std::int32_t result = 1;
    std::intptr_t steps = 0;
    NotifyProgress(PROGRESS_RANGE, static_cast<std::intptr_t>(RegItems.size() + FileItems.size()));
    for (const auto& record : FileItems) {
        if (!IdListContains(ids, record->ID)) continue;
        const std::vector<RestoreFolder> folders = AllowedFileFolders(*this, script, *record);
        if (SLRestoreFiles(*record, &folders) != 0) {
            BadIDs += record->ID;
            result = 0;
        }
        ++steps;
        NotifyProgress(PROGRESS_STEP, steps);
        RestoredIDs += record->ID;
        if (StopRequested.load() != 0) break;
    }
    // The registry phase restores at least its first selected record even
    // when a stop arrived during the file phase.
    for (const auto& record : RegItems) {
        if (!IdListContains(ids, record->ID)) continue;
        NotifyItem(record->ID, KeyName(record->Root, record->KeyPath));
        if (RestoreRegistry(script, *record) != 0) {
            BadIDs += record->ID;
            result = 0;
        }
        ++steps;
        NotifyProgress(PROGRESS_STEP, steps);
        RestoredIDs += record->ID;
        if (StopRequested.load() != 0) break;
    }
    return result;
}

std::int32_t CSLKernel::RestoreRegistry(const CSLInstructionList& script, const CSLRegItem& record) {
    const std::string path = Folder + record.FileName;
    // The bookkeeping file is input: an archive is read only from the backup
    // folder itself, and written only to a key that the component's script
    // line names (never to one the record merely claims).
    const RegInstruction* line = AllowedRegLine(script, record);
    std::int32_t rc = platform::kErrorInvalidName;
    if (!IsPlainFileName(record.FileName)) {
        Report(Format("RegSLRestore refused '%s'\n", path.c_str()));
    } else if (line == nullptr) {
        Report(Format("RegSLRestore refused '%s'\n", record.KeyPath.c_str()));
    } else {
        // Nor to what the line's save leaves out (another component's
        // subkey, values that hold where applications are found).
        const RegSaveLists lists{line->IncludeKeys, line->ExcludeKeys, line->IncludeValues,
                                 line->ExcludeValues, line->KeepPathValues};
        rc = RegSLRestore(path, &ErrorText, static_cast<std::uint32_t>(line->Root), &line->KeyPath,
                          &lists);
    }
    if (rc != 0) Report(Format("RegSLRestore '%s' error %i\n", path.c_str(), rc));
    return rc;
}

}  // namespace sl
