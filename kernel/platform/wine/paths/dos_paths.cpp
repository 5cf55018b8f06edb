#include "kernel/platform/wine/paths/dos_paths.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <unordered_map>
#include <memory>
#include <mutex>
#include <vector>

#include "kernel/platform/wine/paths/folder_names.h"
#include "kernel/platform/wine/paths/wildcard.h"

namespace sl::platform::wine {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// One element of a path being mapped: a Unix name already found (the
// elements of the current folder) or a DOS name still to be matched. It
// views text that outlives the mapping (the DOS path, the current folder).
struct Element {
    std::string_view ansi;
    bool matched;
};

// Appends a DOS name in its Unix form: the bytes themselves when they are
// all ASCII (the same in both), else converted.
void AppendUnixName(std::string& out, std::string_view ansi) {
    for (char c : ansi) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            out += AnsiToUtf8(std::string(ansi));
            return;
        }
    }
    out += ansi;
}

std::string UnixNameOf(const Element& element) {
    if (element.matched) return std::string(element.ansi);
    std::string out;
    AppendUnixName(out, element.ansi);
    return out;
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

bool IsValidDosName(std::string_view name) {
    for (char c : name) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20) return false;
        switch (c) {
            case '<': case '>': case ':': case '"': case '|': case '?': case '*':
                return false;
            default:
                break;
        }
    }
    return true;
}

std::string JoinUnix(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

// The folder part of a path that has at least one element below its root.
std::string FolderOf(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// The bytes of code page 1252 that equal c without regard to case (c
// itself first); at most a few.
std::vector<char> CaseVariants(char c) {
    std::vector<char> out{c};
    const char upper = ToUpperAnsi(c);
    for (int d = 0; d < 256; ++d) {
        char other = static_cast<char>(d);
        if (other != c && ToUpperAnsi(other) == upper) out.push_back(other);
    }
    return out;
}

// CaseVariants of every byte, computed once.
const std::vector<char>& VariantsOf(char c) {
    static const std::vector<std::vector<char>> table = [] {
        std::vector<std::vector<char>> all;
        for (int d = 0; d < 256; ++d) all.push_back(CaseVariants(static_cast<char>(d)));
        return all;
    }();
    return table[static_cast<unsigned char>(c)];
}

// A small folder is read through: a few calls. In a larger one (a backup
// folder holds thousands of files, and every copy into it names one that is
// not there yet) a name with at most this many spellings asks for each.
constexpr std::size_t kMaxSpellingsToTry = 32;
// The size a folder reports when it holds a few dozen entries at most (one
// block on ext4; tmpfs and btrfs count a few bytes per entry).
constexpr off_t kSmallFolderBytes = 4096;

// The real name in folder of the element given in ANSI, compared without
// regard to case; empty when there is none. Only names that are the UTF-8
// form of an ANSI name count (a name with bytes in another form, such as
// over-long UTF-8 sequences, is no spelling of any DOS name); when several
// entries match, the first one the folder lists.
std::string ScanNoCase(const std::string& folder, const std::string& ansiName) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) return {};
    while (struct dirent* entry = ::readdir(dir.get())) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        std::string ansi = Utf8ToAnsi(name);
        if (EqualNoCase(ansi, ansiName) && AnsiToUtf8(ansi) == name) return name;
    }
    return {};
}

// As ScanNoCase, for a name whose exact spelling is known not to be in the
// folder (st is the folder's stat). A remembered listing of the folder answers
// when it can, and *stamp (when given) then tells what the answer rests on;
// otherwise *stamp is left empty. Without one, in a large folder a name with
// few spellings asks for each of them; one found is the answer, none means no
// match, and only several found (where the folder's order decides) fall back
// to reading the folder.
std::string FindNoCase(const std::string& folder, const struct stat& st,
                       const std::string& ansiName, FolderStamp* stamp) {
    if (!S_ISDIR(st.st_mode)) return {};
    std::string real;
    switch (LookUpNoCase(folder, st, ansiName, &real, stamp)) {
        case NameMatch::Found: return real;
        case NameMatch::None: return {};
        case NameMatch::Unknown: break;
    }
    if (stamp) *stamp = FolderStamp();
    if (st.st_size <= kSmallFolderBytes) return ScanNoCase(folder, ansiName);
    std::size_t spellings = 1;
    for (char c : ansiName) {
        spellings *= VariantsOf(c).size();
        if (spellings > kMaxSpellingsToTry) return ScanNoCase(folder, ansiName);
    }
    if (spellings == 1) return {};
    std::string candidate = ansiName;
    std::string found;
    // Odometer over the spellings; the first one (the exact name) is skipped.
    std::vector<std::size_t> digit(ansiName.size(), 0);
    for (;;) {
        std::size_t i = 0;
        while (i < ansiName.size()) {
            const std::vector<char>& options = VariantsOf(ansiName[i]);
            if (++digit[i] < options.size()) {
                candidate[i] = options[digit[i]];
                break;
            }
            digit[i] = 0;
            candidate[i] = options[0];
            ++i;
        }
        if (i == ansiName.size()) break;  // every spelling tried
        std::string unixName = AnsiToUtf8(candidate);
        if (Exists(JoinUnix(folder, unixName))) {
            if (!found.empty()) return ScanNoCase(folder, ansiName);
            found = std::move(unixName);
        }
    }
    return found;
}

