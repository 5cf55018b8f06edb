// Folders of DOS paths matched before, kept while what the match rested on holds.
#include <mutex>
#include <unordered_map>

#include "kernel/platform/wine/paths/path_pieces.h"

namespace sl::platform::wine::paths {

namespace {

// Folders whose DOS spelling needed matching without regard to case, by
// drive root and elements as given: the Unix folder found, and the stamps of
// the remembered listings every such match rested on. The exact elements on
// the way need no stamp: while the folder's path exists they exist in that
// case, and an exact name always wins.
struct MatchedFolder {
    std::string unixFolder;
    std::vector<FolderStamp> stamps;
};
constexpr std::size_t kMaxMatchedFolders = 256;
std::mutex matchedFoldersMutex;
std::unordered_map<std::string, MatchedFolder> matchedFolders;

}  // namespace

void RememberMatchedFolder(const std::string& key, const std::string& unixFolder,
                           std::vector<FolderStamp> stamps) {
    std::lock_guard<std::mutex> lock(matchedFoldersMutex);
    if (matchedFolders.size() >= kMaxMatchedFolders) matchedFolders.clear();
    matchedFolders[key] = MatchedFolder{unixFolder, std::move(stamps)};
}

bool MapInMatchedFolder(const std::string& key, const Element& last, std::string* unixPath,
                        bool* missing, bool* unchecked) {
    MatchedFolder matched;
    {
        std::lock_guard<std::mutex> lock(matchedFoldersMutex);
        auto it = matchedFolders.find(key);
        if (it == matchedFolders.end()) return false;
        matched = it->second;
    }
    auto forget = [&] {
        std::lock_guard<std::mutex> lock(matchedFoldersMutex);
        matchedFolders.erase(key);
        return false;
    };
    if (!StampsHold(matched.stamps)) return forget();
    // An entry that exists as spelt proves the folder's path exists too.
    const std::string exact = JoinUnix(matched.unixFolder, UnixNameOf(last));
    if (unchecked) {
        *unchecked = true;
        *unixPath = exact;
        return true;
    }
    if (Exists(exact)) {
        *unixPath = exact;
        return true;
    }
    struct stat st;
    if (::stat(matched.unixFolder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return forget();
    std::string found = last.matched
                            ? std::string()
                            : FindNoCase(matched.unixFolder, st, std::string(last.ansi), nullptr);
    *unixPath = found.empty() ? exact : JoinUnix(matched.unixFolder, found);
    if (found.empty() && missing) *missing = true;
    return true;
}

}  // namespace sl::platform::wine::paths
