// File restore: puts the backup copies of a file record back to where they
// came from, creating missing folders; and the folder helpers it uses.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "kernel/platform/platform.h"
#include "kernel/storage/file_copy_run.h"
#include "kernel/storage/records.h"

namespace sl {

// Creates every missing folder along path (a DOS path), from the top down;
// elements are trimmed of blanks, and an empty element (a leading backslash,
// two backslashes in a row) ends the walk there. Returns 0, or the error of
// the first folder that could not be created.
// With known given, the folders in it (as MakePath builds them: trimmed
// elements, each ending in a backslash) are taken to exist without a look,
// and every folder found or made is added to it, so that restoring many
// files into the same folders looks at each folder once.
// Every look and every folder made goes through machine.
std::int32_t MakePath(const std::string& path, std::unordered_set<std::string>* known = nullptr,
                      platform::Platform& machine = platform::Current());

// True when a file or folder exists at path on machine.
bool PathExists(const std::string& path, platform::Platform& machine = platform::Current());

// Creates one folder; 0 on success or when it already exists (183), else the
// platform's error number (3 when its parent is missing).
std::int32_t CreateOneFolder(const std::string& path,
                             platform::Platform& machine = platform::Current());

// True when a saved pair may be restored: the source entry stays inside its
// resolved folder (no ".." element; with a nonzero pathID also no absolute
// path, drive or leading backslash) and the backup entry is a plain file name
// (no \ / : and not "." or ".."). A record with pathID 0 holds absolute
// paths by design.
bool IsSafeRestorePair(std::int32_t pathID, const std::string& sourceEntry,
                       const std::string& backupEntry);

// True when path names something strictly below folder, element by element
// ('\' and '/' both separate; letters compare without regard to case). The
// folder is taken as the drive mapping would take it: empty and "." elements
// drop out and ".." removes the element before it. The path must be plain:
// no empty, "." or ".." element (".. ", "..." too), no ':' except in a
// leading drive "X:". A folder that starts with a drive holds only paths on
// that drive; any other folder is relative and holds only relative paths.
bool IsInsideFolder(const std::string& path, const std::string& folder);

// A place a file record may restore into, as one file line of the script
// describes it: below Base (an application's folder on this machine, as a
// drive path; empty for the record's own resolved folder, to which relative
// entries are taken) and there below Sub (the line's subfolder, relative),
// files whose names match Mask; deeper down only when Recurse is nonzero,
// and then only into first-level subfolders that pass IncludeDirs and
// ExcludeDirs. A record whose PathID resolves to several folders fits no
// place. Folders below Base along a target's way must be real folders:
// a link there (to the Unix home, to /) would carry the write out of the
// place.
struct RestoreFolder {
    std::string Base;
    std::string Sub;
    std::string Mask = "*.*";
    std::int32_t Recurse = 1;
    std::string IncludeDirs;
    std::string ExcludeDirs;
};

// Copies each backup file of the record (in run.folder) back to its source
// path below the folder the record's PathID resolves to (absolute with
// PathID 0), making missing folders; every look, folder and copy goes
// through run.machine. A pair that could leave its folders (see
// IsSafeRestorePair) is refused (123), and with folders given so is
// every target outside them, or reached through a linked folder. Every
// pair is tried; returns 0, or the error of the last pair that failed (2135
// when the PathID does not resolve, logged only). Failures are reported to
// run.errorText and the log.
std::int32_t RestoreRecordFiles(FileCopyRun& run, const CSLFileItem& record,
                                const std::vector<RestoreFolder>* folders = nullptr);

}  // namespace sl
