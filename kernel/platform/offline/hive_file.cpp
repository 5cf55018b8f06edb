#include "kernel/platform/offline/hive_file.h"

#include "kernel/platform/posix/errno_win32.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sl::platform::offline {

DWORD HiveFile::Open(int dirFd, const std::string& path, const std::string& displayName,
                     std::string* message) {
    displayName_ = displayName;
    fd_ = posix::Fd();
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below.
    int fd = ::openat(dirFd < 0 ? AT_FDCWD : dirFd, path.c_str(),
                      O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        int error = errno;
        DWORD number = posix::ErrnoToWin32(error);
        if (number == kErrorCantResolveFilename) {
            *message = displayName + ": is a symbolic link, not a hive file";
        } else {
            *message = displayName + ": cannot open: " + std::strerror(error);
        }
        return number;
    }
    struct stat st {};
    posix::Fd opened(fd);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        *message = displayName + ": is not a plain file";
        return kErrorCantAccessFile;
    }
    fd_ = std::move(opened);
    size_ = static_cast<std::uint64_t>(st.st_size);
    // The libraries reopen the file through /proc: that name must lead to
    // this very file (it does wherever /proc is mounted).
    struct stat again {};
    if (::stat(ReopenPath().c_str(), &again) != 0 || again.st_dev != st.st_dev || again.st_ino != st.st_ino) {
        fd_ = posix::Fd();
        *message = displayName + ": cannot be handed to the hive library (is /proc mounted?)";
        return kErrorCantAccessFile;
    }
    return kErrorSuccess;
}

std::string HiveFile::ReopenPath() const { return "/proc/self/fd/" + std::to_string(fd_.get()); }

bool HiveFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) const {
    if (offset > size_ || size > size_ - offset) return false;
    auto* out = static_cast<char*>(buffer);
    while (size > 0) {
        ssize_t n = ::pread(fd_.get(), out, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        out += n;
        offset += static_cast<std::uint64_t>(n);
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace sl::platform::offline
