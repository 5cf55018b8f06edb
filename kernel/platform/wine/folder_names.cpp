#include "kernel/platform/wine/folder_names.h"

#include <dirent.h>
#include <limits.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "kernel/platform/wine/dos_paths.h"
#include "kernel/platform/wine/wildcard.h"

namespace sl::platform::wine {
namespace {

// Folders kept at once and entries kept in all (the least recently used
// folders go first), and the entries of one folder beyond which it is not
// kept (an entry takes about 100 bytes).
constexpr std::size_t kMaxFolders = 64;
constexpr std::size_t kMaxTotalNames = 200000;
constexpr std::size_t kMaxNames = 100000;

constexpr std::uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                     IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

// The key every spelling of a name shares; empty for a Unix name that is no
// DOS name's UTF-8 form (it matches nothing).
std::string KeyOfUnixName(const std::string& unixName) {
    std::string ansi = Utf8ToAnsi(unixName);
    if (AnsiToUtf8(ansi) != unixName) return {};
    for (char& c : ansi) c = ToUpperAnsi(c);
    return ansi;
}

struct Folder {
    dev_t device = 0;
    ino_t inode = 0;
    int watch = -1;
    std::uint64_t version = 0;
    std::uint64_t lastUse = 0;
    bool tooLarge = false;  // watched, but not answered for
    std::size_t count = 0;
    std::unordered_map<std::string, std::vector<std::string>> names;  // key -> Unix names

    void Add(const std::string& unixName) {
        std::string key = KeyOfUnixName(unixName);
        if (key.empty() || tooLarge) return;
        std::vector<std::string>& spellings = names[key];
        if (std::find(spellings.begin(), spellings.end(), unixName) != spellings.end()) return;
        spellings.push_back(unixName);
        if (++count > kMaxNames) {
            tooLarge = true;
            names.clear();
            count = 0;
        }
    }
    void Remove(const std::string& unixName) {
        std::string key = KeyOfUnixName(unixName);
        auto it = names.find(key);
        if (it == names.end()) return;
        auto& spellings = it->second;
        auto found = std::find(spellings.begin(), spellings.end(), unixName);
        if (found == spellings.end()) return;
        spellings.erase(found);
        --count;
        if (spellings.empty()) names.erase(it);
    }
};

class FolderNames {
public:
    FolderNames() = default;
    FolderNames(const FolderNames&) = delete;
    FolderNames& operator=(const FolderNames&) = delete;
    ~FolderNames() {
        if (fd_ >= 0) ::close(fd_);
    }

    NameMatch LookUp(const std::string& path, const struct stat& st, const std::string& ansiName,
                     std::string* realName, FolderStamp* stamp) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!Open()) return NameMatch::Unknown;
        Drain();
        auto it = folders_.find(path);
        if (it != folders_.end() &&
            (it->second.device != st.st_dev || it->second.inode != st.st_ino)) {
            Drop(it, true);
            it = folders_.end();
        }
        if (it == folders_.end()) it = Remember(path, st);
        if (it == folders_.end() || it->second.tooLarge) return NameMatch::Unknown;

        Folder& folder = it->second;
        folder.lastUse = ++clock_;
        Trim();
        std::string key = ansiName;
        for (char& c : key) c = ToUpperAnsi(c);
        auto spellings = folder.names.find(key);
        NameMatch match = NameMatch::None;
        if (spellings != folder.names.end()) {
            const std::string exact = AnsiToUtf8(ansiName);
            const auto& names = spellings->second;
            if (std::find(names.begin(), names.end(), exact) != names.end()) {
                *realName = exact;
            } else if (names.size() == 1) {
                *realName = names[0];
            } else {
                return NameMatch::Unknown;
            }
            match = NameMatch::Found;
        }
        if (stamp) *stamp = FolderStamp{path, folder.device, folder.inode, folder.version};
        return match;
    }

