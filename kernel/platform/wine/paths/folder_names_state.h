// The state behind folder_names.h: the remembered listings of folders and
// the watched ways to paths, kept current by inotify. Internal to the path
// mapping: only folder_names.cpp and watched_paths.cpp include it.
#pragma once

#include <sys/inotify.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "kernel/platform/wine/paths/folder_names.h"
#include "kernel/platform/wine/paths/name_table.h"

namespace sl::platform::wine::paths {

// Folders kept at once, and the memory their names take in all (the least
// recently used folders go first; the one used last stays). One folder's
// names never take more than kMaxFolderBytes (name_table.h): a folder of any
// size is kept.
inline constexpr std::size_t kMaxFolders = 64;
inline constexpr std::size_t kMaxTotalBytes = 48 << 20;
inline constexpr std::size_t kMaxFolderBytes = 48 << 20;

inline constexpr std::uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                     IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

// Paths whose way from / is watched at once (the least recently used go
// first); a way has one watched folder per element.
inline constexpr std::size_t kMaxWatchedPaths = 64;

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
    ~FolderNames();

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

    bool Remembers(const std::string& path);

    bool Hold(const std::vector<FolderStamp>& stamps);

    bool Look(const std::string& path, PathLook* look);

    std::uint64_t WaysVersion();

    void BeginScope();
    void EndScope();

private:
    using Iterator = std::unordered_map<std::string, Folder>::iterator;

    bool Open();

    // Drain, unless this thread did so already within its ChangesScope: the
    // scope's work then sees the folders as they were at its first look, as
    // if it had all been done at that moment.
    void DrainUnlessSeen();

    // Applies every change reported so far. Where mounts are watched, one
    // poll tells whether there is anything to read at all.
    void Drain();

    void Apply(const struct inotify_event& event);

    // Lists a folder under a watch set up first, so that no change between
    // the listing and the next Drain goes unseen.
    Iterator Remember(const std::string& path, const struct stat& st);

    // Forgets the least recently used folders while all together take too
    // much memory; the one used last stays.
    void Trim();

    void Drop(Iterator it);

    void DropAll();

    // A watch on the folder at path, shared by every listing and watched way
    // that uses the same folder; -1 when none can be had.
    int AcquireWatch(const std::string& path, std::uint32_t flags);

    void ReleaseWatch(int watch);

    // What path leads to, looked at when its way from / began to be watched,
    // while none of the folders on the way changed; false when the way
    // cannot be watched (a link on it, a folder that cannot be watched, no
    // mount table to poll), and the caller must look at the path itself.
    bool LookThroughWatchedWay(const std::string& path, PathLook* look);

    // Watches every folder from / down to path's own folder, each before
    // the next element is looked up in it, so that no change after that
    // look goes unseen; then looks at path itself.
    std::unordered_map<std::string, WatchedPath>::iterator WatchWay(const std::string& path);

    // Ends every watched way that passes through the watched folder, or
    // (with name) that goes on from it to an entry of that name.
    void EndWatchedPathsThrough(int watch, const std::string* name);

    void EndWatchedPath(std::unordered_map<std::string, WatchedPath>::iterator it);

    void DropWatchedPaths();

    static constexpr int kNotOpened = -2;
    static constexpr int kUnavailable = -1;

    std::mutex mutex_;
    int fd_ = kNotOpened;
    int mountsFd_ = -1;
    std::unordered_map<std::string, WatchedPath> watchedPaths_;  // by Unix path
    std::unordered_map<int, int> users_;               // watch -> listings and ways using it
    std::unordered_map<int, int> wayWatches_;          // watch -> steps of ways on it
    std::uint64_t waysEnded_ = 0;                      // ways ended so far
    std::uint64_t clock_ = 0;
    std::unordered_map<std::string, Folder> folders_;   // by Unix path
    std::size_t totalBytes_ = 0;              // what their names take
    std::unordered_map<int, std::string> byWatch_;
};

}  // namespace sl::platform::wine::paths