std::string FindNoCase(const std::string& folder, const std::string& ansiName,
                       FolderStamp* stamp) {
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0) {
        if (stamp) *stamp = FolderStamp();
        return {};
    }
    return FindNoCase(folder, st, ansiName, stamp);
}

std::string CurrentFolder() {
    char buffer[PATH_MAX];
    if (::getcwd(buffer, sizeof buffer) == nullptr) return "/";
    return buffer;
}

std::string RealPath(const std::string& path) {
    char buffer[PATH_MAX];
    if (::realpath(path.c_str(), buffer) == nullptr) return {};
    return buffer;
}

// Lexically normalised absolute path, with links resolved in the longest
// part that exists.
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

// The folder a drive letter stands for, with the drive's link resolved (so
// the drive's root is a plain folder, not a link); empty when unmapped.
// Within one ChangesScope the answer is worked out once (a copy maps two
// paths on the same drive, seen as they were at the scope's first look).
std::string DriveRootNow(const std::string& prefix, char letter);
std::string DriveRoot(const std::string& prefix, char letter) {
    struct Answer {
        std::uint64_t scope = 0;
        std::string prefix;
        char letter = 0;
        std::string root;
    };
    thread_local Answer last;
    const std::uint64_t scope = ChangesScope::Current();
    if (scope != 0 && last.scope == scope && last.letter == letter && last.prefix == prefix) {
        return last.root;
    }
    std::string root = DriveRootNow(prefix, letter);
    if (scope != 0) last = Answer{scope, prefix, letter, root};
    return root;
}

std::string DriveRootNow(const std::string& prefix, char letter) {
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
        if (it != resolvedDrives.end() && it->second.linkText == text) return it->second.root;
    }
    std::string root = RealPath(link);
    struct stat atRoot;
    if (root.empty() || ::stat(root.c_str(), &atRoot) != 0 || !S_ISDIR(atRoot.st_mode)) return {};
    std::lock_guard<std::mutex> lock(resolvedDrivesMutex);
    if (resolvedDrives.size() >= kMaxResolvedDrives) resolvedDrives.clear();
    // A drive that is a plain folder rather than a link is resolved each time.
    if (!text.empty()) resolvedDrives[link] = ResolvedDrive{text, root};
    return root;
}

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

void RememberMatchedFolder(const std::string& key, const std::string& unixFolder,
                           std::vector<FolderStamp> stamps) {
    std::lock_guard<std::mutex> lock(matchedFoldersMutex);
    if (matchedFolders.size() >= kMaxMatchedFolders) matchedFolders.clear();
    matchedFolders[key] = MatchedFolder{unixFolder, std::move(stamps)};
}

// Maps a path whose folder was matched before and remembered under key:
// true with *unixPath set while every listing the folder's match rested on
// is unchanged and the folder still exists (*missing set when nothing of the
// last element's name is in it); false when the path must be matched anew.
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

}  // namespace

