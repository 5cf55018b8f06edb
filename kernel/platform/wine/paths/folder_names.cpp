#include "kernel/platform/wine/paths/folder_names.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "kernel/platform/wine/paths/dos_paths.h"
#include "kernel/platform/wine/paths/folder_names_state.h"
#include "kernel/platform/wine/paths/wildcard.h"

namespace sl::platform::wine {
namespace paths {
namespace {

// Within a ChangesScope, whether this thread has read the changes already.
thread_local int scopeDepth = 0;
thread_local bool drainedInScope = false;
// The number of this thread's outermost scope alive (0: none).
thread_local std::uint64_t scopeNumber = 0;
std::atomic<std::uint64_t> scopesBegun{0};

}  // namespace

FolderNames::~FolderNames() {
    if (fd_ >= 0) ::close(fd_);
    if (mountsFd_ >= 0) ::close(mountsFd_);
}

bool FolderNames::Remembers(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    return folders_.count(path) != 0;
}

bool FolderNames::Hold(const std::vector<FolderStamp>& stamps) {
    std::vector<const FolderStamp*> unwatched;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (fd_ < 0) return false;
        DrainUnlessSeen();
        for (const FolderStamp& stamp : stamps) {
            auto it = folders_.find(stamp.folder);
            if (it == folders_.end() || it->second.version != stamp.version ||
                it->second.device != stamp.device || it->second.inode != stamp.inode) {
                return false;
            }
            // A folder above may have been renamed and another put in its
            // place: the watched folder sees nothing of that, its way does.
            PathLook look;
            if (!LookThroughWatchedWay(stamp.folder, &look) || S_ISLNK(look.st.st_mode)) {
                unwatched.push_back(&stamp);
            } else if (!S_ISDIR(look.st.st_mode) || look.st.st_dev != stamp.device ||
                       look.st.st_ino != stamp.inode) {
                return false;
            }
        }
    }
    // Where the way cannot be watched, the path itself is looked at.
    for (const FolderStamp* stamp : unwatched) {
        struct stat st;
        if (::stat(stamp->folder.c_str(), &st) != 0 || st.st_dev != stamp->device ||
            st.st_ino != stamp->inode) {
            return false;
        }
    }
    return true;
}

void FolderNames::BeginScope() {
    if (scopeDepth++ == 0) {
        drainedInScope = false;
        scopeNumber = ++scopesBegun;
    }
}

void FolderNames::EndScope() {
    if (--scopeDepth == 0) {
        drainedInScope = false;
        scopeNumber = 0;
    }
}

bool FolderNames::Open() {
    if (fd_ == kNotOpened) {
        fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (fd_ < 0) fd_ = kUnavailable;
        // The mount table tells (by polling) when anything was mounted or
        // unmounted, which no folder's watch reports.
        if (fd_ >= 0) mountsFd_ = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    }
    return fd_ >= 0;
}

// Drain, unless this thread did so already within its ChangesScope: the
// scope's work then sees the folders as they were at its first look, as
// if it had all been done at that moment.
void FolderNames::DrainUnlessSeen() {
    if (scopeDepth > 0 && drainedInScope) return;
    Drain();
    if (scopeDepth > 0) drainedInScope = true;
}

// Applies every change reported so far. Where mounts are watched, one
// poll tells whether there is anything to read at all.
void FolderNames::Drain() {
    if (mountsFd_ >= 0) {
        struct pollfd ready[2] = {{fd_, POLLIN, 0}, {mountsFd_, POLLPRI, 0}};
        int n;
        do {
            n = ::poll(ready, 2, 0);
        } while (n < 0 && errno == EINTR);
        if (n < 0 || (ready[1].revents & (POLLPRI | POLLERR | POLLNVAL))) DropWatchedPaths();
        if (n >= 0 && (ready[0].revents & (POLLIN | POLLERR | POLLHUP | POLLNVAL)) == 0) return;
    }
    alignas(struct inotify_event) char buffer[64 << 10];
    // A read returns every queued event that fits; one that left room
    // for the largest event emptied the queue.
    constexpr ssize_t kRoomForAnyEvent =
        sizeof buffer - (sizeof(struct inotify_event) + NAME_MAX + 1);
    for (;;) {
        ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // EAGAIN: nothing more. Anything else leaves the listings
            // unconfirmed, so none is trusted.
            if (n == 0 || errno != EAGAIN) DropAll();
            return;
        }
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const struct inotify_event*>(buffer + at);
            Apply(*event);
            at += static_cast<ssize_t>(sizeof(struct inotify_event) + event->len);
        }
        if (n <= kRoomForAnyEvent) return;
    }
}

