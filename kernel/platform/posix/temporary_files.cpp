#include "kernel/platform/posix/temporary_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <random>

#include "kernel/platform/posix/unix_files.h"

namespace sl::platform::posix {
namespace {

constexpr std::size_t kRandomLength = 6;
constexpr std::size_t kMaxTargetPart = 200;
constexpr int kCreateAttempts = 100;
constexpr std::time_t kHiveLeftoverAge = 60;  // seconds

bool IsAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool EndsWithRandom(std::string_view name, std::string_view before) {
    if (name.size() < before.size() + kRandomLength) return false;
    const std::size_t cut = name.size() - kRandomLength;
    if (name.substr(cut - before.size(), before.size()) != before) return false;
    for (char c : name.substr(cut)) {
        if (!IsAlnum(c)) return false;
    }
    return true;
}

bool IsHiveLeftover(std::string_view name) {
    for (std::string_view hive : {"system.reg.", "user.reg.", "userdef.reg."}) {
        if (name.size() == hive.size() + kRandomLength && name.substr(0, hive.size()) == hive &&
            EndsWithRandom(name, hive)) {
            return true;
        }
    }
    return false;
}

bool IsBackupFileLeftover(std::string_view name) {
    if (name == "Stowlark.dat.tmp") return true;
    constexpr std::string_view kBin = ".bin.tmp";
    if (name.size() <= kBin.size() || name.substr(name.size() - kBin.size()) != kBin) return false;
    for (char c : name.substr(0, name.size() - kBin.size())) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

std::string RandomPart() {
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device device;
    std::string text;
    for (std::size_t i = 0; i < kRandomLength; ++i) text.push_back(kChars[device() % 62]);
    return text;
}

// Removes the entry when nobody holds it locked: a plain file is locked
// first (a writer holds its lock until it is done), anything else goes at once.
void RemoveUnlessInUse(int dirFd, const char* name) {
    Fd fd(::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() >= 0) {
        struct stat st;
        if (::fstat(fd.get(), &st) != 0) return;
        if (S_ISREG(st.st_mode) && ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return;
    } else if (errno != ELOOP && errno != ENXIO) {
        return;  // gone, or not ours to look at
    }
    ::unlinkat(dirFd, name, 0);
}

void RemoveIfOld(int dirFd, const char* name) {
    struct stat st;
    if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return;
    if (std::time(nullptr) - st.st_mtime >= kHiveLeftoverAge) ::unlinkat(dirFd, name, 0);
}

}  // namespace

bool IsTemporaryName(std::string_view name) {
    constexpr std::string_view kPrefix = kTemporaryPrefix;
    if (name.substr(0, kPrefix.size()) == kPrefix) return true;
    if (name.size() > 1 && name[0] == '.' && EndsWithRandom(name, ".sl-")) return true;
    return IsBackupFileLeftover(name) || IsHiveLeftover(name);
}

std::string TemporaryNameFor(std::string_view targetName) {
    std::string name = kTemporaryPrefix;
    name += targetName.substr(0, kMaxTargetPart);
    name += '-';
    name += RandomPart();
    return name;
}

bool StillNamed(int fd, const std::string& path) {
    struct stat opened, named;
    return ::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

int CreateTemporaryBeside(const std::string& target, mode_t mode, std::string* path,
                          DWORD* error) {
    const std::string folder = FolderOf(target);
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        *path = JoinUnix(folder, TemporaryNameFor(BaseName(target)));
        Fd fd(::open(path->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (fd.get() < 0) {
            if (errno == EEXIST) continue;
            *error = errno == ENOENT ? kErrorPathNotFound : ErrnoToWin32(errno);
            return -1;
        }
        if (::flock(fd.get(), LOCK_EX) == 0 && StillNamed(fd.get(), *path)) {
            *error = kErrorSuccess;
            return fd.release();
        }
    }
    *error = kErrorFileExists;
    return -1;
}

void SweepStaleTemporaries(const std::string& unixFolder) {
    DIR* dir = ::opendir(unixFolder.c_str());
    if (dir == nullptr) return;
    const int dirFd = ::dirfd(dir);
    while (struct dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (!IsTemporaryName(name)) continue;
        if (IsHiveLeftover(name)) {
            RemoveIfOld(dirFd, entry->d_name);
        } else {
            RemoveUnlessInUse(dirFd, entry->d_name);
        }
    }
    ::closedir(dir);
}

}  // namespace sl::platform::posix