DWORD DosToUnixPath(const std::string& prefix, const std::string& dosPath, std::string* unixPath,
                    bool* missing, bool* unchecked) {
    if (missing) *missing = false;
    if (unchecked) *unchecked = false;
    const ChangesScope oneLook;
    std::string base;          // Unix folder the elements hang below
    std::string_view rest;     // the DOS elements, separators included
    std::string current;       // the current folder, for a relative path
    if (dosPath.size() >= 2 && IsSeparator(dosPath[0]) && IsSeparator(dosPath[1])) {
        return kErrorPathNotFound;  // \\server\share and \\?\ forms
    }
    // The elements' list is reused by the thread's next mapping (this
    // function never runs within itself).
    thread_local std::vector<Element> elementsOfThread;
    std::vector<Element>& elements = elementsOfThread;
    elements.clear();
    if (dosPath.size() >= 2 && dosPath[1] == ':' &&
        std::isalpha(static_cast<unsigned char>(dosPath[0]))) {
        base = DriveRoot(prefix, dosPath[0]);
        if (base.empty()) return kErrorPathNotFound;
        rest = std::string_view(dosPath).substr(2);
    } else if (!dosPath.empty() && IsSeparator(dosPath[0])) {
        std::string currentDos = UnixToDosPath(prefix, CurrentFolder());
        if (currentDos.empty()) return kErrorPathNotFound;
        base = DriveRoot(prefix, currentDos[0]);
        if (base.empty()) return kErrorPathNotFound;
        rest = dosPath;
    } else {
        base = "/";
        current = CurrentFolder();
        const std::string_view folder = current;
        for (std::size_t at = 0; at <= folder.size();) {
            std::size_t end = std::min(folder.find('/', at), folder.size());
            if (end > at) elements.push_back({folder.substr(at, end - at), true});
            at = end + 1;
        }
        rest = dosPath;
    }

    for (std::size_t at = 0; at <= rest.size();) {
        std::size_t end = at;
        while (end < rest.size() && !IsSeparator(rest[end])) ++end;
        const std::string_view name = rest.substr(at, end - at);
        at = end + 1;
        if (name.empty() || name == ".") continue;
        if (name == "..") {
            if (!elements.empty()) elements.pop_back();
            continue;
        }
        if (!IsValidDosName(name)) return kErrorInvalidName;
        elements.push_back({name, false});
    }

    std::string exact = base;
    exact.reserve(base.size() + dosPath.size() + current.size() + 1);
    std::size_t unmatched = 0;
    for (const Element& element : elements) {
        if (!exact.empty() && exact.back() != '/') exact.push_back('/');
        if (element.matched) {
            exact += element.ansi;
        } else {
            AppendUnixName(exact, element.ansi);
            ++unmatched;
        }
    }
    if (unmatched == 0) {
        *unixPath = std::move(exact);
        return kErrorSuccess;
    }

    // A folder matched before, with remembered listings behind every element
    // that needed matching, is matched again while those listings hold (and
    // its exact spelling, missing from one of them, is missing still).
    std::string folderKey;
    if (elements.size() >= 2) {
        folderKey.reserve(exact.size() + 2 * elements.size());
        folderKey = base;
        for (std::size_t i = 0; i + 1 < elements.size(); ++i) {
            folderKey.push_back('\0');
            folderKey.push_back(elements[i].matched ? 'u' : 'd');
            folderKey += elements[i].ansi;
        }
        if (MapInMatchedFolder(folderKey, elements.back(), unixPath, missing, unchecked)) {
            return kErrorSuccess;
        }
    }

    // A name in a folder whose listing is kept (a folder that receives many
    // new names, such as a backup folder) is looked up there, spelt as given
    // or otherwise.
    struct stat st;
    if (const std::string folder = FolderOf(exact);
        !elements.back().matched && IsRemembered(folder)) {
        std::string found;
        PathLook look;
        if (LookAtWatchedPath(folder, &look) && S_ISDIR(look.st.st_mode)) {
            st = look.st;
        } else if (::stat(folder.c_str(), &st) != 0) {
            st.st_mode = 0;
        }
        if (S_ISDIR(st.st_mode)) {
            switch (LookUpNoCase(folder, st, std::string(elements.back().ansi), &found)) {
                case NameMatch::Found:
                    *unixPath = JoinUnix(folder, found);
                    return kErrorSuccess;
                case NameMatch::None:
                    *unixPath = exact;
                    if (missing) *missing = true;
                    return kErrorSuccess;
                case NameMatch::Unknown: break;
            }
        }
    }

    // Most paths name entries that exist with the case given: one lstat of
    // the whole path settles that (every folder on the way exists with that
    // case too, so the walk below would find the same). A path whose last
    // element alone is missing in that case needs only that element matched.
    // A caller that opens the result anyway learns it from its own open.
    if (unchecked) {
        *unchecked = true;
        *unixPath = exact;
        return kErrorSuccess;
    }
    if (::lstat(exact.c_str(), &st) == 0) {
        *unixPath = exact;
        return kErrorSuccess;
    }
    if (errno == ENOENT && !elements.back().matched) {
        std::string folder = FolderOf(exact);
        if (::stat(folder.c_str(), &st) == 0) {
            std::string found = FindNoCase(folder, st, std::string(elements.back().ansi), nullptr);
            *unixPath = found.empty() ? exact : JoinUnix(folder, found);
            if (found.empty() && missing && S_ISDIR(st.st_mode)) *missing = true;
            return kErrorSuccess;
        }
    }

    std::string path = base;
    std::string folder;
    bool gone = false;  // an element on the way exists in no case
    bool rememberable = !folderKey.empty();
    std::vector<FolderStamp> stamps;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const Element& element = elements[i];
        const bool inFolder = i + 1 < elements.size();
        if (!inFolder) folder = path;
        if (element.matched) {
            path = JoinUnix(path, std::string(element.ansi));
            continue;
        }
        std::string unixName = UnixNameOf(element);
        if (!gone && !Exists(JoinUnix(path, unixName))) {
            FolderStamp stamp;
            std::string found = FindNoCase(path, std::string(element.ansi), &stamp);
            if (found.empty()) {
                gone = true;
            } else {
                unixName = found;
                if (inFolder && stamp.folder.empty()) rememberable = false;
                if (inFolder && !stamp.folder.empty()) stamps.push_back(std::move(stamp));
            }
        }
        if (gone && inFolder) rememberable = false;
        path = JoinUnix(path, unixName);
    }
    if (rememberable && !stamps.empty()) RememberMatchedFolder(folderKey, folder, std::move(stamps));
    *unixPath = path;
    return kErrorSuccess;
}

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
