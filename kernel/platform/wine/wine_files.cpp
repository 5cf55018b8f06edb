#include "kernel/platform/wine/wine_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <memory>
#include <vector>

#include "kernel/platform/wine/paths/dos_paths.h"
#include "kernel/platform/wine/paths/folder_names.h"
#include "kernel/platform/posix/temporary_files.h"
#include "kernel/platform/posix/unix_files.h"
#include "kernel/platform/posix/write_all.h"
#include "kernel/platform/wine/paths/wildcard.h"

namespace sl::platform::wine {

using namespace sl::platform::posix;

namespace {

// UnixAttributes of the entry at path, relative to the folder open as dirFd
// (AT_FDCWD: to the current folder); name is the entry's own name. -1 with
// errno set when the entry cannot be looked at (a dangling link: ENOENT).
int AttributesAt(int dirFd, const char* path, const std::string& name, DWORD* attributes,
                 std::uint64_t* size) {
    struct stat st;
    if (::fstatat(dirFd, path, &st, AT_SYMLINK_NOFOLLOW) != 0) return -1;
    DWORD bits = 0;
    if (S_ISLNK(st.st_mode)) {
        if (::fstatat(dirFd, path, &st, 0) != 0) {
            errno = ENOENT;
            return -1;
        }
        if (S_ISDIR(st.st_mode)) bits |= kFileAttributeReparsePoint;
    }
    if (S_ISDIR(st.st_mode)) bits |= kFileAttributeDirectory;
    if (IsReadOnlyMode(st.st_mode)) bits |= kFileAttributeReadOnly;
    if (!name.empty() && name[0] == '.' && name != "." && name != "..") bits |= kFileAttributeHidden;
    if (bits == 0) bits = kFileAttributeNormal;
    if (attributes) *attributes = bits;
    if (size) *size = S_ISDIR(st.st_mode) ? 0 : static_cast<std::uint64_t>(st.st_size);
    return 0;
}

// The entries of a Unix folder whose names match mask, in search order:
// "." and ".." first, then by name without regard to case. Temporaries of
// replaces are left out. 0, or the error of opening the folder.
DWORD ListMatches(const std::string& unixFolder, const std::string& mask,
                  std::vector<FindData>* entries) {
    DIR* dir = ::opendir(unixFolder.c_str());
    if (dir == nullptr) return errno == ENOENT ? kErrorPathNotFound : ErrnoToWin32(errno);
    // Entries are looked at relative to the folder: no walk of its path each.
    while (struct dirent* entry = ::readdir(dir)) {
        if (IsTemporaryName(entry->d_name)) continue;
        std::string name = Utf8ToAnsi(entry->d_name);
        if (!MatchesWildcard(mask, name)) continue;
        FindData found;
        found.name = std::move(name);
        if (AttributesAt(::dirfd(dir), entry->d_name, found.name, &found.attributes,
                         &found.size) == 0) {
            entries->push_back(std::move(found));
        }
    }
    ::closedir(dir);
    // Sorted by rank, then by the name in upper case (each name put in upper
    // case once, not at every comparison), then by the name itself.
    std::vector<std::string> upper(entries->size());
    std::vector<int> rank(entries->size());
    std::vector<std::size_t> order(entries->size());
    for (std::size_t i = 0; i < entries->size(); ++i) {
        const std::string& name = (*entries)[i].name;
        rank[i] = name == "." ? 0 : name == ".." ? 1 : 2;
        upper[i] = name;
        for (char& c : upper[i]) c = ToUpperAnsi(c);
        order[i] = i;
    }
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        if (rank[a] != rank[b]) return rank[a] < rank[b];
        // Bytes compared unsigned, as CompareNoCase compares them.
        if (int c = upper[a].compare(upper[b]); c != 0) return c < 0;
        return (*entries)[a].name < (*entries)[b].name;
    });
    std::vector<FindData> sorted;
    sorted.reserve(entries->size());
    for (std::size_t i : order) sorted.push_back(std::move((*entries)[i]));
    *entries = std::move(sorted);
    return kErrorSuccess;
}

}  // namespace

DWORD UnixAttributes(const std::string& unixPath, DWORD* attributes, std::uint64_t* size) {
    if (AttributesAt(AT_FDCWD, unixPath.c_str(), BaseName(unixPath), attributes, size) == 0) {
        return kErrorSuccess;
    }
    return errno == ENOENT ? MissingPathError(unixPath) : ErrnoToWin32(errno);
}

struct WineFiles::Search {
    std::vector<FindData> entries;
    std::size_t next = 0;
};

