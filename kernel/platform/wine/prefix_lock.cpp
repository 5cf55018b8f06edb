#include "kernel/platform/wine/prefix_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace sl::platform::wine {

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
    int fd = ::open(file_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0) {
        return static_cast<LONG>(errno == ENOENT || errno == ENOTDIR ? kErrorPathNotFound : kErrorAccessDenied);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return static_cast<LONG>(kErrorAccessDenied);
    }
    const auto deadline = std::chrono::steady_clock::now() + wait_;
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            fd_ = fd;
            return 0;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) break;
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
