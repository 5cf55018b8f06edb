#include "kernel/platform/wine/paths/dos_paths.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <vector>

#include "kernel/platform/wine/paths/folder_names.h"
#include "kernel/platform/wine/paths/path_pieces.h"

namespace sl::platform::wine {

using namespace paths;

namespace {

// Where the elements of dosPath hang: *base the Unix folder, *rest the DOS
// elements (separators included); a relative path puts the current folder's
// elements (held in *current) first. 3 for a \\server path, an unmapped
// drive or a root-relative path whose current folder lies on no drive.
DWORD StartOfPath(const std::string& prefix, const std::string& dosPath, std::string* base,
                  std::string_view* rest, std::string* current, std::vector<Element>& elements) {
    if (dosPath.size() >= 2 && IsSeparator(dosPath[0]) && IsSeparator(dosPath[1])) {
        return kErrorPathNotFound;  // \\server\share and \\?\ forms
    }
    if (dosPath.size() >= 2 && dosPath[1] == ':' &&
        std::isalpha(static_cast<unsigned char>(dosPath[0]))) {
        *base = DriveRoot(prefix, dosPath[0]);
        if (base->empty()) return kErrorPathNotFound;
        *rest = std::string_view(dosPath).substr(2);
    } else if (!dosPath.empty() && IsSeparator(dosPath[0])) {
        std::string currentDos = UnixToDosPath(prefix, CurrentFolder());
        if (currentDos.empty()) return kErrorPathNotFound;
        *base = DriveRoot(prefix, currentDos[0]);
        if (base->empty()) return kErrorPathNotFound;
        *rest = dosPath;
    } else {
        base->assign(1, '/');
        *current = CurrentFolder();
        const std::string_view folder = *current;
        for (std::size_t at = 0; at <= folder.size();) {
            std::size_t end = std::min(folder.find('/', at), folder.size());
            if (end > at) elements.push_back({folder.substr(at, end - at), true});
            at = end + 1;
        }
        *rest = dosPath;
    }
    return kErrorSuccess;
}

// Adds the DOS elements of rest: "." dropped, ".." removing the previous
// element (never climbing above the start). 123 for an invalid name.
DWORD AddDosElements(std::string_view rest, std::vector<Element>& elements) {
    for (std::size_t at = 0; at <= rest.size();) {
        std::size_t end = at;
        bool forbidden = false, ascii = true;
        for (; end < rest.size(); ++end) {
            const DosByte kind = KindOfDosByte(rest[end]);
            if (kind == DosByte::Separator) break;
            forbidden = forbidden || kind == DosByte::Forbidden;
            ascii = ascii && kind != DosByte::High;
        }
        const std::string_view name = rest.substr(at, end - at);
        at = end + 1;
        if (name.empty() || name == ".") continue;
        if (name == "..") {
            if (!elements.empty()) elements.pop_back();
            continue;
        }
        if (forbidden) return kErrorInvalidName;
        elements.push_back({name, false, ascii});
    }
    return kErrorSuccess;
}

// The path spelt exactly as given below base; *unmatched counts the elements
// that may need matching without regard to case.
std::string ExactPath(const std::string& base, const std::vector<Element>& elements,
                      std::size_t reserve, std::size_t* unmatched) {
    std::string exact;
    exact.reserve(reserve);
    exact = base;
    *unmatched = 0;
    for (const Element& element : elements) {
        if (!exact.empty() && exact.back() != '/') exact.push_back('/');
        if (element.matched || element.ascii) {
            exact += element.ansi;
        } else {
            AppendUnixName(exact, element.ansi);
        }
        if (!element.matched) ++*unmatched;
    }
    return exact;
}

// The key a folder matched before is remembered under: base and the
// elements as given but the last; empty for a path of one element.
void FolderKey(const std::string& base, const std::vector<Element>& elements,
               std::size_t reserve, std::string& folderKey) {
    folderKey.clear();
    if (elements.size() < 2) return;
    folderKey.reserve(reserve + 2 * elements.size());
    folderKey.append(base);
    for (std::size_t i = 0; i + 1 < elements.size(); ++i) {
        folderKey.push_back('\0');
        folderKey.push_back(elements[i].matched ? 'u' : 'd');
        folderKey += elements[i].ansi;
    }
}

// A name in a folder whose listing is kept (a folder that receives many new
// names, such as a backup folder) is looked up there, spelt as given or
// otherwise: true with *unixPath set when the listing answers.
bool MapInRememberedFolder(const std::string& exact, const Element& last, std::string* unixPath,
                           bool* missing) {
    if (last.matched) return false;
    // Reused by the thread's next mapping, as the elements are.
    thread_local std::string folderOfThread;
    std::string& folder = folderOfThread;
    AssignFolderOf(exact, folder);
    if (!IsRemembered(folder)) return false;
    struct stat st;
    PathLook look;
    if (LookAtWatchedPath(folder, &look) && S_ISDIR(look.st.st_mode)) {
        st = look.st;
    } else if (::stat(folder.c_str(), &st) != 0) {
        return false;
    }
    if (!S_ISDIR(st.st_mode)) return false;
    std::string found;
    switch (LookUpNoCase(folder, st, std::string(last.ansi), &found)) {
        case NameMatch::Found:
            *unixPath = JoinUnix(folder, found);
            return true;
        case NameMatch::None:
            *unixPath = exact;
            if (missing) *missing = true;
            return true;
        case NameMatch::Unknown: break;
    }
    return false;
}

// Most paths name entries that exist with the case given: one lstat of the
// whole path settles that (every folder on the way exists with that case
// too, so a walk would find the same). A path whose last element alone is
// missing in that case needs only that element matched. A caller that opens
// the result anyway learns it from its own open. True with *unixPath set
// when settled here.
bool MapQuickly(const std::string& exact, const Element& last, std::string* unixPath,
                bool* missing, bool* unchecked) {
    if (unchecked) {
        *unchecked = true;
        *unixPath = exact;
        return true;
    }
    struct stat st;
    if (::lstat(exact.c_str(), &st) == 0) {
        *unixPath = exact;
        return true;
    }
    if (errno != ENOENT || last.matched) return false;
    std::string folder = FolderOf(exact);
    if (::stat(folder.c_str(), &st) != 0) return false;
    std::string found = FindNoCase(folder, st, std::string(last.ansi), nullptr);
    *unixPath = found.empty() ? exact : JoinUnix(folder, found);
    if (found.empty() && missing && S_ISDIR(st.st_mode)) *missing = true;
    return true;
}

// Matches every element in turn below base; an element that exists in no
// case keeps the case given (and so does every one below it). The folder is
// remembered under folderKey when each match on the way rested on a kept
// listing.
std::string MatchEachElement(const std::string& base, const std::vector<Element>& elements,
                             const std::string& folderKey) {
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
    return path;
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
    // The elements' list is reused by the thread's next mapping (this
    // function never runs within itself).
    thread_local std::vector<Element> elementsOfThread;
    std::vector<Element>& elements = elementsOfThread;
    elements.clear();
    DWORD error = StartOfPath(prefix, dosPath, &base, &rest, &current, elements);
    if (error == kErrorSuccess) error = AddDosElements(rest, elements);
    if (error != kErrorSuccess) return error;

    const std::size_t reserve = base.size() + dosPath.size() + current.size() + 1;
    std::size_t unmatched = 0;
    std::string exact = ExactPath(base, elements, reserve, &unmatched);
    if (unmatched == 0) {
        *unixPath = std::move(exact);
        return kErrorSuccess;
    }
    // A folder matched before, with remembered listings behind every element
    // that needed matching, is matched again while those listings hold (and
    // its exact spelling, missing from one of them, is missing still).
    thread_local std::string folderKeyOfThread;
    std::string& folderKey = folderKeyOfThread;
    FolderKey(base, elements, exact.size(), folderKey);
    if (!folderKey.empty() &&
        MapInMatchedFolder(folderKey, elements.back(), unixPath, missing, unchecked)) {
        return kErrorSuccess;
    }
    if (MapInRememberedFolder(exact, elements.back(), unixPath, missing) ||
        MapQuickly(exact, elements.back(), unixPath, missing, unchecked)) {
        return kErrorSuccess;
    }
    *unixPath = MatchEachElement(base, elements, folderKey);
    return kErrorSuccess;
}

}  // namespace sl::platform::wine
