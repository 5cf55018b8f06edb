#include "kernel/platform/posix/write_all.h"

#include <unistd.h>

#include <cerrno>

namespace sl::platform::posix {

int WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return ENOSPC;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

}  // namespace sl::platform::posix
