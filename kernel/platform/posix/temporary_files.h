// Temporary files of whole-file replaces: how they are
// named, made and, once their writer is gone, removed.
//
// A temporary is named kTemporaryPrefix (".sl-tmp-"), the target's name, "-"
// and six random characters, created exclusively (never through a link or
// onto anything that is there) and held with an exclusive flock for as long
// as its writer uses it. A run killed half way leaves it behind; the next
// write into that folder removes it, and a directory search never lists it,
// so a backup never copies it.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

#include "kernel/platform/platform.h"

namespace sl::platform::posix {

// True for the names of temporaries: ".sl-tmp-*", and what earlier versions
// left behind: ".NAME.sl-XXXXXX" (file copies), "Stowlark.dat.tmp" and
// "N.bin.tmp" (backup files), "system.reg.XXXXXX", "user.reg.XXXXXX" and
// "userdef.reg.XXXXXX" (hives), X being a letter or digit.
bool IsTemporaryName(std::string_view name);

// A name for a new temporary beside a file named targetName (cut to 200
// bytes, so that the whole stays within the file system's limit).
std::string TemporaryNameFor(std::string_view targetName);

// Creates a new temporary for the Unix path target in its folder, with the
// permission bits mode (less the umask), open for writing and locked. fd on
// success with *path set; -1 with *error set (3 when the folder is missing
// or no folder).
int CreateTemporaryBeside(const std::string& target, mode_t mode, std::string* path,
                          DWORD* error);

// After taking the lock on a new file at path: true when path still names
// the file open as fd (a sweep may have removed it before the lock was
// taken, and then the writer must start again).
bool StillNamed(int fd, const std::string& path);

// Removes the stale temporaries of a Unix folder: every ".sl-tmp-" file that
// nobody holds locked (and any link, FIFO or other special file of such a
// name), the copy and backup-file leftovers of earlier versions, and hive
// leftovers once they are a minute old (their writer takes no lock).
// Nothing else is touched; failures are ignored.
void SweepStaleTemporaries(const std::string& unixFolder);

}  // namespace sl::platform::posix
