// RunInstructions: backs up the selected components into the folder, or
// restores them from it, keeping the folder's bookkeeping file up to date.
#include <chrono>
#include <optional>
#include <thread>

#include "kernel/interface/kernel.h"
#include "kernel/log/log.h"
#include "kernel/platform/platform.h"
#include "kernel/script/instruction_list.h"

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

    std::optional<std::int32_t> result = Mode != SL_MODE_RESTORE ? RunBackup(ids) : RunRestore(ids);
    // A run that could not start writes nothing.
    if (!result) return 0;
    std::int32_t saved = Save(Folder);
    if (saved != 0) {
        // Without its bookkeeping file the folder does not record this run.
        Report(Format("RunInstructions Save '%s' error: %i\n", Folder.c_str(), saved));
        return 0;
    }
    return *result;
}

std::optional<std::int32_t> CSLKernel::RunBackup(const std::string& ids) {
    if (DoesPathContainSLFiles(Folder) == 1) {
        std::int32_t rc = Load(Folder);
        if (rc != 0) {
            Report(Format("RunInstructions Save Load '%s' error: %i\n", Folder.c_str(), rc));
            return std::nullopt;
        }
    }
    // A script that cannot be decoded writes nothing: an empty bookkeeping
    // file would make the folder look like a backup.
    CSLInstructionList list = ParseActions(*this, ids);
    if (!list.Decoded) return std::nullopt;
    return BackupSelected(list);
}

std::optional<std::int32_t> CSLKernel::RunRestore(const std::string& ids) {
    std::int32_t rc = Load(Folder);
    if (rc != 0) {
        Report(Format("RunInstructions Restore Load '%s' error: %i\n", Folder.c_str(), rc));
        return std::nullopt;
    }
    // Every record is checked against the component's script lines.
    CSLInstructionList script = ParseActions(*this, ids);
    if (!script.Decoded) return std::nullopt;
    return RestoreSelected(ids, script);
}

}  // namespace sl
