// DOS paths of a Wine prefix and the Unix paths they name.
//
// A drive letter X maps through the link <prefix>/dosdevices/x: (c: to
// ../drive_c, z: to / in a fresh prefix). Every call sees the link's
// current text (the link is watched, or else read); where it leads is
// resolved again whenever its text changed (a folder on the way there
// replaced by a link while the process runs goes unseen). Below it every
// path element is matched without regard to case, as Wine does: the exact
// name first, else the first entry of the folder that equals it in the ANSI
// code page without regard to case. An element that exists in no case keeps
// the case given, so creating it creates that name. DOS names are in code
// page 1252; Unix names are UTF-8, and only a name that is the UTF-8 form of
// an ANSI name can match (a name with over-long UTF-8 sequences matches no
// DOS name, as in Wine).
#pragma once

#include <string>

#include "kernel/platform/codepage/codepage_1252.h"
#include "kernel/platform/platform.h"

namespace sl::platform::wine {

// Maps a DOS path to a Unix path. Accepted forms:
//   X:\a\b   a drive (X:a is taken as X:\a: there is no per-drive folder)
//   \a\b     the root of the drive holding the process's current folder
//   a\b      relative to the process's current folder (the Unix one)
// '/' separates elements as '\' does; "." elements are dropped and ".."
// removes the previous element but never climbs above the drive's root (or
// above / for relative paths). A trailing separator is ignored. The drive's
// link is resolved in the result (C:\ gives <prefix>/drive_c, not the link).
// Results: 0 with *unixPath set; 3 for a \\server path, an unmapped drive or
// a root-relative path whose current folder lies on no drive; 123 when an
// element holds a character Windows forbids in names (< > : " | ? * or a
// control character).
// *missing (when given) is set true when the mapping saw that the folder
// holds nothing of the last element's name in any case, false otherwise
// (also when it did not look).
// With *unchecked given, the last element may be left as spelt without a
// look at whether that spelling exists (*unchecked then true): a caller that
// is about to open the result anyway saves the look, and only when nothing
// is there must it map the path again without unchecked.
DWORD DosToUnixPath(const std::string& prefix, const std::string& dosPath, std::string* unixPath,
                    bool* missing = nullptr, bool* unchecked = nullptr);

// The DOS form ("X:\a\b", "X:\" for a drive's root) of a Unix path, through
// the drive whose link target holds it; when several do, the one with the
// longest target (so C: wins over Z: for files in drive_c). A relative path
// is taken against the current folder; links in it are resolved. Empty when
// no drive holds the path, or when a name in it holds a backslash.
std::string UnixToDosPath(const std::string& prefix, const std::string& unixPath);

// Code page 1252 text to UTF-8, and back (codepage_1252.h).
using codepage::AnsiToUtf8;
using codepage::Utf8ToAnsi;

}  // namespace sl::platform::wine