WineFiles::WineFiles(std::string prefixPath) : prefix_(std::move(prefixPath)) {}

WineFiles::~WineFiles() {
    for (auto& [handle, fd] : files_) ::close(fd);
}

DWORD WineFiles::Map(const std::string& dosPath, std::string* unixPath) const {
    return DosToUnixPath(prefix_, dosPath, unixPath);
}

void WineFiles::SweepOnce(const std::string& unixFolder) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!swept_.insert(unixFolder).second) return;
    }
    SweepStaleTemporaries(unixFolder);
}

DWORD WineFiles::FindFirstFile(const std::string& pattern, FindHandle* handle, FindData* data) {
    std::size_t cut = pattern.find_last_of("\\/");
    std::string folder, mask;
    if (cut != std::string::npos) {
        folder = pattern.substr(0, cut + 1);
        mask = pattern.substr(cut + 1);
    } else if (pattern.size() >= 2 && pattern[1] == ':') {
        folder = pattern.substr(0, 2);
        mask = pattern.substr(2);
    } else {
        mask = pattern;
    }
    std::string unixFolder;
    DWORD error = Map(folder, &unixFolder);
    if (error != kErrorSuccess) return error;
    struct stat st;
    if (::stat(unixFolder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return kErrorPathNotFound;
    if (mask.empty()) return kErrorFileNotFound;
    for (char c : mask) {
        if (static_cast<unsigned char>(c) < 0x20 || std::string("<>:\"|").find(c) != std::string::npos) {
            return kErrorInvalidName;
        }
    }

    auto search = std::make_unique<Search>();
    auto add = [&](const std::string& unixPath, const std::string& name) {
        FindData entry;
        entry.name = name;
        if (UnixAttributes(unixPath, &entry.attributes, &entry.size) == kErrorSuccess) {
            search->entries.push_back(std::move(entry));
        }
    };
    if (!HasWildcards(mask)) {
        if (mask == "." || mask == "..") {
            add(JoinUnix(unixFolder, mask), mask);
        } else {
            std::string unixPath;
            // folder is empty or ends in a separator or the drive's colon.
            error = Map(folder + mask, &unixPath);
            if (error != kErrorSuccess) return error;
            const std::string name = BaseName(unixPath);
            if (!IsTemporaryName(name)) add(unixPath, Utf8ToAnsi(name));
        }
    } else {
        error = ListMatches(unixFolder, mask, &search->entries);
        if (error != kErrorSuccess) return error;
    }
    if (search->entries.empty()) return kErrorFileNotFound;

    *data = search->entries[0];
    search->next = 1;
    std::lock_guard<std::mutex> lock(mutex_);
    *handle = nextHandle_++;
    searches_[*handle] = std::move(search);
    return kErrorSuccess;
}

DWORD WineFiles::FindNextFile(FindHandle handle, FindData* data) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = searches_.find(handle);
    if (it == searches_.end()) return kErrorInvalidHandle;
    Search& search = *it->second;
    if (search.next >= search.entries.size()) return kErrorNoMoreFiles;
    *data = search.entries[search.next++];
    return kErrorSuccess;
}

DWORD WineFiles::FindClose(FindHandle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    return searches_.erase(handle) ? kErrorSuccess : kErrorInvalidHandle;
}

DWORD WineFiles::CreateDirectory(const std::string& path) {
    std::string unixPath;
    DWORD error = Map(path, &unixPath);
    if (error != kErrorSuccess) return error;
    if (::mkdir(unixPath.c_str(), 0777) == 0) return kErrorSuccess;
    if (errno == ENOENT) return kErrorPathNotFound;
    return ErrnoToWin32(errno);
}

DWORD WineFiles::GetFileAttributes(const std::string& path, DWORD* attributes) {
    std::string unixPath;
    DWORD error = Map(path, &unixPath);
    if (error != kErrorSuccess) return error;
    return UnixAttributes(unixPath, attributes, nullptr);
}

DWORD WineFiles::OpenFile(const std::string& path, FileAccess access, FileHandle* handle) {
    std::string unixPath;
    DWORD error = Map(path, &unixPath);
    if (error != kErrorSuccess) return error;
    int flags = O_RDONLY;
    if (access == FileAccess::Write) flags = O_WRONLY | O_CREAT;
    if (access == FileAccess::CreateNew) {
        flags = O_WRONLY | O_CREAT | O_EXCL;
        // A new temporary is where a killed run may have left others.
        if (IsTemporaryName(BaseName(unixPath))) SweepOnce(FolderOf(unixPath));
    }
    struct stat st;
    Fd fd(OpenPlainFile(unixPath, flags, 0666, &error, &st));
    if (fd.get() < 0) return error == kErrorAlreadyExists ? kErrorFileExists : error;
    if (access != FileAccess::Read) {
        if (IsReadOnlyMode(st.st_mode)) return kErrorAccessDenied;
        // Truncating a file with a second name would empty what that name shows.
        if (st.st_nlink > 1) return kErrorCantAccessFile;
    }
    if ((error = TryLock(fd.get(), LOCK_EX)) != kErrorSuccess) return error;
    // A new file a sweep removed before the lock was taken is made again.
    if (access == FileAccess::CreateNew && !StillNamed(fd.get(), unixPath)) return kErrorFileNotFound;
    if (access == FileAccess::Write && ::ftruncate(fd.get(), 0) != 0) return ErrnoToWin32(errno);
    std::lock_guard<std::mutex> lock(mutex_);
    *handle = nextHandle_++;
    files_[*handle] = fd.release();
    return kErrorSuccess;
}

DWORD WineFiles::ReadFile(FileHandle handle, void* buffer, std::size_t size, std::size_t* done) {
    int fd;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = files_.find(handle);
        if (it == files_.end()) return kErrorInvalidHandle;
        fd = it->second;
    }
    std::size_t total = 0;
    char* out = static_cast<char*>(buffer);
    while (total < size) {
        ssize_t n = ::read(fd, out + total, size - total);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (done) *done = total;
            return ErrnoToWin32(errno);
        }
        if (n == 0) break;
        total += static_cast<std::size_t>(n);
    }
    if (done) *done = total;
    return kErrorSuccess;
}

