// Folder helpers of the file restore (CSLKernel::SLRestoreFiles puts backup
// copies back to where they came from, creating missing folders).
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>

namespace sl {

// Creates every missing folder along path (a DOS path), from the top down;
// elements are trimmed of blanks, and an empty element (a leading backslash,
// two backslashes in a row) ends the walk there. Returns 0, or the error of
// the first folder that could not be created.
// With known given, the folders in it (as MakePath builds them: trimmed
// elements, each ending in a backslash) are taken to exist without a look,
// and every folder found or made is added to it, so that restoring many
// files into the same folders looks at each folder once.
std::int32_t MakePath(const std::string& path, std::unordered_set<std::string>* known = nullptr);

// True when a file or folder exists at path.
bool PathExists(const std::string& path);

// Creates one folder; 0 on success or when it already exists (183), else the
// platform's error number (3 when its parent is missing).
std::int32_t CreateOneFolder(const std::string& path);

// True when a saved pair may be restored: the source entry stays inside its
// resolved folder (no ".." element; with a nonzero pathID also no absolute
// path, drive or leading backslash) and the backup entry is a plain file name
// (no \ / : and not "." or ".."). A record with pathID 0 holds absolute
// paths by design.
bool IsSafeRestorePair(std::int32_t pathID, const std::string& sourceEntry,
                       const std::string& backupEntry);

}  // namespace sl
