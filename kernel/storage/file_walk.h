// The walk over the files a file instruction saves, shared by the backup and
// by the command line's dry run so that both see the same files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "kernel/platform/platform.h"

namespace sl {

struct WalkedFile {
    std::string path;  // DOS path of a file
    std::uint64_t size = 0;
};

// What the walk tells besides the files; every member may be empty.
struct WalkReports {
    // A listing of a folder failed with error (a missing file or folder is
    // no failure): pattern is what was searched; files is true for the
    // listing of the folder's files (told once its files are visited) and
    // false for that of its subfolders (told once they are walked). Where
    // one listing serves both, it is told twice.
    std::function<void(const std::string& pattern, std::int32_t error, bool files)> listingFailed;
    // A subfolder (DOS path, no trailing backslash) not descended into
    // because it lies too deep.
    std::function<void(const std::string& folder)> tooDeep;
    // Called as each folder (DOS path ending in a backslash) is entered;
    // false leaves its files out (its subfolders are still walked).
    std::function<bool(const std::string& folder)> enterFolder;
};

// Visits the files a file instruction saves from folder (a DOS path): those
// matching mask there, and with recurse nonzero those of every subfolder (the
// first level passing includeDirs/excludeDirs, names starting with "." and
// linked folders skipped, depth bounded as the backup bounds it: a folder
// whose path, after its first depthFrom characters, holds 128 backslashes
// or more is not descended from). Files come in listing order, a folder's
// own files before its subfolders'. With recurse nonzero and mask "*.*" one
// listing serves for a folder's files and subfolders; an empty folder (the
// process's current one) is never descended from.
// visit returns false to stop the walk; a stopped walk returns 0.
// Returns 0, or the Win32 error of the folder's own listing: the listing of
// its subfolders with recurse nonzero, else that of its files.
std::int32_t WalkBackupFiles(platform::Platform& machine, const std::string& folder,
                             const std::string& mask, const std::string& includeDirs,
                             const std::string& excludeDirs, std::int32_t recurse,
                             const std::function<bool(const WalkedFile&)>& visit,
                             const WalkReports& reports = WalkReports(),
                             std::size_t depthFrom = 0);

}  // namespace sl
