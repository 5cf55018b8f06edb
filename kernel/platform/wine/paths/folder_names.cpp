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
#include "kernel/platform/wine/paths/name_table.h"
#include "kernel/platform/wine/paths/wildcard.h"

namespace sl::platform::wine {
namespace {

// Folders kept at once, and the memory their names take in all (the least
// recently used folders go first; the one used last stays). One folder's
// names never take more than kMaxFolderBytes (name_table.h): a folder of any
// size is kept.
constexpr std::size_t kMaxFolders = 64;
constexpr std::size_t kMaxTotalBytes = 48 << 20;
constexpr std::size_t kMaxFolderBytes = 48 << 20;

constexpr std::uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                     IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

// Paths whose way from / is watched at once (the least recently used go
// first); a way has one watched folder per element.
constexpr std::size_t kMaxWatchedPaths = 64;

// Within a ChangesScope, whether this thread has read the changes already.
thread_local int scopeDepth = 0;
thread_local bool drainedInScope = false;
// The number of this thread's outermost scope alive (0: none).
thread_local std::uint64_t scopeNumber = 0;
std::atomic<std::uint64_t> scopesBegun{0};

struct Folder {
    dev_t device = 0;
    ino_t inode = 0;
    int watch = -1;
    std::uint64_t version = 0;
    std::uint64_t lastUse = 0;
    NameTable names{kMaxFolderBytes};
};

// The entry of a map of folders or ways that was used longest ago.
template <typename Map>
typename Map::iterator LeastRecentlyUsed(Map& map) {
    return std::min_element(map.begin(), map.end(), [](const auto& a, const auto& b) {
        return a.second.lastUse < b.second.lastUse;
    });
}

// A path whose every folder on the way from / is watched: steps[i] is a
// watched folder and the name of the next element in it. Any change to one of
// those names, a folder on the way moved or deleted, or a mount anywhere ends
// it.
struct WatchedPath {
    std::vector<std::pair<int, std::string>> steps;
    PathLook look;
    std::uint64_t lastUse = 0;
};

class FolderNames {
public:
    FolderNames() = default;
    FolderNames(const FolderNames&) = delete;
    FolderNames& operator=(const FolderNames&) = delete;
    ~FolderNames() {
        if (fd_ >= 0) ::close(fd_);
        if (mountsFd_ >= 0) ::close(mountsFd_);
    }

    NameMatch LookUp(const std::string& path, const struct stat& st, const std::string& ansiName,
                     std::string* realName, FolderStamp* stamp) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!Open()) return NameMatch::Unknown;
        DrainUnlessSeen();
        auto it = folders_.find(path);
        if (it != folders_.end() &&
            (it->second.device != st.st_dev || it->second.inode != st.st_ino)) {
            Drop(it);
            it = folders_.end();
        }
        if (it == folders_.end()) it = Remember(path, st);
        if (it == folders_.end()) return NameMatch::Unknown;

        Folder& folder = it->second;
        folder.lastUse = ++clock_;
        Trim();
        NameMatch match = NameMatch::None;
        switch (folder.names.Find(ansiName, realName)) {
            case NameTable::Match::Found: match = NameMatch::Found; break;
            case NameTable::Match::None: break;
            case NameTable::Match::Unknown: return NameMatch::Unknown;
        }
        if (stamp) *stamp = FolderStamp{path, folder.device, folder.inode, folder.version};
        return match;
    }

    bool Remembers(const std::string& path) {
        std::lock_guard<std::mutex> lock(mutex_);
        return folders_.count(path) != 0;
    }

    bool Hold(const std::vector<FolderStamp>& stamps) {
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

    bool Look(const std::string& path, PathLook* look) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!Open()) return false;
        DrainUnlessSeen();
        return LookThroughWatchedWay(path, look);
    }

    void BeginScope() {
        if (scopeDepth++ == 0) {
            drainedInScope = false;
            scopeNumber = ++scopesBegun;
        }
    }
    void EndScope() {
        if (--scopeDepth == 0) {
            drainedInScope = false;
            scopeNumber = 0;
        }
    }

