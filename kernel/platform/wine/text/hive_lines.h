// Reading the lines of Wine's registry text: blanks, option lines and value
// lines (with their continuation lines). Shared by the hive's loader.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "kernel/platform/wine/text/hive.h"
#include "kernel/platform/hive/hive_strings.h"

namespace sl::platform::wine::hive_text {

bool IsSpace(char c);
bool IsHexDigit(char c);
unsigned HexDigit(char c);
bool StartsWith(std::string_view s, std::string_view prefix);
// A line without its end ("\n" or "\r\n").
std::string_view Trimmed(std::string_view line);
// Only blanks (or nothing).
bool IsBlank(std::string_view line);
// Stores units as UTF-16LE bytes in out, replacing what it held.
void UnitsToBytes(std::u16string_view units, std::string& out);
// A value line: "@=" for the default value, or a quoted name (line not empty).
bool IsValueLine(std::string_view line);
// Whether line is an option line this code understands ("#time=", a
// readable "#class=", "#link"); when key is given, the option is applied to
// it (a class kept in strings).
bool ReadOption(std::string_view line, HiveKey* key, HiveStrings* strings, std::u16string& scratch);
// Reads the value line `line` of text t into value (whose name and data are
// empty). pos is where the next line starts; a hex value may go on over
// continuation lines, and pos then moves past them. False when the value
// cannot be read.
bool ReadValue(std::string_view t, std::string_view line, std::size_t& pos, HiveValue& value,
               std::u16string& units);
// Only a hex value goes on over continuation lines, and only where its line
// holds a backslash: the cheap test loading uses to find where a section ends
// without reading every value.
bool MayContinue(std::string_view valueLine);

}  // namespace sl::platform::wine::hive_text
