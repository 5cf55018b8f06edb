#include "kernel/platform/posix/errno_win32.h"

#include <cerrno>

namespace sl::platform::posix {

DWORD ErrnoToWin32(int error) {
    switch (error) {
        case 0: return kErrorSuccess;
        case ENOENT: return kErrorFileNotFound;
        case ENOTDIR: return kErrorPathNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR: return kErrorAccessDenied;
        case EBADF: return kErrorInvalidHandle;
        case ENOMEM: return 8;     // not enough memory
        case EXDEV: return 17;     // not the same device
        case EBUSY:
        case ETXTBSY:
        case EWOULDBLOCK: return kErrorSharingViolation;
        case EINVAL: return kErrorInvalidParameter;
        case ENOSPC:
        case EDQUOT: return kErrorDiskFull;
        case ENAMETOOLONG: return 206;  // file name too long
        case ELOOP: return kErrorCantResolveFilename;  // a link where a file was meant
        case ENXIO: return kErrorCantAccessFile;       // a FIFO without reader, a device
        case EEXIST: return kErrorAlreadyExists;
        case EMFILE:
        case ENFILE: return 4;     // too many open files
        case EIO: return 1117;     // I/O device error
        default: return 31;        // general failure
    }
}

}  // namespace sl::platform::posix
