// WineFiles::CopyFile: a copy that replaces its target whole or not at all.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <memory>

#include "kernel/platform/wine/paths/dos_paths.h"
#include "kernel/platform/wine/paths/folder_names.h"
#include "kernel/platform/posix/atomic_replace.h"
#include "kernel/platform/posix/unix_files.h"
#include "kernel/platform/posix/write_all.h"
#include "kernel/platform/wine/wine_files.h"

namespace sl::platform::wine {

using namespace sl::platform::posix;

namespace {

constexpr std::size_t kCopyBufferSize = 256 << 10;
// Bytes one copy_file_range call asks for; the kernel copies in chunks of its
// own, so this only bounds how long one call runs before a signal is seen.
constexpr std::size_t kKernelCopyChunk = 64 << 20;
// What a new file may allow at most (the umask takes its share when created).
constexpr mode_t kNewFileMode = 0666;
constexpr mode_t kGroupAndOthers = 0066;

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
        DWORD error = ErrnoToWin32(WriteAll(out, buffer.get(), static_cast<std::size_t>(n)));
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

// The data and the modification time of the source, into out.
DWORD WriteCopy(int in, const struct stat& sourceStat, int out) {
    DWORD error = CopyData(in, out, static_cast<std::uint64_t>(sourceStat.st_size));
    if (error != kErrorSuccess) return error;
    struct timespec times[2] = {sourceStat.st_atim, sourceStat.st_mtim};
    ::futimens(out, times);  // a time stamp that cannot be set is no failure
    return kErrorSuccess;
}

// The permission bits a new target is created with: those of any new file,
// less the group and other rights the source does not grant (a private file
// stays private), but never less than read and write for the owner, so that
// a copy from a read-only medium can be replaced later.
mode_t NewFileMode(const struct stat& sourceStat) {
    return kNewFileMode & ~(~sourceStat.st_mode & kGroupAndOthers);
}

// What a copy would replace, looked at without following a link: *old holds
// a plain file locked until it is replaced, so that a file open exclusively
// elsewhere is never swapped away under its opener (32); 5 for a folder or a
// read-only file. A link, FIFO or device in the target's place is neither
// opened nor followed: the copy replaces the entry itself. *absent tells
// that nothing is there; *mode receives a plain file's permission bits.
DWORD HoldOldTarget(const std::string& target, Fd* old, bool* absent, mode_t* mode,
                    bool* replacing) {
    *absent = false;
    *replacing = false;
    struct stat st;
    if (::lstat(target.c_str(), &st) != 0) {
        *absent = errno == ENOENT;
        return kErrorSuccess;  // a folder missing on the way shows when the copy is made
    }
    if (S_ISDIR(st.st_mode)) return kErrorAccessDenied;
    if (!S_ISREG(st.st_mode)) return kErrorSuccess;
    if (IsReadOnlyMode(st.st_mode)) return kErrorAccessDenied;
    *mode = st.st_mode & 0777;
    *replacing = true;
    *old = Fd(::open(target.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (old->get() < 0) return kErrorSuccess;  // unreadable (write-only) or gone: replaced anyway
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
    Fd out(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, NewFileMode(sourceStat)));
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

// The copy through a temporary file beside the target, renamed over it once
// complete. The temporary stays locked until it has its name, so that a
// sweep of the folder by another run leaves it alone.
// mode is that of the file replaced (set on the copy as it is) or of a new
// file (given when the copy is created, so the umask takes its share).
DWORD CopyThroughTemporary(int in, const struct stat& sourceStat, const std::string& target,
                           mode_t mode, bool replacing) {
    AtomicReplace replace(target, mode);
    if (!replace.ok()) {
        // A folder that is missing, is a file, or cannot be reached is 3.
        struct stat folderStat;
        const DWORD error = replace.createError();
        if (error == kErrorFileNotFound || ::stat(FolderOf(target).c_str(), &folderStat) != 0 ||
            !S_ISDIR(folderStat.st_mode)) {
            return kErrorPathNotFound;
        }
        return error;
    }
    DWORD error = WriteCopy(in, sourceStat, replace.fd());
    if (error != kErrorSuccess) return error;
    return ErrnoToWin32(replace.Commit(replacing ? &mode : nullptr, false));
}

}  // namespace

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

    struct stat sourceStat;
    Fd in(OpenPlainFile(source, O_RDONLY, 0, &error, &sourceStat));
    if (in.get() < 0 && (error == kErrorFileNotFound || error == kErrorPathNotFound) &&
        sourceUnchecked) {
        // Not there as spelt: the source may be there in another case.
        if ((error = Map(from, &source)) != kErrorSuccess) return error;
        in = Fd(OpenPlainFile(source, O_RDONLY, 0, &error, &sourceStat));
    }
    if (in.get() < 0) return error;
    const std::string targetFolder = FolderOf(target);
    SweepOnce(targetFolder);
    // A source open exclusively elsewhere (OpenFile) may be half written.
    if ((error = TryLock(in.get(), LOCK_SH)) != kErrorSuccess) return error;

    // A target the mapping saw missing needs no look: the new file takes the
    // name only while it is free, and one that appeared meanwhile is looked
    // at below.
    Fd old;
    bool absent = targetMissing;
    mode_t mode = NewFileMode(sourceStat);
    bool replacing = false;
    if (!absent &&
        (error = HoldOldTarget(target, &old, &absent, &mode, &replacing)) != kErrorSuccess) {
        return error;
    }

    // The copy is not synced: a new file that takes the target's name only
    // once it is complete keeps the target whole or untouched across a kill
    // of the process; only a power loss could leave an empty or partly
    // written target, and syncing every copied file costs more than the copy
    // itself. What must survive a power loss (the bookkeeping file, registry
    // archives, hives) is written through OpenFile and CloseFile(sync) and
    // renamed with MoveFileReplace.
    if (absent) {
        switch (CopyToNewName(in.get(), sourceStat, targetFolder, target, &error)) {
            case Outcome::Done: return kErrorSuccess;
            case Outcome::Failed: return error;
            case Outcome::TryRename:
                // The target may have appeared meanwhile: look at it again.
                mode = NewFileMode(sourceStat);
                error = HoldOldTarget(target, &old, &absent, &mode, &replacing);
                if (error != kErrorSuccess) {
                    return error;
                }
                break;
        }
    }
    return CopyThroughTemporary(in.get(), sourceStat, target, mode, replacing);
}

}  // namespace sl::platform::wine
