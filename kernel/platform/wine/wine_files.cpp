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

#include "kernel/platform/wine/dos_paths.h"
#include "kernel/platform/wine/folder_names.h"
#include "kernel/platform/wine/wildcard.h"

namespace sl::platform::wine {
namespace {

constexpr std::size_t kCopyBufferSize = 256 << 10;
// Bytes one copy_file_range call asks for; the kernel copies in chunks of its
// own, so this only bounds how long one call runs before a signal is seen.
constexpr std::size_t kKernelCopyChunk = 64 << 20;

std::string FolderOf(const std::string& unixPath) {
    std::size_t slash = unixPath.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return unixPath.substr(0, slash);
}

std::string BaseName(const std::string& unixPath) {
    std::size_t slash = unixPath.find_last_of('/');
    return slash == std::string::npos ? unixPath : unixPath.substr(slash + 1);
}

std::string JoinUnix(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

bool IsReadOnlyMode(mode_t mode) { return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

// Closes a descriptor on scope exit unless released.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            if (fd_ >= 0) ::close(fd_);
            fd_ = other.release();
        }
        return *this;
    }
    int get() const { return fd_; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

// 0, or 32 when another opener holds a conflicting lock.
DWORD TryLock(int fd, int operation) {
    if (::flock(fd, operation | LOCK_NB) == 0) return kErrorSuccess;
    return ErrnoToWin32(errno);
}

DWORD WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return ErrnoToWin32(errno);
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return kErrorSuccess;
}

// Copies the rest of in to out through a bounded buffer (read and write).
DWORD CopyByReading(int in, int out) {
    std::unique_ptr<char[]> buffer(new char[kCopyBufferSize]);
    for (;;) {
        ssize_t n = ::read(in, buffer.get(), kCopyBufferSize);
        if (n < 0) {
            if (errno == EINTR) continue;
            return ErrnoToWin32(errno);
        }
        if (n == 0) return kErrorSuccess;
        DWORD error = WriteAll(out, buffer.get(), static_cast<std::size_t>(n));
        if (error != kErrorSuccess) return error;
    }
}

// Copies the rest of in to out: size bytes (the size the source had when it
// was opened), or up to its end when size is 0. The kernel copies the data
// itself where it can (copy_file_range: no pass through user memory, and a
// block-sharing copy on file systems that offer one); when it cannot for
// these two files (another file system, a kernel without the call, a pseudo
// file that reports no data), the rest goes through a bounded buffer.
DWORD CopyData(int in, int out, std::uint64_t size) {
    std::uint64_t copied = 0;
    for (;;) {
        // A file copied up to the size it had when opened is done; one that
        // reported no size (a pseudo file) is read until its end.
        if (size > 0 && copied >= size) return kErrorSuccess;
        ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, kKernelCopyChunk, 0);
        if (n > 0) {
            copied += static_cast<std::uint64_t>(n);
            continue;
        }
        if (n == 0) {
            // End of the file; a first call that copies nothing may also be
            // a file whose size the kernel does not know (/proc and the like).
            return copied > 0 ? kErrorSuccess : CopyByReading(in, out);
        }
        switch (errno) {
            case EINTR: continue;
            case EXDEV:
            case EINVAL:
            case ENOSYS:
            case EOPNOTSUPP:
            case EPERM:
            case EBADF:
                return CopyByReading(in, out);
            default:
                return ErrnoToWin32(errno);
        }
    }
}

// An existing entry that may not be replaced or written: 5 for a folder or a
// read-only file, 0 otherwise (also when nothing is there).
DWORD CheckReplaceable(const std::string& unixPath) {
    struct stat st;
    if (::lstat(unixPath.c_str(), &st) != 0) return kErrorSuccess;
    if (S_ISLNK(st.st_mode) && ::stat(unixPath.c_str(), &st) != 0) return kErrorSuccess;
    if (S_ISDIR(st.st_mode) || IsReadOnlyMode(st.st_mode)) return kErrorAccessDenied;
    return kErrorSuccess;
}

// The data, permission bits and modification time of the source, into out.
DWORD WriteCopy(int in, const struct stat& sourceStat, int out) {
    DWORD error = CopyData(in, out, static_cast<std::uint64_t>(sourceStat.st_size));
    if (error != kErrorSuccess) return error;
    if (::fchmod(out, sourceStat.st_mode & 07777) != 0) return ErrnoToWin32(errno);
    struct timespec times[2] = {sourceStat.st_atim, sourceStat.st_mtim};
    ::futimens(out, times);  // a time stamp that cannot be set is no failure
    return kErrorSuccess;
}

// Looks at what a copy would replace: 5 for a folder or a read-only file, 32
// when it is open exclusively elsewhere; otherwise *old holds it locked
// until it is replaced, so that a file open exclusively elsewhere is never
// swapped away under its opener. *absent tells that nothing is there. One
// open answers the common cases (nothing there, or a plain file); what it
// cannot tell (no read permission, a dangling link) is looked at with stat.
DWORD HoldOldTarget(const std::string& target, Fd* old, bool* absent) {
    *old = Fd(::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    *absent = false;
    if (old->get() < 0) {
        if (errno == ENOENT) {
            *absent = true;
            return kErrorSuccess;
        }
        return errno == ENOTDIR ? kErrorSuccess : CheckReplaceable(target);
    }
    struct stat st;
    if (::fstat(old->get(), &st) != 0) return ErrnoToWin32(errno);
    if (S_ISDIR(st.st_mode) || IsReadOnlyMode(st.st_mode)) return kErrorAccessDenied;
    return TryLock(old->get(), LOCK_EX);
}

enum class Outcome { Done, Failed, TryRename };

// Gives an unnamed file its name; fails with EEXIST when the name is taken.
// Naming it by its descriptor alone needs a privilege (CAP_DAC_READ_SEARCH;
// without it the call fails as if the folder were missing) and saves the
// walk through /proc; the first copy that works only through /proc shows the
// process lacks it.
bool LinkUnnamed(int fd, const std::string& target) {
    static std::atomic<bool> byDescriptor{true};
    auto throughProc = [&] {
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0;
    };
    if (!byDescriptor.load(std::memory_order_relaxed)) return throughProc();
    if (::linkat(fd, "", AT_FDCWD, target.c_str(), AT_EMPTY_PATH) == 0) return true;
    if (errno != ENOENT && errno != EPERM) return false;
    if (!throughProc()) return false;
    byDescriptor.store(false, std::memory_order_relaxed);
    return true;
}

// A copy onto a name that is free: the data go into an unnamed file in the
// folder, which takes the name only once complete (so a killed copy leaves
// nothing at all, and the folder changes once). Failed with *error set, or
// TryRename (the source rewound) when the file system has no unnamed files,
// they cannot be named here, or the name was taken meanwhile.
Outcome CopyToNewName(int in, const struct stat& sourceStat, const std::string& folder,
                      const std::string& target, DWORD* error) {
    Fd out(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    if (out.get() < 0) return Outcome::TryRename;  // the other way reports a missing folder
    *error = WriteCopy(in, sourceStat, out.get());
    if (*error != kErrorSuccess) return Outcome::Failed;
    if (!LinkUnnamed(out.get(), target)) {
        const int failure = errno;
        if (failure == ENOSPC || failure == EDQUOT || failure == EIO || failure == EROFS ||
            failure == EACCES) {
            *error = ErrnoToWin32(failure);
            return Outcome::Failed;
        }
        if (::lseek(in, 0, SEEK_SET) != 0) {
            *error = ErrnoToWin32(errno);
            return Outcome::Failed;
        }
        return Outcome::TryRename;
    }
    if (::close(out.release()) != 0) {
        *error = ErrnoToWin32(errno);
        ::unlink(target.c_str());  // possibly incomplete, and made by this call
        return Outcome::Failed;
    }
    return Outcome::Done;
}

}  // namespace

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
        case EEXIST: return kErrorAlreadyExists;
        case EMFILE:
        case ENFILE: return 4;     // too many open files
        case EIO: return 1117;     // I/O device error
        default: return 31;        // general failure
    }
}

