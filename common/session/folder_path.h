// Folder helpers of the folder page and the run, on the platform layer
// (sl::platform::Current()): DOS paths, Win32 error numbers.
#pragma once

#include <cstdint>
#include <string>

namespace sl::session {

// True when the platform reports attributes for path (a file or a folder).
bool PathExists(const std::string& path);

// True when a directory search for exactly path (no wildcard added) finds
// an entry: an existing file or folder of that name. A path ending in "\"
// names no entry and is not found.
bool EntryFound(const std::string& path);

// Creates one folder. 0 on success or when it already exists (183),
// otherwise the platform's error number (3 when the parent is missing,
// 5 when it may not be written, ...).
uint32_t CreateOneFolder(const std::string& path);

// Creates every missing level of a DOS path, from the left: each component
// (cut at "\", trimmed of blanks at both ends) is appended with a trailing
// "\" and created unless it exists. The walk ends at the first empty
// component, so "\a" creates nothing and "C:\a\\b" stops after "C:\a\".
// Returns 0 when every level walked exists at the end, otherwise the error
// number of the first level that could not be created.
uint32_t CreateFolderPath(const std::string& path);

}  // namespace sl::session
