#include "kernel/platform/wine/server/wineserver.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "kernel/platform/posix/unix_files.h"

namespace sl::platform::wine {

using namespace sl::platform::posix;
namespace {

std::string Trim(const std::string& text) {
    std::size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return {};
    std::size_t end = text.find_last_not_of(" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

// The first bytes of the prefix's "wineserver" file, when it is a regular
// file (never a link, a FIFO or a device); empty otherwise.
std::string ReadServerNameFile(const std::string& path) {
    DWORD error = 0;
    Fd fd(OpenPlainFile(path, O_RDONLY, 0, &error, nullptr));
    if (fd.get() < 0) return {};
    std::string text;
    char buffer[4096];
    ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n > 0) text.assign(buffer, static_cast<std::size_t>(n));
    return text;
}

// Where Flatpak keeps the private /tmp of each application on the host.
std::vector<std::string> FlatpakTmpFolders() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string base = runtime && runtime[0] == '/' ? runtime : "/run/user/" + std::to_string(::getuid());
    base += "/.flatpak";
    std::vector<std::string> folders;
    DIR* dir = ::opendir(base.c_str());
    if (!dir) return folders;
    constexpr std::size_t kMostApplications = 1024;
    while (dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (folders.size() == kMostApplications) break;
        folders.push_back(base + "/" + name + "/tmp");
    }
    ::closedir(dir);
    return folders;
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
    // The server's folder below a /tmp: Wine's own name, and Debian's.
    std::vector<std::string> names{".wine-" + std::to_string(::getuid())};
    std::string named = Trim(ReadServerNameFile(prefixPath + "/wineserver"));
    if (!named.empty() && named.find('\0') == std::string::npos) {
        if (named[0] == '/') {
            folders.push_back(named + "/" + server);
        } else {
            names.push_back(named);
        }
    }
    // A sandboxed Wine (Flatpak) runs its server in the application's own /tmp.
    std::vector<std::string> tmps{"/tmp"};
    for (std::string& tmp : FlatpakTmpFolders()) tmps.push_back(std::move(tmp));
    for (const std::string& tmp : tmps) {
        for (const std::string& name : names) folders.push_back(tmp + "/" + name + "/" + server);
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
