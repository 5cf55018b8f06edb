#include "common/session/prefix_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace sl::session {
namespace {

constexpr std::size_t kArchBytes = 4096;

// Opens an existing regular file for reading without following a link and
// without waiting on a FIFO; -1 for anything else.
int OpenRegularFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Reads up to limit bytes; false on a read error.
bool ReadUpTo(int fd, std::size_t limit, std::string* text) {
    text->clear();
    char buffer[4096];
    while (text->size() < limit) {
        const std::size_t want = std::min(sizeof buffer, limit - text->size());
        ssize_t got = ::read(fd, buffer, want);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        text->append(buffer, static_cast<std::size_t>(got));
    }
    return true;
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

bool HasControlCharacter(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 32 || byte == 127;
    });
}

PrefixState CheckPrefixFolder(const std::string& path) {
    if (path.empty()) return PrefixState::Missing;
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) {
        return errno == ENOTDIR ? PrefixState::NotAFolder : PrefixState::Missing;
    }
    if (!S_ISDIR(st.st_mode)) return PrefixState::NotAFolder;
    struct stat reg{};
    if (::lstat(JoinPath(path, "system.reg").c_str(), &reg) != 0 || !S_ISREG(reg.st_mode)) {
        return PrefixState::NoSystemReg;
    }
    return PrefixState::Prefix;
}

std::string PrefixArchitecture(const std::string& prefix) {
    int fd = OpenRegularFile(JoinPath(prefix, "system.reg"));
    if (fd < 0) return "unknown";
    std::string head;
    const bool read = ReadUpTo(fd, kArchBytes, &head);
    ::close(fd);
    if (!read) return "unknown";
    std::size_t start = 0;
    while (start < head.size()) {
        std::size_t end = head.find('\n', start);
        if (end == std::string::npos) break;  // a cut line proves nothing
        std::string line = head.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '[') break;  // the keys begin
        if (line == "#arch=win32") return "win32";
        if (line == "#arch=win64") return "win64";
        start = end + 1;
    }
    return "unknown";
}

bool ReadSmallFile(const std::string& path, std::size_t maxBytes, std::string* text) {
    text->clear();
    int fd = OpenRegularFile(path);
    if (fd < 0) return false;
    std::string bytes;
    // One byte more than allowed tells a larger file from one of the limit.
    const bool read = ReadUpTo(fd, maxBytes + 1, &bytes);
    ::close(fd);
    if (!read || bytes.size() > maxBytes) return false;
    *text = std::move(bytes);
    return true;
}

std::vector<std::string> FolderEntries(const std::string& folder, std::size_t maxEntries) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (names.size() < maxEntries) {
        struct dirent* entry = ::readdir(dir);
        if (entry == nullptr) break;
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::string CanonicalFolder(const std::string& path) {
    char real[PATH_MAX];
    if (::realpath(path.c_str(), real) == nullptr) return {};
    return real;
}

}  // namespace sl::session
