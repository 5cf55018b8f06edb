// RunInstructions: backs up the selected components into the folder, or
// restores them from it, keeping the folder's bookkeeping file up to date.
#include <chrono>
#include <thread>

#include "kernel/interface/kernel.h"
#include "kernel/interface/log.h"
#include "kernel/platform/platform.h"
#include "kernel/resolve/path_text.h"
#include "kernel/script/instruction_list.h"
#include "kernel/storage/reg_save_restore.h"

namespace sl {
namespace {
constexpr std::uint32_t kActionScript = 1003;

// Two runs on one folder (two processes, or two threads) would interleave
// their backup numbers and overwrite each other's bookkeeping file. A run
// therefore holds "Stowlark.lck" in the folder open exclusively from start to
// end; a second run waits up to about two seconds for it, then gives up.
constexpr const char* kLockName = "Stowlark.lck";
constexpr int kLockAttempts = 40;
constexpr std::chrono::milliseconds kLockPause{50};

class FolderLock {
public:
    FolderLock() = default;
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    ~FolderLock() {
        // The file stays: deleting it would let a waiting run lock a file
        // that no longer has a name while a third run creates a new one.
        if (handle_ != 0) platform::Current().CloseFile(handle_, false);
    }

    // 0 when the lock is held, 32 when another run kept it, or the error of
    // opening the file (a missing or read-only folder).
    platform::DWORD Acquire(const std::string& folder) {
        const std::string path = folder + kLockName;
        platform::DWORD error = 0;
        for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
            if (attempt > 0) std::this_thread::sleep_for(kLockPause);
            error = Open(path);
            if (error != platform::kErrorSharingViolation) break;
        }
        if (error != 0) handle_ = 0;
        return error;
    }

private:
    // The lock file is only held, never written: an existing one is opened
    // as it is (so a second name of it, as a snapshot of the folder leaves,
    // does no harm), a missing one is created.
    platform::DWORD Open(const std::string& path) {
        platform::Platform& files = platform::Current();
        platform::DWORD error = files.OpenFile(path, platform::FileAccess::Read, &handle_);
        if (error != platform::kErrorFileNotFound) return error;
        error = files.OpenFile(path, platform::FileAccess::CreateNew, &handle_);
        if (error != platform::kErrorFileExists) return error;
        return files.OpenFile(path, platform::FileAccess::Read, &handle_);  // made meanwhile
    }

    platform::FileHandle handle_ = 0;
};

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
    // A lock held elsewhere stops the run, and so does a link, FIFO or
    // device in the lock file's place (never opened through): such a folder
    // was tampered with, and a run there could not keep others out. A folder
    // where the lock file cannot be made (missing, read-only medium) has no
    // other writer to fear, and the run reports its own errors there as before.
    FolderLock lock;
    platform::DWORD lockError = lock.Acquire(Folder);
    if (lockError == platform::kErrorSharingViolation ||
        lockError == platform::kErrorCantAccessFile ||
        lockError == platform::kErrorCantResolveFilename) {
        Report(Format("RunInstructions Lock '%s' error: %i\n", Folder.c_str(),
                      static_cast<int>(lockError)));
        return 0;
    }

    std::int32_t result = 1;
    if (Mode != SL_MODE_RESTORE) {
        if (DoesPathContainSLFiles(Folder) == 1) {
            std::int32_t rc = Load(Folder);
            if (rc != 0) {
                Report(Format("RunInstructions Save Load '%s' error: %i\n", Folder.c_str(), rc));
                return 0;
            }
        }
        result = BackupSelected(ids);
    } else {
        std::int32_t rc = Load(Folder);
        if (rc != 0) {
            Report(Format("RunInstructions Restore Load '%s' error: %i\n", Folder.c_str(), rc));
            return 0;
        }
        result = RestoreSelected(ids);
    }

    std::int32_t saved = Save(Folder);
    if (saved != 0) {
        // Without its bookkeeping file the folder does not record this run.
        Report(Format("RunInstructions Save '%s' error: %i\n", Folder.c_str(), saved));
        result = 0;
    }
    return result;
}

std::int32_t CSLKernel::BackupSelected(const std::string& ids) {
    std::int32_t result = 1;
    std::intptr_t steps = 0;
    CSLInstructionList list(ids, kActionScript, ErrorText);
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

std::int32_t CSLKernel::RestoreSelected(const std::string& ids) {
    std::int32_t result = 1;
    std::intptr_t steps = 0;
    NotifyProgress(PROGRESS_RANGE, static_cast<std::intptr_t>(RegItems.size() + FileItems.size()));
    for (const auto& record : FileItems) {
        if (!IdListContains(ids, record->ID)) continue;
        if (SLRestoreFiles(*record) != 0) {
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
        std::string path = Folder + record->FileName;
        std::int32_t rc = platform::kErrorInvalidName;
        // The bookkeeping file is input: an archive is read only from the
        // backup folder itself.
        if (IsPlainFileName(record->FileName)) {
            rc = RegSLRestore(path, &ErrorText, record->Root, &record->KeyPath);
        } else {
            Report(Format("RegSLRestore refused '%s'\n", path.c_str()));
        }
        if (rc != 0) {
            BadIDs += record->ID;
            Report(Format("RegSLRestore '%s' error %i\n", path.c_str(), rc));
            result = 0;
        }
        ++steps;
        NotifyProgress(PROGRESS_STEP, steps);
        RestoredIDs += record->ID;
        if (StopRequested.load() != 0) break;
    }
    return result;
}

}  // namespace sl
