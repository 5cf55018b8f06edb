// What the file backup and the file restore of one run work with.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "kernel/platform/platform.h"

namespace sl {

// The machine the copies go through, the backup folder and the run's
// counters, and where errors and progress go. The references stay the
// caller's: the run's own fields are updated as files are copied.
struct FileCopyRun {
    platform::Platform& machine;
    const std::string& folder;      // the backup folder, a DOS path ending in a backslash
    std::uint32_t& backupCounter;   // the number the last backup file took
    std::uint32_t& filesCopied;     // files copied by the run so far
    std::string& errorText;         // errors are appended here and logged
    // Called before each file is copied: the record's ID token and the
    // file's DOS path. May be empty.
    std::function<void(const std::string& id, const std::string& path)> notifyItem;
};

}  // namespace sl
