// Drive letters of a prefix and the folders they stand for, and the DOS form
// of a Unix path.
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <mutex>
#include <unordered_map>

#include "kernel/platform/wine/paths/dos_paths.h"
#include "kernel/platform/wine/paths/path_pieces.h"

namespace sl::platform::wine::paths {

namespace {
}  // namespace

std::string CurrentFolder() {
    char buffer[PATH_MAX];
    if (::getcwd(buffer, sizeof buffer) == nullptr) return "/";
    return buffer;
}

namespace {

std::string RealPath(const std::string& path) {
    char buffer[PATH_MAX];
    if (::realpath(path.c_str(), buffer) == nullptr) return {};
    return buffer;
}

std::vector<std::string> SplitElements(const std::string& text, char separator) {
    std::vector<std::string> out;
    std::string current;
    for (char c : text) {
        if (c == separator || (separator == '\\' && c == '/')) {
            out.push_back(current);
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    out.push_back(current);
    return out;
}
}  // namespace

std::string Canonical(const std::string& path) {
    std::string absolute = !path.empty() && path[0] == '/' ? path : JoinUnix(CurrentFolder(), path);
    std::vector<std::string> parts;
    for (const std::string& element : SplitElements(absolute, '/')) {
        if (element.empty() || element == ".") continue;
        if (element == "..") {
            if (!parts.empty()) parts.pop_back();
        } else {
            parts.push_back(element);
        }
    }
    // Resolve the longest existing head, keep the rest as written.
    for (std::size_t keep = parts.size() + 1; keep-- > 0;) {
        std::string head = "/";
        for (std::size_t i = 0; i < keep; ++i) head = JoinUnix(head, parts[i]);
        std::string real = RealPath(head);
        if (real.empty()) continue;
        for (std::size_t i = keep; i < parts.size(); ++i) real = JoinUnix(real, parts[i]);
        return real;
    }
    return absolute;
}

namespace {

std::string DriveLink(const std::string& prefix, char letter) {
    std::string link = JoinUnix(prefix, "dosdevices/");
    link.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(letter))));
    link.push_back(':');
    return link;
}

// Resolved drive links, by the link's path, with the link's own text. Every
// path mapped on a drive asks for its root, and resolving the link walks
// every element of the prefix's path; a remembered root is used while the
// link still holds the text it was resolved from, so a link pointed
// elsewhere is seen at once. The link is watched where it can be (the way to
// it from /, see LookAtWatchedPath), else read on every call. What the link
// leads to is not looked at again: a target folder moved or deleted shows
// when the paths below it are used, one replaced by another folder of the
// same name is that folder, and only one replaced by a link to elsewhere
// goes unseen while the process runs.
struct ResolvedDrive {
    std::string linkText;
    std::string root;
};
constexpr std::size_t kMaxResolvedDrives = 256;
std::mutex resolvedDrivesMutex;
std::unordered_map<std::string, ResolvedDrive> resolvedDrives;

// The text of a link; empty when path is no link.
std::string LinkText(const std::string& path) {
    char buffer[PATH_MAX];
    ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer);
    return n > 0 && static_cast<std::size_t>(n) < sizeof buffer ? std::string(buffer, n)
                                                                : std::string();
}

std::string DriveRootNow(const std::string& prefix, char letter, bool* lasting);

}  // namespace

// Within one ChangesScope the answer is worked out once (a copy maps two
// paths on the same drive, seen as they were at the scope's first look).
// An answer that rests on a watched drive link is kept beyond the scope,
// for as long as no watched way has ended: the link then still holds the
// text it was resolved from.
std::string DriveRoot(const std::string& prefix, char letter) {
    struct Answer {
        std::uint64_t scope = 0;
        std::uint64_t ways = 0;  // WatchedWaysVersion it lasts while; 0: this scope only
        std::string prefix;
        char letter = 0;
        std::string root;
    };
    thread_local Answer last;
    const std::uint64_t scope = ChangesScope::Current();
    if (last.letter == letter && last.prefix == prefix) {
        if (scope != 0 && last.scope == scope) return last.root;
        if (last.ways != 0 && WatchedWaysVersion() == last.ways) {
            last.scope = scope;
            return last.root;
        }
    }
    // Read before the look: a way that ends after it changes the number.
    const std::uint64_t ways = WatchedWaysVersion();
    bool lasting = false;
    std::string root = DriveRootNow(prefix, letter, &lasting);
    last = Answer{scope, lasting ? ways : 0, prefix, letter, root};
    return root;
}

namespace {

// *lasting tells that the answer rests on a watched link (see DriveRoot).
std::string DriveRootNow(const std::string& prefix, char letter, bool* lasting) {
    *lasting = false;
    const std::string link = DriveLink(prefix, letter);
    PathLook look;
    const bool watched = LookAtWatchedPath(link, &look);
    if (watched && !look.exists) return {};
    const std::string text = !watched                   ? LinkText(link)
                             : S_ISLNK(look.st.st_mode) ? look.linkText
                                                        : std::string();
    if (!text.empty()) {
        std::lock_guard<std::mutex> lock(resolvedDrivesMutex);
        auto it = resolvedDrives.find(link);
        if (it != resolvedDrives.end() && it->second.linkText == text) {
            *lasting = watched;
            return it->second.root;
        }
    }
    std::string root = RealPath(link);
    struct stat atRoot;
    if (root.empty() || ::stat(root.c_str(), &atRoot) != 0 || !S_ISDIR(atRoot.st_mode)) return {};
    std::lock_guard<std::mutex> lock(resolvedDrivesMutex);
    if (resolvedDrives.size() >= kMaxResolvedDrives) resolvedDrives.clear();
    // A drive that is a plain folder rather than a link is resolved each time.
    if (!text.empty()) resolvedDrives[link] = ResolvedDrive{text, root};
    *lasting = watched && !text.empty();
    return root;
}

}  // namespace

}  // namespace sl::platform::wine::paths

namespace sl::platform::wine {

using paths::Canonical;
using paths::DriveRoot;

std::string UnixToDosPath(const std::string& prefix, const std::string& unixPath) {
    std::string target = Canonical(unixPath);
    char bestLetter = 0;
    std::size_t bestLength = 0;
    for (char letter = 'a'; letter <= 'z'; ++letter) {
        std::string root = DriveRoot(prefix, letter);
        if (root.empty()) continue;
        bool holds = root == "/" || target == root ||
                     (target.size() > root.size() && target.compare(0, root.size(), root) == 0 &&
                      target[root.size()] == '/');
        if (holds && (bestLetter == 0 || root.size() > bestLength)) {
            bestLetter = letter;
            bestLength = root == "/" ? 0 : root.size();
        }
    }
    if (bestLetter == 0) return {};
    std::string dos;
    dos.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(bestLetter))));
    dos += ":\\";
    std::string tail = target.substr(bestLength);
    while (!tail.empty() && tail[0] == '/') tail.erase(0, 1);
    // A backslash in a Unix name would become a separator of the DOS path
    // ("evil\..\..\x" a climb out of the folder): such a path has no DOS form.
    if (tail.find('\\') != std::string::npos) return {};
    for (char& c : tail) {
        if (c == '/') c = '\\';
    }
    return dos + Utf8ToAnsi(tail);
}

}  // namespace sl::platform::wine
