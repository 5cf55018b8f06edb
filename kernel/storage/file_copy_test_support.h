// Test support for the file backup and restore: what a run holds (backup
// folder, counters, error text) and the calls over it, each copying through
// the platform installed at the time of the call.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kernel/platform/platform.h"
#include "kernel/resolve/path_text.h"
#include "kernel/storage/file_backup.h"
#include "kernel/storage/file_restore.h"

namespace sl::testing {

struct StorageRun {
    std::string Folder;
    std::uint32_t BackupCounter = 0;
    std::uint32_t FilesCopied = 0;
    std::string ErrorText;

    void SetFolder(const std::string& path) { Folder = WithTrailingBackslash(path); }

    std::int32_t BackupFileTree(CSLFileItem& record, const std::string& path,
                                const std::string& includeDirs, const std::string& excludeDirs,
                                const std::string& mask, std::int32_t recurse) {
        FileCopyRun run = Run();
        return sl::BackupFileTree(run, record, path, includeDirs, excludeDirs, mask, recurse);
    }
    std::int32_t RestoreRecordFiles(const CSLFileItem& record,
                                    const std::vector<RestoreFolder>* folders = nullptr) {
        FileCopyRun run = Run();
        return sl::RestoreRecordFiles(run, record, folders);
    }

private:
    FileCopyRun Run() {
        return FileCopyRun{platform::Current(), Folder, BackupCounter, FilesCopied, ErrorText, {}};
    }
};

}  // namespace sl::testing
