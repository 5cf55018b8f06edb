// WineRegistry's hives: read from their files when they changed on disk,
// the writer lock of the prefix, and a changed hive written back whole.
#include "kernel/platform/wine/registry_state.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "kernel/platform/hive/hive_names.h"
#include "kernel/platform/hive/links.h"
#include "kernel/platform/posix/atomic_replace.h"
#include "kernel/platform/posix/unix_files.h"
#include "kernel/platform/posix/write_all.h"

namespace sl::platform::wine {

using namespace sl::platform::hive;
using namespace sl::platform::posix;
using namespace registry;

namespace {

// What a failed hive write reports: a full disk and a refusal as the file
// system gave them, a missing entry as a missing path (the hive's folder is
// gone), anything else as a write fault.
LONG HiveWriteError(int err) {
    switch (err) {
        case ENOSPC:
        case EDQUOT:
        case EACCES:
        case EPERM:
        case EROFS: return static_cast<LONG>(ErrnoToWin32(err));
        case ENOENT:
        case ENOTDIR: return static_cast<LONG>(kErrorPathNotFound);
        default: return kErrorWriteFault;
    }
}

}  // namespace

bool WineRegistry::State::SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// The hive as on disk now; unflushed changes keep the copy in memory.
Hive& WineRegistry::State::Fresh(int index) {
    Slot& slot = slots[index];
    if (slot.hive && slot.hive->changed()) return *slot.hive;
    if (slot.hive && slot.checkedInCall == call) return *slot.hive;
    slot.checkedInCall = call;
    const bool locked = writer && writer->held();
    if (slot.hive && locked && slot.checkedUnderLock) return *slot.hive;
    slot.checkedUnderLock = locked;
    struct stat now {};
    bool exists = ::lstat(slot.file.c_str(), &now) == 0;
    if (slot.hive) {
        if (!exists && !slot.onDisk && slot.hive->status() == Hive::Status::Missing) return *slot.hive;
        if (exists && slot.onDisk && SameFile(now, slot.st)) return *slot.hive;
    }
    Load(slot);
    return *slot.hive;
}

void WineRegistry::State::Load(Slot& slot) {
    ++slot.generation;
    slot.onDisk = false;
    // A link, FIFO or device in a hive's place is not read (it could
    // block or never end): the hive is refused, and so never written.
    DWORD openError = kErrorSuccess;
    int fd = OpenPlainFile(slot.file, O_RDONLY, 0, &openError);
    if (fd < 0) {
        slot.hive = openError == kErrorFileNotFound ? Hive::MissingFile()
                                                    : Hive::FromText(std::string());
        return;
    }
    std::string text;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    if (ok) {
        text.resize(static_cast<std::size_t>(st.st_size));
        std::size_t done = 0;
        while (done < text.size()) {
            ssize_t n = ::read(fd, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        text.resize(done);
        ok = done == static_cast<std::size_t>(st.st_size);
    }
    ::close(fd);
    if (!ok) {
        slot.hive = Hive::FromText(std::string());  // unreadable: refused
        return;
    }
    slot.hive = Hive::FromText(std::move(text));
    slot.st = st;
    slot.onDisk = true;
}

std::u16string WineRegistry::State::UserSid() {
    Path rel = SplitKeyPath(Fresh(kUser).relativeTo());
    if (rel.size() == 3 && NamesEqual(rel[1], u"User")) return rel[2];
    return std::u16string(kDefaultSid);
}

bool WineRegistry::State::AnyChanged() const {
    for (const Slot& slot : slots) {
        if (slot.hive && slot.hive->changed()) return true;
    }
    return false;
}

// Before a write: the first one of an operation checks that no
// wineserver owns the prefix and takes the writer lock; the ones after it
// only change memory (the flush checks for a server again).
LONG WineRegistry::State::BeginWrite() {
    if (writer->held()) return 0;
    if (ServerRunning()) return static_cast<LONG>(kErrorSharingViolation);
    for (Slot& slot : slots) slot.checkedUnderLock = false;
    // What the caller walked before may be read anew now: it walks again.
    ++call;
    return writer->Acquire();
}

// After a flush: once nothing waits to be written, another process may write.
void WineRegistry::State::ReleaseWriterIfClean() {
    if (!AnyChanged()) writer->Release();
}

LONG WineRegistry::State::WritableHive(int index) {
    if (index == kUsersRoot) return static_cast<LONG>(kErrorAccessDenied);
    return Fresh(index).status() == Hive::Status::Loaded ? 0 : static_cast<LONG>(kErrorAccessDenied);
}

// Writes one hive if it changed: a temporary file beside it, synced,
// then renamed over it.
LONG WineRegistry::State::Flush(int index) {
    Slot& slot = slots[index];
    if (!slot.hive || !slot.hive->changed()) return 0;
    struct stat now {};
    bool exists = ::lstat(slot.file.c_str(), &now) == 0;
    if (!exists || !slot.onDisk || !SameFile(now, slot.st)) {
        // Someone else replaced the file since it was read: do not overwrite.
        return static_cast<LONG>(kErrorSharingViolation);
    }
    AtomicReplace replace(slot.file, 0600);
    if (!replace.ok()) return static_cast<LONG>(replace.createError());
    // The text goes out as it is made, a piece at a time.
    int failure = 0;
    slot.hive->WriteTo([&](std::string_view piece) {
        failure = WriteAll(replace.fd(), piece.data(), piece.size());
        return failure == 0;
    });
    const mode_t mode = now.st_mode & 07777;
    struct stat written {};
    if (!failure) failure = replace.Commit(&mode, true, &written);
    if (failure) return HiveWriteError(failure);
    slot.hive->MarkWritten();
    slot.st = written;
    slot.onDisk = true;
    return 0;
}

}  // namespace sl::platform::wine
