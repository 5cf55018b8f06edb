// A file descriptor that closes itself.
#pragma once

namespace sl::platform::posix {

// Owns one descriptor (-1 for none) and closes it on scope exit unless
// released. Moving hands the descriptor over; the one held before is closed.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd();
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& other) noexcept : fd_(other.release()) {}
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

}  // namespace sl::platform::posix
