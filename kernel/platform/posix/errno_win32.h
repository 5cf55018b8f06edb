// The Win32 error number for a POSIX errno: the one table every part of the
// platform layer uses.
#pragma once

#include "kernel/platform/platform.h"

namespace sl::platform::posix {

// ENOENT 2, ENOTDIR 3, EACCES/EPERM/EROFS/EISDIR 5, EBADF 6, ENOMEM 8,
// EXDEV 17, EBUSY/ETXTBSY/EWOULDBLOCK 32, EINVAL 87, ENOSPC/EDQUOT 112,
// ENAMETOOLONG 206, EEXIST 183, EMFILE/ENFILE 4, EIO 1117, ELOOP 1921 (a
// link opened without following), ENXIO 1920 (a FIFO without reader, a
// device), 0 for 0, others 31. A caller for whom a missing entry means a
// missing path (3) says so itself.
DWORD ErrnoToWin32(int error);

}  // namespace sl::platform::posix
