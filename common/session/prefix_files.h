// Careful looks at folders that other programs (Wine, prefix managers) own:
// whether a folder is a Wine prefix, its architecture, the entries of a
// folder and the text of a small file. Nothing here follows a symbolic link
// to a file, opens a FIFO or a device, reads more than its bound, or
// descends into a folder.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace sl::session {

// What a folder named as a Wine prefix is.
enum class PrefixState {
    Prefix,       // a folder holding a regular file system.reg
    Missing,      // nothing is there
    NotAFolder,   // something that is no folder (a file, a FIFO ...)
    NoSystemReg,  // a folder without a regular file system.reg
};

// Looks at path (a link to a folder is followed, system.reg must be a
// regular file itself, not a link).
PrefixState CheckPrefixFolder(const std::string& path);

// "win32" or "win64" from the "#arch=" line of the prefix's system.reg
// (looked for in the file's first 4 KiB, before the first key), else
// "unknown".
std::string PrefixArchitecture(const std::string& prefix);

// Reads a regular file of at most maxBytes. Returns false (and leaves *text
// empty) for a missing file, a link, anything that is not a regular file,
// a read error or a larger file.
bool ReadSmallFile(const std::string& path, std::size_t maxBytes, std::string* text);

// The names of the entries of a folder, without "." and "..", sorted, at
// most maxEntries of them (the first ones the folder lists). Empty when the
// folder cannot be read.
std::vector<std::string> FolderEntries(const std::string& folder, std::size_t maxEntries = 4096);

// The canonical form of a folder (links resolved), or "" when it cannot be
// resolved.
std::string CanonicalFolder(const std::string& path);

// True when text holds a control character (a byte below 32, or 127): such
// a name or folder cannot be shown on one line and is left out.
bool HasControlCharacter(const std::string& text);

// a + "/" + b, without doubling a slash.
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace sl::session
