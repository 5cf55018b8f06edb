#include "kernel/platform/offline/disk_folders.h"

#include "kernel/platform/posix/errno_win32.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sl::platform::offline {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// A folder on the way that cannot be entered: a missing entry is a missing
// path here, whatever the errno says.
DWORD OpenErrorNumber(int error) {
    const DWORD number = posix::ErrnoToWin32(error);
    return number == kErrorFileNotFound ? kErrorPathNotFound : number;
}

}  // namespace

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

DWORD DiskFolder::OpenRoot(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno == EACCES ? kErrorAccessDenied : kErrorPathNotFound;
    fd_ = posix::Fd(fd);
    path_ = path;
    return kErrorSuccess;
}

DWORD DiskFolder::OpenChild(const std::string& exactName, DiskFolder* child) const {
    if (exactName.empty() || exactName == "." || exactName == ".." ||
        exactName.find('/') != std::string::npos) {
        return kErrorPathNotFound;
    }
    int fd = ::openat(fd_.get(), exactName.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        int error = errno;
        // A link to a folder fails with ENOTDIR under O_DIRECTORY|O_NOFOLLOW.
        struct stat st {};
        if (::fstatat(fd_.get(), exactName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode)) {
            return kErrorCantResolveFilename;
        }
        return OpenErrorNumber(error);
    }
    DiskFolder opened;
    opened.fd_ = posix::Fd(fd);
    opened.path_ = path_ + (path_.empty() || path_.back() == '/' ? "" : "/") + exactName;
    *child = std::move(opened);
    return kErrorSuccess;
}

DWORD DiskFolder::List(std::vector<Entry>* entries) const {
    entries->clear();
    int copy = ::openat(fd_.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (copy < 0) return kErrorAccessDenied;
    DIR* dir = ::fdopendir(copy);
    if (dir == nullptr) {
        ::close(copy);
        return kErrorAccessDenied;
    }
    DWORD result = kErrorSuccess;
    while (dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (entries->size() >= kMaxFolderEntries) {
            result = 1009;  // more entries than any Windows folder here should hold
            break;
        }
        struct stat st {};
        Kind kind = Kind::Other;
        if (::fstatat(fd_.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            if (S_ISDIR(st.st_mode)) kind = Kind::Folder;
            else if (S_ISREG(st.st_mode)) kind = Kind::File;
        }
        entries->push_back({std::move(name), kind});
    }
    ::closedir(dir);
    if (result != kErrorSuccess) {
        entries->clear();
        return result;
    }
    std::sort(entries->begin(), entries->end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return kErrorSuccess;
}

DWORD DiskFolder::Find(std::string_view name, Kind kind, std::string* exactName) const {
    // An exact name is tried first, without listing the folder.
    std::string exact(name);
    struct stat st {};
    if (!exact.empty() && exact.find('/') == std::string::npos &&
        ::fstatat(fd_.get(), exact.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        bool fits = kind == Kind::Folder ? S_ISDIR(st.st_mode) : kind == Kind::File && S_ISREG(st.st_mode);
        if (fits) {
            *exactName = exact;
            return kErrorSuccess;
        }
    }
    std::vector<Entry> entries;
    DWORD error = List(&entries);
    if (error != kErrorSuccess) return error;
    for (const Entry& entry : entries) {
        if (entry.kind == kind && SameNameIgnoringCase(entry.name, name)) {
            *exactName = entry.name;
            return kErrorSuccess;
        }
    }
    return kErrorFileNotFound;
}

DWORD ResolveOnDisk(const DiskFolder& folder, std::string_view windowsPath, DiskFolder::Kind kind,
                    std::string* unixPath) {
    std::vector<std::string_view> elements;
    while (!windowsPath.empty()) {
        std::size_t cut = windowsPath.find('\\');
        std::string_view element = windowsPath.substr(0, cut);
        windowsPath = cut == std::string_view::npos ? std::string_view() : windowsPath.substr(cut + 1);
        if (element.empty()) continue;
        if (element == "." || element == "..") return kErrorPathNotFound;
        elements.push_back(element);
    }
    if (elements.empty()) return kErrorPathNotFound;
    DiskFolder current;
    const DiskFolder* at = &folder;
    std::string path;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        bool last = i + 1 == elements.size();
        std::string exact;
        DWORD error = at->Find(elements[i], last ? kind : DiskFolder::Kind::Folder, &exact);
        if (error != kErrorSuccess) return last && error == kErrorFileNotFound ? error : kErrorPathNotFound;
        path += (path.empty() ? "" : "/") + exact;
        if (last) break;
        DiskFolder next;
        error = at->OpenChild(exact, &next);
        if (error != kErrorSuccess) return error;
        current = std::move(next);
        at = &current;
    }
    *unixPath = path;
    return kErrorSuccess;
}

}  // namespace sl::platform::offline