private:
    using Iterator = std::unordered_map<std::string, Folder>::iterator;

    bool Open() {
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
    void DrainUnlessSeen() {
        if (scopeDepth > 0 && drainedInScope) return;
        Drain();
        if (scopeDepth > 0) drainedInScope = true;
    }

    // Applies every change reported so far. Where mounts are watched, one
    // poll tells whether there is anything to read at all.
    void Drain() {
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

    void Apply(const struct inotify_event& event) {
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
    Iterator Remember(const std::string& path, const struct stat& st) {
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
    void Trim() {
        while (totalBytes_ > kMaxTotalBytes && folders_.size() > 1) {
            Drop(LeastRecentlyUsed(folders_));
        }
    }

    void Drop(Iterator it) {
        totalBytes_ -= it->second.names.Bytes();
        ReleaseWatch(it->second.watch);
        byWatch_.erase(it->second.watch);
        folders_.erase(it);
    }

    void DropAll() {
        while (!folders_.empty()) Drop(folders_.begin());
        DropWatchedPaths();
    }

    // A watch on the folder at path, shared by every listing and watched way
    // that uses the same folder; -1 when none can be had.
    int AcquireWatch(const std::string& path, std::uint32_t flags) {
        const int watch = ::inotify_add_watch(fd_, path.c_str(), kWatchMask | flags);
        if (watch >= 0) ++users_[watch];
        return watch;
    }

    void ReleaseWatch(int watch) {
        auto it = users_.find(watch);
        if (it == users_.end()) return;  // already removed by the kernel
        if (--it->second == 0) {
            ::inotify_rm_watch(fd_, watch);
            users_.erase(it);
        }
    }

    // What path leads to, looked at when its way from / began to be watched,
    // while none of the folders on the way changed; false when the way
    // cannot be watched (a link on it, a folder that cannot be watched, no
    // mount table to poll), and the caller must look at the path itself.
    bool LookThroughWatchedWay(const std::string& path, PathLook* look) {
        if (mountsFd_ < 0) return false;
        auto it = watchedPaths_.find(path);
        if (it == watchedPaths_.end()) it = WatchWay(path);
        if (it == watchedPaths_.end()) return false;
        it->second.lastUse = ++clock_;
        *look = it->second.look;
        return true;
    }

    // Watches every folder from / down to path's own folder, each before
    // the next element is looked up in it, so that no change after that
    // look goes unseen; then looks at path itself.
    std::unordered_map<std::string, WatchedPath>::iterator WatchWay(const std::string& path) {
        if (path.empty() || path[0] != '/') return watchedPaths_.end();
        std::vector<std::string> elements;
        for (std::size_t at = 1; at <= path.size();) {
            std::size_t slash = path.find('/', at);
            if (slash == std::string::npos) slash = path.size();
            std::string element = path.substr(at, slash - at);
            if (element == "." || element == "..") return watchedPaths_.end();
            if (!element.empty()) elements.push_back(std::move(element));
            at = slash + 1;
        }
        if (watchedPaths_.size() >= kMaxWatchedPaths) {
            auto oldest = LeastRecentlyUsed(watchedPaths_);
            EndWatchedPath(oldest);
        }
        WatchedPath way;
        std::string folder = "/";
        for (const std::string& element : elements) {
            // A link on the way would lead through folders not watched.
            const int watch = AcquireWatch(folder, IN_DONT_FOLLOW);
            if (watch < 0) {
                for (const auto& step : way.steps) ReleaseWatch(step.first);
                return watchedPaths_.end();
            }
            way.steps.emplace_back(watch, element);
            if (folder.back() != '/') folder.push_back('/');
            folder += element;
        }
        // Nothing at path is an answer too: an entry put there later shows
        // in the watched folder holding it.
        PathLook look;
        bool answered = false;
        if (::lstat(path.c_str(), &look.st) == 0) {
            look.exists = answered = true;
            if (S_ISLNK(look.st.st_mode)) {
                char text[PATH_MAX];
                ssize_t n = ::readlink(path.c_str(), text, sizeof text);
                answered = n > 0 && static_cast<std::size_t>(n) < sizeof text;
                if (answered) look.linkText.assign(text, static_cast<std::size_t>(n));
            }
        } else if (errno == ENOENT) {
            look.st = {};
            answered = true;
        }
        if (!answered) {
            for (const auto& step : way.steps) ReleaseWatch(step.first);
            return watchedPaths_.end();
        }
        way.look = std::move(look);
        way.lastUse = ++clock_;
        auto it = watchedPaths_.find(path);
        if (it != watchedPaths_.end()) EndWatchedPath(it);
        for (const auto& step : way.steps) ++wayWatches_[step.first];
        return watchedPaths_.emplace(path, std::move(way)).first;
    }

    // Ends every watched way that passes through the watched folder, or
    // (with name) that goes on from it to an entry of that name.
    void EndWatchedPathsThrough(int watch, const std::string* name) {
        for (auto it = watchedPaths_.begin(); it != watchedPaths_.end();) {
            bool through = false;
            for (const auto& step : it->second.steps) {
                if (step.first == watch && (!name || step.second == *name)) {
                    through = true;
                    break;
                }
            }
            auto next = std::next(it);
            if (through) EndWatchedPath(it);
            it = next;
        }
    }

    void EndWatchedPath(std::unordered_map<std::string, WatchedPath>::iterator it) {
        for (const auto& step : it->second.steps) {
            auto ways = wayWatches_.find(step.first);
            if (ways != wayWatches_.end() && --ways->second == 0) wayWatches_.erase(ways);
            ReleaseWatch(step.first);
        }
        watchedPaths_.erase(it);
    }

    void DropWatchedPaths() {
        while (!watchedPaths_.empty()) EndWatchedPath(watchedPaths_.begin());
    }

    static constexpr int kNotOpened = -2;
    static constexpr int kUnavailable = -1;

    std::mutex mutex_;
    int fd_ = kNotOpened;
    int mountsFd_ = -1;
    std::unordered_map<std::string, WatchedPath> watchedPaths_;  // by Unix path
    std::unordered_map<int, int> users_;               // watch -> listings and ways using it
    std::unordered_map<int, int> wayWatches_;          // watch -> steps of ways on it
    std::uint64_t clock_ = 0;
    std::unordered_map<std::string, Folder> folders_;   // by Unix path
    std::size_t totalBytes_ = 0;              // what their names take
    std::unordered_map<int, std::string> byWatch_;
};

// Destroyed with the library (which a program may unload), closing its
// watches.
FolderNames& Shared() {
    static FolderNames names;
    return names;
}

}  // namespace

NameMatch LookUpNoCase(const std::string& folder, const struct stat& folderStat,
                       const std::string& ansiName, std::string* realName, FolderStamp* stamp) {
    return Shared().LookUp(folder, folderStat, ansiName, realName, stamp);
}

bool IsRemembered(const std::string& folder) { return Shared().Remembers(folder); }

bool StampsHold(const std::vector<FolderStamp>& stamps) { return Shared().Hold(stamps); }

bool LookAtWatchedPath(const std::string& path, PathLook* look) {
    return Shared().Look(path, look);
}

ChangesScope::ChangesScope() { Shared().BeginScope(); }

std::uint64_t ChangesScope::Current() { return scopeNumber; }

ChangesScope::~ChangesScope() { Shared().EndScope(); }

}  // namespace sl::platform::wine
