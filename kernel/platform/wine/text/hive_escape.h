// The escaped text of Wine's hive files: key paths, value names, string data
// and class strings are UTF-16, written as 7-bit text with backslash escapes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sl::platform::wine {

// Appends text as Wine writes it: backslash, q1 and q2 get a backslash;
// units above 127 become \xNNN (four digits when a hex digit follows);
// control characters become \a \b \t \n \v \f \r \e or octal (\0, or three
// digits when an octal digit follows). When dropFinalZero is set, a zero as
// the very last unit is left out (string data carries its terminating zero).
// Returns the number of bytes appended.
std::size_t AppendEscaped(std::string& out, std::u16string_view text, char q1, char q2,
                          bool dropFinalZero = false);

// Reads escaped text starting at src[pos] up to the unescaped endChar and
// appends the units to out (bytes above 127 are read as UTF-8, invalid ones
// skipped). Returns the position just past endChar, or npos when endChar
// never comes.
std::size_t ParseEscaped(std::string_view src, std::size_t pos, char endChar, std::u16string& out);

}  // namespace sl::platform::wine