DWORD WineFiles::WriteFile(FileHandle handle, const void* buffer, std::size_t size) {
    int fd;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = files_.find(handle);
        if (it == files_.end()) return kErrorInvalidHandle;
        fd = it->second;
    }
    return ErrnoToWin32(WriteAll(fd, static_cast<const char*>(buffer), size));
}

DWORD WineFiles::FileSize(FileHandle handle, std::uint64_t* size) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = files_.find(handle);
    if (it == files_.end()) return kErrorInvalidHandle;
    struct stat st;
    if (::fstat(it->second, &st) != 0) return ErrnoToWin32(errno);
    *size = static_cast<std::uint64_t>(st.st_size);
    return kErrorSuccess;
}

DWORD WineFiles::CloseFile(FileHandle handle, bool sync) {
    int fd;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = files_.find(handle);
        if (it == files_.end()) return kErrorInvalidHandle;
        fd = it->second;
        files_.erase(it);
    }
    DWORD error = kErrorSuccess;
    if (sync && ::fsync(fd) != 0) error = ErrnoToWin32(errno);
    if (::close(fd) != 0 && error == kErrorSuccess) error = ErrnoToWin32(errno);
    return error;
}

DWORD WineFiles::MoveFileReplace(const std::string& from, const std::string& to) {
    std::string source, target;
    DWORD error = Map(from, &source);
    if (error != kErrorSuccess) return error;
    error = Map(to, &target);
    if (error != kErrorSuccess) return error;
    struct stat st;
    if (::lstat(source.c_str(), &st) != 0) {
        return errno == ENOENT ? MissingPathError(source) : ErrnoToWin32(errno);
    }
    // A link or special file at the target is replaced, not looked through.
    if (::lstat(target.c_str(), &st) == 0 &&
        (S_ISDIR(st.st_mode) || (S_ISREG(st.st_mode) && IsReadOnlyMode(st.st_mode)))) {
        return kErrorAccessDenied;
    }
    if (::rename(source.c_str(), target.c_str()) != 0) {
        return errno == ENOENT ? kErrorPathNotFound : ErrnoToWin32(errno);
    }
    return kErrorSuccess;
}

DWORD WineFiles::DeleteFile(const std::string& path) {
    std::string unixPath;
    DWORD error = Map(path, &unixPath);
    if (error != kErrorSuccess) return error;
    struct stat st;
    if (::lstat(unixPath.c_str(), &st) != 0) {
        return errno == ENOENT ? MissingPathError(unixPath) : ErrnoToWin32(errno);
    }
    if (S_ISDIR(st.st_mode) || (!S_ISLNK(st.st_mode) && IsReadOnlyMode(st.st_mode))) {
        return kErrorAccessDenied;
    }
    if (::unlink(unixPath.c_str()) != 0) return ErrnoToWin32(errno);
    return kErrorSuccess;
}

}  // namespace sl::platform::wine
