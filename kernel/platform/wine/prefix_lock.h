// One writer per prefix. A process that is about to change a prefix's
// registry takes an exclusive lock on a file beside the hives and keeps it
// until everything it changed is written; another process that wants to
// write the same prefix meanwhile waits for it, a bounded time.
#pragma once

#include <chrono>
#include <string>

#include "kernel/platform/platform.h"

namespace sl::platform::wine {

// The lock file's name in the prefix folder.
inline constexpr const char* kPrefixLockName = ".stowlark-writer.lock";

class PrefixLock {
public:
    // prefixPath: the prefix folder; wait: how long Acquire() waits for
    // another holder before it gives up.
    PrefixLock(std::string prefixPath, std::chrono::milliseconds wait);
    ~PrefixLock();
    PrefixLock(const PrefixLock&) = delete;
    PrefixLock& operator=(const PrefixLock&) = delete;

    // Takes the lock, or keeps it when already held. 0 once held; 33 (lock
    // violation) when another process held it for the whole wait; 5 when the
    // lock file is a link, a FIFO or anything but a regular file, or cannot
    // be created; 3 when the prefix folder is missing.
    LONG Acquire();
    // Gives the lock up (nothing when not held).
    void Release();
    bool held() const { return fd_ >= 0; }

private:
    std::string file_;
    std::chrono::milliseconds wait_;
    int fd_ = -1;
};

}  // namespace sl::platform::wine
