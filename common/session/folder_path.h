// Folder helpers of the folder page and the run, on the platform code of
// the inspect library (common/session/inspect_binding.h): DOS paths, Win32
// error numbers (126 when the inspect library cannot be loaded).
#pragma once

#include <cstdint>
#include <string>

namespace sl::session {

// The attribute bit of a folder (Win32's FILE_ATTRIBUTE_DIRECTORY).
inline constexpr uint32_t kFileAttributeDirectory = 0x10;

// True when the platform reports attributes for path (a file or a folder).
bool PathExists(const std::string& path);

// The platform's attributes of a file or folder: 0 with *attributes set,
// or the error number.
uint32_t FileAttributes(const std::string& path, uint32_t* attributes);

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