    bool Remembers(const std::string& path) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = folders_.find(path);
        return it != folders_.end() && !it->second.tooLarge;
    }

    bool Hold(const std::vector<FolderStamp>& stamps) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (fd_ < 0) return false;
            Drain();
            for (const FolderStamp& stamp : stamps) {
                auto it = folders_.find(stamp.folder);
                if (it == folders_.end() || it->second.version != stamp.version ||
                    it->second.device != stamp.device || it->second.inode != stamp.inode) {
                    return false;
                }
            }
        }
        // A folder above may have been renamed and another put in its place:
        // the watched folder sees nothing of that, its path does.
        for (const FolderStamp& stamp : stamps) {
            struct stat st;
            if (::stat(stamp.folder.c_str(), &st) != 0 || st.st_dev != stamp.device ||
                st.st_ino != stamp.inode) {
                return false;
            }
        }
        return true;
    }

private:
    using Iterator = std::map<std::string, Folder>::iterator;

    bool Open() {
        if (fd_ == kNotOpened) {
            fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
            if (fd_ < 0) fd_ = kUnavailable;
        }
        return fd_ >= 0;
    }

    // Applies every change reported so far.
    void Drain() {
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
        auto watched = byWatch_.find(event.wd);
        if (watched == byWatch_.end()) return;
        auto it = folders_.find(watched->second);
        if (it == folders_.end()) return;
        if (event.mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT)) {
            Drop(it, (event.mask & IN_IGNORED) == 0);
            return;
        }
        if (event.len == 0) return;
        const std::string name = event.name;  // NUL-padded
        if (event.mask & (IN_CREATE | IN_MOVED_TO)) it->second.Add(name);
        if (event.mask & (IN_DELETE | IN_MOVED_FROM)) it->second.Remove(name);
        it->second.version = ++clock_;
    }

    // Lists a folder under a watch set up first, so that no change between
    // the listing and the next Drain goes unseen.
    Iterator Remember(const std::string& path, const struct stat& st) {
        if (folders_.size() >= kMaxFolders) {
            auto oldest = std::min_element(folders_.begin(), folders_.end(),
                                           [](const auto& a, const auto& b) {
                                               return a.second.lastUse < b.second.lastUse;
                                           });
            Drop(oldest, true);
        }
        const int watch = ::inotify_add_watch(fd_, path.c_str(), kWatchMask);
        if (watch < 0) return folders_.end();
        // The same folder under another path shares the watch: one path keeps it.
        auto previous = byWatch_.find(watch);
        if (previous != byWatch_.end()) {
            folders_.erase(previous->second);
            byWatch_.erase(previous);
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
            Drop(it, true);  // the path leads elsewhere now
            return folders_.end();
        }
        errno = 0;
        while (struct dirent* entry = ::readdir(dir.get())) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") folder.Add(name);
            if (folder.tooLarge) break;
        }
        if (errno != 0) {
            Drop(it, true);
            return folders_.end();
        }
        dir.reset();
        Drain();  // may drop it when the folder went away meanwhile
        return folders_.find(path);
    }

    // Forgets the least recently used folders while all together hold too
    // many entries; the one used last stays.
    void Trim() {
        std::size_t total = 0;
        for (const auto& [path, folder] : folders_) total += folder.count;
        while (total > kMaxTotalNames && folders_.size() > 1) {
            auto oldest = std::min_element(folders_.begin(), folders_.end(),
                                           [](const auto& a, const auto& b) {
                                               return a.second.lastUse < b.second.lastUse;
                                           });
            total -= oldest->second.count;
            Drop(oldest, true);
        }
    }

    void Drop(Iterator it, bool removeWatch) {
        if (removeWatch) ::inotify_rm_watch(fd_, it->second.watch);
        byWatch_.erase(it->second.watch);
        folders_.erase(it);
    }

    void DropAll() {
        while (!folders_.empty()) Drop(folders_.begin(), true);
    }

    static constexpr int kNotOpened = -2;
    static constexpr int kUnavailable = -1;

    std::mutex mutex_;
    int fd_ = kNotOpened;
    std::uint64_t clock_ = 0;
    std::map<std::string, Folder> folders_;   // by Unix path
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

}  // namespace sl::platform::wine
