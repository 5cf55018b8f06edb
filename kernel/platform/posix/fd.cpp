#include "kernel/platform/posix/fd.h"

#include <unistd.h>

namespace sl::platform::posix {

Fd::~Fd() {
    if (fd_ >= 0) ::close(fd_);
}

Fd& Fd::operator=(Fd&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.release();
    }
    return *this;
}

}  // namespace sl::platform::posix
