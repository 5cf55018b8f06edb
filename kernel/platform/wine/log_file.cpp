#include "kernel/platform/wine/log_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "kernel/platform/posix/unix_files.h"
#include "kernel/platform/posix/write_all.h"

namespace sl::platform::wine {

using namespace sl::platform::posix;

namespace {

bool LockWithin(int fd, int milliseconds) {
    for (int waited = 0;; waited += 10) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
        if (errno != EWOULDBLOCK && errno != EINTR) return false;
        if (waited >= milliseconds) return false;
        struct timespec pause = {0, 10 * 1000 * 1000};
        ::nanosleep(&pause, nullptr);
    }
}

}  // namespace

DWORD AppendToFile(const std::string& unixPath, const std::string& bytes) {
    DWORD error = kErrorSuccess;
    int fd = OpenPlainFile(unixPath, O_WRONLY | O_APPEND | O_CREAT, 0644, &error);
    if (fd < 0) return error;
    LockWithin(fd, 2000);
    error = ErrnoToWin32(WriteAll(fd, bytes.data(), bytes.size()));
    if (::close(fd) != 0 && error == kErrorSuccess) error = ErrnoToWin32(errno);
    return error;
}

std::string DefaultFallbackLogFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') return std::string(state) + "/stowlark";
    const char* home = std::getenv("HOME");
    std::string base = home != nullptr && home[0] == '/' ? home : "";
    if (base.empty()) {
        struct passwd* entry = ::getpwuid(::getuid());
        if (entry != nullptr && entry->pw_dir != nullptr) base = entry->pw_dir;
    }
    if (base.empty()) return {};
    return base + "/.local/state/stowlark";
}

DWORD CreateFolders(const std::string& unixPath) {
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = unixPath.find('/', pos + 1);
        std::string head = unixPath.substr(0, pos);
        if (head.empty()) continue;
        if (::mkdir(head.c_str(), 0700) != 0 && errno != EEXIST) return ErrnoToWin32(errno);
    }
    struct stat st;
    if (::stat(unixPath.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return kErrorPathNotFound;
    return kErrorSuccess;
}

}  // namespace sl::platform::wine
