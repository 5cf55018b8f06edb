// Path text helpers shared by the kernel.
#pragma once

#include <string>
#include <string_view>

namespace sl {

// True when a and b are the same text but for the case of ASCII letters
// (how Windows compares key and file names here).
bool EqualNoCaseAscii(std::string_view a, std::string_view b);

// path with a backslash appended unless it is empty or already ends with one.
std::string WithTrailingBackslash(const std::string& path);

// True for the name of a file directly in a folder: not empty, not "." or
// "..", and no folder separator or drive colon in it.
bool IsPlainFileName(const std::string& name);

// The text before the last backslash (empty when there is none); a bare
// drive such as "C:" gets its backslash back ("C:\").
std::string DirectoryPart(const std::string& path);

}  // namespace sl
