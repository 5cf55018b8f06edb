#include "kernel/platform/wine/wineserver.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace sl::platform::wine {
namespace {

std::string Trim(const std::string& text) {
    std::size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return {};
    std::size_t end = text.find_last_not_of(" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

// Reads a plain file of at most kMaxNameFile bytes (following links, as the
// file may be one); false for anything else or when it cannot be read.
constexpr std::size_t kMaxNameFile = 4096;
bool ReadSmallPlainFile(const std::string& path, std::string* content) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
              static_cast<std::size_t>(st.st_size) <= kMaxNameFile;
    if (ok) {
        char buffer[kMaxNameFile];
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        ok = n >= 0;
        if (ok) content->assign(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return ok;
}

}  // namespace

std::vector<std::string> WineServerFolders(const std::string& prefixPath) {
    std::vector<std::string> folders;
    struct stat st;
    if (::stat(prefixPath.c_str(), &st) != 0) return folders;
    char server[64];
    std::snprintf(server, sizeof server, "server-%llx-%llx",
                  static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    folders.push_back("/tmp/.wine-" + std::to_string(::getuid()) + "/" + server);

    // The file names a folder: a short text. Anything else in its place (a
    // FIFO that would block, a device that never ends) is not read.
    std::string content;
    if (ReadSmallPlainFile(prefixPath + "/wineserver", &content)) {
        std::string name = Trim(content);
        if (!name.empty() && name.find('\0') == std::string::npos) {
            std::string base = name[0] == '/' ? name : "/tmp/" + name;
            folders.push_back(base + "/" + server);
        }
    }
    return folders;
}

bool IsLockFileHeld(const std::string& lockFile) {
    int fd = ::open(lockFile.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {  // a server's lock is a plain file
        ::close(fd);
        return false;
    }
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = 0;
    probe.l_len = 1;
    bool held = ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
    ::close(fd);
    return held;
}

bool IsWineServerRunning(const std::string& prefixPath) {
    for (const std::string& folder : WineServerFolders(prefixPath)) {
        if (IsLockFileHeld(folder + "/lock")) return true;
    }
    return false;
}

}  // namespace sl::platform::wine
