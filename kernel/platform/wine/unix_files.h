// Small helpers for the Wine backend's file code: descriptors that close
// themselves, Unix path pieces, and opening a plain file without following
// a link or waiting on a FIFO.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>

#include "kernel/platform/platform.h"

namespace sl::platform::wine {

// Closes a descriptor on scope exit unless released.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd();
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd& operator=(Fd&& other) noexcept;
    int get() const { return fd_; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

// The folder of a Unix path ("." for a bare name, "/" for a name in /).
std::string FolderOf(const std::string& unixPath);
// The last element of a Unix path.
std::string BaseName(const std::string& unixPath);
// folder + "/" + name (no doubled slash).
std::string JoinUnix(const std::string& folder, const std::string& name);
// No write permission bit at all.
bool IsReadOnlyMode(mode_t mode);

// 0, or 32 when another opener holds a conflicting flock.
DWORD TryLock(int fd, int operation);
// Writes all bytes (retrying after signals): 0 or the error.
DWORD WriteAll(int fd, const char* data, std::size_t size);

// The error for an entry that is there but is no plain file: 5 for a
// folder, 1920 for anything else (a FIFO, a device, a socket).
DWORD NotAPlainFile(mode_t mode);

// Opens a plain file with flags (O_RDONLY, O_WRONLY | O_CREAT, ...) plus
// O_NOFOLLOW, O_NONBLOCK, O_NOCTTY and O_CLOEXEC, so that neither a link at
// the last element (1921) nor a FIFO or device is used and nothing blocks;
// what was opened is checked on its descriptor (NotAPlainFile). The
// descriptor is then switched back to blocking. -1 with *error set on
// failure (the errno's number, 2/3 for a missing file or folder, 183 for
// anything at all of that name when O_EXCL is asked); *st
// (when given) receives the file's stat.
int OpenPlainFile(const std::string& unixPath, int flags, mode_t mode, DWORD* error,
                  struct stat* st = nullptr);

}  // namespace sl::platform::wine
