// Remembered folder listings for matching names without regard to case.
//
// Matching a DOS name in a Unix folder means reading the folder whenever the
// exact spelling is missing; a backup that writes thousands of new names into
// one folder, or copies thousands of files below a folder the instructions
// spell in another case, would read or probe the same folder again and again.
// A folder looked at here is listed once and then kept current by the
// kernel's change notifications (inotify), so an answer is always the one a
// fresh read of the folder would give. Where notifications are not to be had
// (no inotify, its limits reached) the answer is Unknown and the caller reads
// the folder itself. Folders of any size are kept, in bounded memory: in a
// very large one (millions of names) only the answer that a name is not there
// stays certain, and others may be Unknown (name_table.h). Safe to call from any
// thread; the state is shared by the whole process.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <vector>

namespace sl::platform::wine {

enum class NameMatch { Found, None, Unknown };

// A remembered folder's state at one moment; while StampHolds, every answer
// LookUpNoCase gave for that folder since the stamp was taken still holds.
struct FolderStamp {
    std::string folder;
    dev_t device = 0;
    ino_t inode = 0;
    std::uint64_t version = 0;
};

// The entry of folder (a Unix path; folderStat is its stat, taken just
// before) whose name equals ansiName (code page 1252) without regard to case,
// among the names that are the UTF-8 form of an ANSI name:
//   Found    *realName is its Unix name: the exact spelling when the folder
//            holds it, else the only other spelling it holds;
//   None     no entry matches;
//   Unknown  the folder cannot be answered for here, or it holds several
//            other spellings (the folder's own order decides between them),
//            or its names are kept only in summary.
// On Found and None, *stamp (when given) receives the folder's stamp.
NameMatch LookUpNoCase(const std::string& folder, const struct stat& folderStat,
                       const std::string& ansiName, std::string* realName,
                       FolderStamp* stamp = nullptr);

// True when a listing of the folder at this path is kept (it may still turn
// out stale at the next LookUpNoCase, which then lists the folder anew).
bool IsRemembered(const std::string& folder);

// True while every stamped folder has seen no entry added, removed or
// renamed and its path still leads to the same folder.
bool StampsHold(const std::vector<FolderStamp>& stamps);

// What an absolute Unix path leads to: whether anything is there, its lstat,
// and for a link the link's text.
struct PathLook {
    bool exists = false;
    struct stat st {};
    std::string linkText;
};

// True with *look set to what path led to when the way to it began to be
// watched, as long as no folder from / down to path's own folder has since
// seen the next element on the way added, removed or renamed, been moved or
// deleted itself, and nothing was mounted or unmounted; so *look is what an
// lstat (and readlink) of path would give now, except for changes to the
// entry itself in place (its size, times or permission bits). False when
// the way cannot be watched (a link on it, a folder that cannot be read, no
// inotify or mount table): the caller looks at the path itself.
bool LookAtWatchedPath(const std::string& path, PathLook* look);

// A number that stays the same while every answer LookAtWatchedPath gave
// since it was read still holds (no watched way has ended, after the changes
// reported so far were read, as LookAtWatchedPath reads them); it changes
// otherwise. 0 when ways cannot be watched here at all.
std::uint64_t WatchedWaysVersion();

// While one is alive on a thread, the change notifications are read once, at
// the thread's first look, and later looks answer from the state seen then:
// work done within the scope sees the folders as they were at that moment.
// Scopes nest.
class ChangesScope {
public:
    ChangesScope();
    ~ChangesScope();
    // A number that stays the same while this thread's outermost scope is
    // alive and differs from that of every other scope; 0 outside of one.
    // What was learnt within the scope may be kept under it.
    static std::uint64_t Current();
    ChangesScope(const ChangesScope&) = delete;
    ChangesScope& operator=(const ChangesScope&) = delete;
};

}  // namespace sl::platform::wine
