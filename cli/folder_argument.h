// The FOLDER argument of a command, as the kernel library takes it.
//
// The library sees only DOS paths of the prefix. A folder typed as a DOS
// path ("C:\Backups\Mine", "Z:\home\me\backup") is taken as it is; any other
// text is a Unix path (relative ones against the current folder), turned
// into its DOS form through the prefix drive that holds it, as the wizard's
// folder browser does (drive_c wins over z: for folders inside it).
#pragma once

#include <string>

namespace sl::cli {

// True for text that starts with a drive letter and a colon.
bool IsDosPath(const std::string& text);

// True when a DOS path has a ".." element (a climb to a parent folder).
bool NamesAParent(const std::string& dosPath);

// The DOS form of argument for the prefix. Empty, with *error set, when the
// argument is empty, a DOS path with a ".." element, a Unix path with a
// backslash in a name, or a Unix path no drive of the prefix holds.
std::string DosFolder(const std::string& prefix, const std::string& argument, std::string* error);

// The Unix path of a DOS folder in the prefix, for messages; empty when it
// does not map.
std::string UnixFolder(const std::string& prefix, const std::string& dosFolder);

}  // namespace sl::cli