void FolderNames::Apply(const struct inotify_event& event) {
    if (event.mask & IN_Q_OVERFLOW) {
        DropAll();  // changes were lost
        return;
    }
    const bool self =
        (event.mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT)) != 0;
    // The watch is gone (its folder was deleted, or its file system
    // unmounted) and its number may be given out again.
    if (event.mask & IN_IGNORED) users_.erase(event.wd);
    const std::string name = event.len ? std::string(event.name) : std::string();  // NUL-padded
    if (wayWatches_.count(event.wd)) EndWatchedPathsThrough(event.wd, self ? nullptr : &name);
    auto watched = byWatch_.find(event.wd);
    if (watched == byWatch_.end()) return;
    auto it = folders_.find(watched->second);
    if (it == folders_.end()) return;
    if (self) {
        Drop(it);
        return;
    }
    if (event.len == 0) return;
    NameTable& names = it->second.names;
    totalBytes_ -= names.Bytes();
    if (event.mask & (IN_CREATE | IN_MOVED_TO)) names.Add(name);
    if (event.mask & (IN_DELETE | IN_MOVED_FROM)) names.Remove(name);
    totalBytes_ += names.Bytes();
    it->second.version = ++clock_;
}

// Lists a folder under a watch set up first, so that no change between
// the listing and the next Drain goes unseen.
FolderNames::Iterator FolderNames::Remember(const std::string& path, const struct stat& st) {
    if (folders_.size() >= kMaxFolders) {
        auto oldest = LeastRecentlyUsed(folders_);
        Drop(oldest);
    }
    const int watch = AcquireWatch(path, 0);
    if (watch < 0) return folders_.end();
    // The same folder under another path shares the watch: one path keeps it.
    auto previous = byWatch_.find(watch);
    if (previous != byWatch_.end()) {
        auto other = folders_.find(previous->second);
        if (other != folders_.end()) Drop(other);
    }
    auto it = folders_.emplace(path, Folder()).first;
    byWatch_[watch] = path;
    Folder& folder = it->second;
    folder.device = st.st_dev;
    folder.inode = st.st_ino;
    folder.watch = watch;
    folder.version = ++clock_;
    folder.lastUse = clock_;

    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(path.c_str()), ::closedir);
    struct stat listed;
    if (!dir || ::fstat(::dirfd(dir.get()), &listed) != 0 || listed.st_dev != st.st_dev ||
        listed.st_ino != st.st_ino) {
        Drop(it);  // the path leads elsewhere now
        return folders_.end();
    }
    errno = 0;
    while (struct dirent* entry = ::readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") folder.names.Add(name);
    }
    totalBytes_ += folder.names.Bytes();
    if (errno != 0) {
        Drop(it);
        return folders_.end();
    }
    dir.reset();
    Drain();  // may drop it when the folder went away meanwhile
    return folders_.find(path);
}

// Forgets the least recently used folders while all together take too
// much memory; the one used last stays.
void FolderNames::Trim() {
    while (totalBytes_ > kMaxTotalBytes && folders_.size() > 1) {
        Drop(LeastRecentlyUsed(folders_));
    }
}

void FolderNames::Drop(Iterator it) {
    totalBytes_ -= it->second.names.Bytes();
    ReleaseWatch(it->second.watch);
    byWatch_.erase(it->second.watch);
    folders_.erase(it);
}

void FolderNames::DropAll() {
    while (!folders_.empty()) Drop(folders_.begin());
    DropWatchedPaths();
}

namespace {
// Destroyed with the library (which a program may unload), closing its
// watches.
FolderNames& Shared() {
    static FolderNames names;
    return names;
}

}  // namespace
}  // namespace paths

using paths::Shared;

NameMatch LookUpNoCase(const std::string& folder, const struct stat& folderStat,
                       const std::string& ansiName, std::string* realName, FolderStamp* stamp) {
    return Shared().LookUp(folder, folderStat, ansiName, realName, stamp);
}

bool IsRemembered(const std::string& folder) { return Shared().Remembers(folder); }

bool StampsHold(const std::vector<FolderStamp>& stamps) { return Shared().Hold(stamps); }

bool LookAtWatchedPath(const std::string& path, PathLook* look) {
    return Shared().Look(path, look);
}

std::uint64_t WatchedWaysVersion() { return Shared().WaysVersion(); }

ChangesScope::ChangesScope() { Shared().BeginScope(); }

std::uint64_t ChangesScope::Current() { return paths::scopeNumber; }

ChangesScope::~ChangesScope() { Shared().EndScope(); }

}  // namespace sl::platform::wine
