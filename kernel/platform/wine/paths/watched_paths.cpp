// The watched ways from / to paths: what a path leads to, known without a
// look while no folder on the way changed.
#include <fcntl.h>
#include <limits.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>

#include "kernel/platform/wine/paths/folder_names_state.h"

namespace sl::platform::wine::paths {

bool FolderNames::Look(const std::string& path, PathLook* look) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!Open()) return false;
    DrainUnlessSeen();
    return LookThroughWatchedWay(path, look);
}

std::uint64_t FolderNames::WaysVersion() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!Open() || mountsFd_ < 0) return 0;
    DrainUnlessSeen();
    return waysEnded_ + 1;
}

// A watch on the folder at path, shared by every listing and watched way
// that uses the same folder; -1 when none can be had.
int FolderNames::AcquireWatch(const std::string& path, std::uint32_t flags) {
    const int watch = ::inotify_add_watch(fd_, path.c_str(), kWatchMask | flags);
    if (watch >= 0) ++users_[watch];
    return watch;
}

void FolderNames::ReleaseWatch(int watch) {
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
bool FolderNames::LookThroughWatchedWay(const std::string& path, PathLook* look) {
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
std::unordered_map<std::string, WatchedPath>::iterator FolderNames::WatchWay(const std::string& path) {
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
void FolderNames::EndWatchedPathsThrough(int watch, const std::string* name) {
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

void FolderNames::EndWatchedPath(std::unordered_map<std::string, WatchedPath>::iterator it) {
    ++waysEnded_;
    for (const auto& step : it->second.steps) {
        auto ways = wayWatches_.find(step.first);
        if (ways != wayWatches_.end() && --ways->second == 0) wayWatches_.erase(ways);
        ReleaseWatch(step.first);
    }
    watchedPaths_.erase(it);
}

void FolderNames::DropWatchedPaths() {
    while (!watchedPaths_.empty()) EndWatchedPath(watchedPaths_.begin());
}

}  // namespace sl::platform::wine::paths
