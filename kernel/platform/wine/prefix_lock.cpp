#include "kernel/platform/wine/prefix_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>

#include "kernel/platform/posix/unix_files.h"

namespace sl::platform::wine {

using namespace sl::platform::posix;

namespace {
constexpr LONG kErrorLockViolation = 33;
}  // namespace

PrefixLock::PrefixLock(std::string prefixPath, std::chrono::milliseconds wait)
    : file_(std::move(prefixPath) + "/" + kPrefixLockName), wait_(wait) {}

PrefixLock::~PrefixLock() { Release(); }

LONG PrefixLock::Acquire() {
    if (fd_ >= 0) return 0;
    // Never through a link, never blocking on a FIFO: only a regular file is
    // locked, and its content is never read or written.
    DWORD error = 0;
    int fd = OpenPlainFile(file_, O_RDWR | O_CREAT, 0600, &error, nullptr);
    if (fd < 0) {
        return static_cast<LONG>(error == kErrorFileNotFound || error == kErrorPathNotFound ? kErrorPathNotFound
                                                                                            : kErrorAccessDenied);
    }
    const auto deadline = std::chrono::steady_clock::now() + wait_;
    for (;;) {
        if (TryLock(fd, LOCK_EX | LOCK_NB) == 0) {
            fd_ = fd;
            return 0;
        }
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::close(fd);
    return kErrorLockViolation;
}

void PrefixLock::Release() {
    if (fd_ < 0) return;
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

}  // namespace sl::platform::wine
