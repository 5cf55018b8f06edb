#include "kernel/platform/posix/unix_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>


namespace sl::platform::posix {

std::string FolderOf(const std::string& unixPath) {
    std::size_t slash = unixPath.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return unixPath.substr(0, slash);
}

std::string BaseName(const std::string& unixPath) {
    std::size_t slash = unixPath.find_last_of('/');
    return slash == std::string::npos ? unixPath : unixPath.substr(slash + 1);
}

std::string JoinUnix(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

bool IsReadOnlyMode(mode_t mode) { return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

DWORD TryLock(int fd, int operation) {
    if (::flock(fd, operation | LOCK_NB) == 0) return kErrorSuccess;
    return ErrnoToWin32(errno);
}

DWORD MissingPathError(const std::string& unixPath) {
    struct stat st;
    std::string folder = FolderOf(unixPath);
    if (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return kErrorFileNotFound;
    return kErrorPathNotFound;
}

DWORD NotAPlainFile(mode_t mode) {
    return S_ISDIR(mode) ? kErrorAccessDenied : kErrorCantAccessFile;
}

int OpenPlainFile(const std::string& unixPath, int flags, mode_t mode, DWORD* error,
                  struct stat* st) {
    // A special file is not even opened where a look says what it is
    // (opening some devices does something); the look on the descriptor
    // below is what counts when the entry changes in between.
    struct stat seen;
    if (::lstat(unixPath.c_str(), &seen) == 0) {
        if ((flags & O_EXCL) != 0) {  // anything there, of any kind, is in the way
            *error = kErrorAlreadyExists;
            return -1;
        }
        if (S_ISLNK(seen.st_mode)) {
            *error = kErrorCantResolveFilename;
            return -1;
        }
        if (!S_ISREG(seen.st_mode)) {
            *error = NotAPlainFile(seen.st_mode);
            return -1;
        }
    }
    Fd fd(::open(unixPath.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode));
    if (fd.get() < 0) {
        *error = errno == ENOENT ? MissingPathError(unixPath) : ErrnoToWin32(errno);
        return -1;
    }
    struct stat opened;
    if (::fstat(fd.get(), &opened) != 0) {
        *error = ErrnoToWin32(errno);
        return -1;
    }
    if (!S_ISREG(opened.st_mode)) {
        *error = NotAPlainFile(opened.st_mode);
        return -1;
    }
    // F_SETFL sets only the status flags (O_APPEND, O_DIRECT, O_NOATIME and
    // the like), which are those asked for, without O_NONBLOCK.
    if (::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        *error = ErrnoToWin32(errno);
        return -1;
    }
    if (st) *st = opened;
    *error = kErrorSuccess;
    return fd.release();
}

}  // namespace sl::platform::posix