DWORD MissingPathError(const std::string& unixPath) {
    struct stat st;
    std::string folder = FolderOf(unixPath);
    if (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return kErrorFileNotFound;
    return kErrorPathNotFound;
}

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
            add(unixPath, Utf8ToAnsi(BaseName(unixPath)));
        }
    } else {
        DIR* dir = ::opendir(unixFolder.c_str());
        if (dir == nullptr) return errno == ENOENT ? kErrorPathNotFound : ErrnoToWin32(errno);
        // Entries are looked at relative to the folder: no walk of its path each.
        while (struct dirent* entry = ::readdir(dir)) {
            std::string name = Utf8ToAnsi(entry->d_name);
            if (!MatchesWildcard(mask, name)) continue;
            FindData found;
            found.name = std::move(name);
            if (AttributesAt(::dirfd(dir), entry->d_name, found.name, &found.attributes,
                             &found.size) == 0) {
                search->entries.push_back(std::move(found));
            }
        }
        ::closedir(dir);
        auto rank = [](const std::string& name) { return name == "." ? 0 : name == ".." ? 1 : 2; };
        std::sort(search->entries.begin(), search->entries.end(),
                  [&](const FindData& a, const FindData& b) {
                      int ra = rank(a.name), rb = rank(b.name);
                      if (ra != rb) return ra < rb;
                      int order = CompareNoCase(a.name, b.name);
                      return order != 0 ? order < 0 : a.name < b.name;
                  });
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

DWORD WineFiles::CopyFile(const std::string& from, const std::string& to) {
    // Both paths are mapped against one reading of the folders' changes.
    const ChangesScope oneLook;
    std::string source, target;
    bool sourceUnchecked = false;
    DWORD error = DosToUnixPath(prefix_, from, &source, nullptr, &sourceUnchecked);
    if (error != kErrorSuccess) return error;
    bool targetMissing = false;
    error = DosToUnixPath(prefix_, to, &target, &targetMissing);
    if (error != kErrorSuccess) return error;

    Fd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0 && errno == ENOENT && sourceUnchecked) {
        // Not there as spelt: the source may be there in another case.
        if ((error = Map(from, &source)) != kErrorSuccess) return error;
        in = Fd(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    }
    if (in.get() < 0) return errno == ENOENT ? MissingPathError(source) : ErrnoToWin32(errno);
    struct stat sourceStat;
    if (::fstat(in.get(), &sourceStat) != 0) return ErrnoToWin32(errno);
    if (S_ISDIR(sourceStat.st_mode)) return kErrorAccessDenied;
    // A source open exclusively elsewhere (OpenFile) may be half written.
    if ((error = TryLock(in.get(), LOCK_SH)) != kErrorSuccess) return error;

    // A target the mapping saw missing needs no look: the new file takes the
    // name only while it is free, and one that appeared meanwhile is looked
    // at below.
    Fd old;
    bool absent = targetMissing;
    if (!absent && (error = HoldOldTarget(target, &old, &absent)) != kErrorSuccess) return error;

    // The copy is not synced: a new file that takes the target's name only
    // once it is complete keeps the target whole or untouched across a kill
    // of the process; only a power loss could leave an empty or partly
    // written target, and syncing every copied file costs more than the copy
    // itself. What must survive a power loss (the bookkeeping file, registry
    // archives, hives) is written through OpenFile and CloseFile(sync) and
    // renamed with MoveFileReplace.
    const std::string folder = FolderOf(target);
    if (absent) {
        switch (CopyToNewName(in.get(), sourceStat, folder, target, &error)) {
            case Outcome::Done: return kErrorSuccess;
            case Outcome::Failed: return error;
            case Outcome::TryRename:
                // The target may have appeared meanwhile: look at it again.
                if ((error = HoldOldTarget(target, &old, &absent)) != kErrorSuccess) return error;
                break;
        }
    }

    // A temporary file beside the target, renamed over it once complete.
    std::string temp = JoinUnix(folder, ".");
    temp += BaseName(target);
    temp += ".sl-XXXXXX";
    Fd out(::mkostemp(temp.data(), O_CLOEXEC));
    if (out.get() < 0) {
        const int failure = errno;
        // A folder that is missing, is a file, or cannot be reached is 3.
        struct stat folderStat;
        if (failure == ENOENT || failure == ENOTDIR || ::stat(folder.c_str(), &folderStat) != 0 ||
            !S_ISDIR(folderStat.st_mode)) {
            return kErrorPathNotFound;
        }
        return ErrnoToWin32(failure);
    }
    error = WriteCopy(in.get(), sourceStat, out.get());
    if (error == kErrorSuccess && ::close(out.release()) != 0) error = ErrnoToWin32(errno);
    if (error == kErrorSuccess && ::rename(temp.c_str(), target.c_str()) != 0) {
        error = ErrnoToWin32(errno);
    }
    if (error != kErrorSuccess) ::unlink(temp.c_str());
    return error;
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
    if (access == FileAccess::Write && (error = CheckReplaceable(unixPath)) != kErrorSuccess) {
        return error;
    }
    int flags = access == FileAccess::Read ? O_RDONLY : (O_WRONLY | O_CREAT);
    Fd fd(::open(unixPath.c_str(), flags | O_CLOEXEC, 0666));
    if (fd.get() < 0) return errno == ENOENT ? MissingPathError(unixPath) : ErrnoToWin32(errno);
    struct stat st;
    if (::fstat(fd.get(), &st) != 0) return ErrnoToWin32(errno);
    if (S_ISDIR(st.st_mode)) return kErrorAccessDenied;
    if ((error = TryLock(fd.get(), LOCK_EX)) != kErrorSuccess) return error;
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
    return WriteAll(fd, static_cast<const char*>(buffer), size);
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
    if ((error = CheckReplaceable(target)) != kErrorSuccess) return error;
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
