// The pieces DosToUnixPath and UnixToDosPath (dos_paths.h) are made of,
// shared by the files of the path mapping: path elements, matching a name
// without regard to case, drive roots and the folders matched before. Only
// those files include it.
#pragma once

#include <sys/stat.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "kernel/platform/wine/paths/folder_names.h"

namespace sl::platform::wine::paths {

inline bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// What one byte of a DOS path is: part of a name, a separator, a character
// Windows forbids in names (< > : " | ? * or a control character), or a
// byte above ASCII (whose Unix form differs).
enum class DosByte : unsigned char { Name, Separator, Forbidden, High };

inline DosByte KindOfDosByte(char c) {
    static constexpr std::array<DosByte, 256> kKinds = [] {
        std::array<DosByte, 256> kinds{};
        for (int b = 0; b < 256; ++b) {
            kinds[b] = b < 0x20 ? DosByte::Forbidden : b >= 0x80 ? DosByte::High : DosByte::Name;
        }
        for (unsigned char b : std::string_view("<>:\"|?*")) kinds[b] = DosByte::Forbidden;
        kinds['\\'] = kinds['/'] = DosByte::Separator;
        return kinds;
    }();
    return kKinds[static_cast<unsigned char>(c)];
}

// One element of a path being mapped: a Unix name already found (the
// elements of the current folder) or a DOS name still to be matched. It
// views text that outlives the mapping (the DOS path, the current folder).
// ascii: the name has no byte above ASCII, so its Unix form is itself.
struct Element {
    std::string_view ansi;
    bool matched;
    bool ascii = false;
};

// Appends a DOS name in its Unix form: the bytes themselves when they are
// all ASCII (the same in both), else converted.
void AppendUnixName(std::string& out, std::string_view ansi);

// The Unix name of an element (matched ones as they are).
std::string UnixNameOf(const Element& element);

// folder + "/" + name (no doubled slash).
std::string JoinUnix(const std::string& folder, const std::string& name);
// The folder part of a path that has at least one element below its root.
std::string FolderOf(const std::string& path);
// The same, into folder (whose room is reused).
void AssignFolderOf(const std::string& path, std::string& folder);
// True when anything (also a dangling link) is at path.
bool Exists(const std::string& path);

// ---- Matching a name without regard to case (name_matching.cpp).
// The real name in folder of ansiName without regard to case, for a name
// whose exact spelling is known not to be there (st is the folder's stat);
// empty when there is none. A remembered listing of the folder answers when
// it can, and *stamp (when given) then tells what the answer rests on;
// otherwise *stamp is left empty.
std::string FindNoCase(const std::string& folder, const struct stat& st,
                       const std::string& ansiName, FolderStamp* stamp);
// The same, with the folder's stat taken here (empty when it has none).
std::string FindNoCase(const std::string& folder, const std::string& ansiName,
                       FolderStamp* stamp);

// ---- Drives (drives.cpp).
// The process's current folder ("/" when unknown).
std::string CurrentFolder();
// Lexically normalised absolute path, with links resolved in the longest
// part that exists.
std::string Canonical(const std::string& path);
// The folder a drive letter stands for, with the drive's link resolved (so
// the drive's root is a plain folder, not a link); empty when unmapped.
// Within one ChangesScope the answer is worked out once; one resting on a
// watched drive link lasts until a watched way ends (WatchedWaysVersion).
std::string DriveRoot(const std::string& prefix, char letter);

// ---- Folders matched before (matched_folders.cpp).
// Remembers that the folder keyed key was matched to unixFolder, resting on
// the remembered listings stamps.
void RememberMatchedFolder(const std::string& key, const std::string& unixFolder,
                           std::vector<FolderStamp> stamps);
// Maps a path whose folder was matched before and remembered under key:
// true with *unixPath set while every listing the folder's match rested on
// is unchanged and the folder still exists (*missing set when nothing of the
// last element's name is in it); false when the path must be matched anew.
bool MapInMatchedFolder(const std::string& key, const Element& last, std::string* unixPath,
                        bool* missing, bool* unchecked);

}  // namespace sl::platform::wine::paths
