#include "kernel/platform/wine/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "kernel/platform/wine/paths/dos_paths.h"
#include "kernel/platform/wine/wine_platform.h"

namespace sl::platform::wine {

DWORD LockUnixFolder(const std::string& unixPath, int* fd) {
    *fd = -1;
    int opened = ::open(unixPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    if (opened < 0) {
        if (errno == EACCES || errno == EPERM) return kErrorAccessDenied;
        return kErrorPathNotFound;
    }
    int rc = 0;
    do {
        rc = ::flock(opened, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int error = errno;
        ::close(opened);
        return error == EWOULDBLOCK ? kErrorSharingViolation : kErrorAccessDenied;
    }
    *fd = opened;
    return 0;
}

void UnlockUnixFolder(int fd) {
    if (fd < 0) return;
    ::flock(fd, LOCK_UN);
    ::close(fd);
}

// Handles are the descriptor plus one, so that 0 is never a valid handle.
DWORD WinePlatform::LockFolder(const std::string& path, FileHandle* handle) {
    *handle = 0;
    std::string unixPath;
    DWORD rc = DosToUnixPath(prefix_, path, &unixPath);
    if (rc != 0) return rc;
    int fd = -1;
    rc = LockUnixFolder(unixPath, &fd);
    if (rc == 0) *handle = static_cast<FileHandle>(fd) + 1;
    return rc;
}

DWORD WinePlatform::UnlockFolder(FileHandle handle) {
    if (handle == 0) return kErrorInvalidHandle;
    UnlockUnixFolder(static_cast<int>(handle - 1));
    return 0;
}

}  // namespace sl::platform::wine
