// Small helpers for file code on a POSIX system: Unix path pieces, locks,
// and opening a plain file without following a link or waiting on a FIFO.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>

#include "kernel/platform/platform.h"
#include "kernel/platform/posix/errno_win32.h"
#include "kernel/platform/posix/fd.h"

namespace sl::platform::posix {

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
// The error for a Unix path that is not there: 2 when its folder exists,
// 3 when the folder is missing too (or is not a folder).
DWORD MissingPathError(const std::string& unixPath);

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

}  // namespace sl::platform::posix
