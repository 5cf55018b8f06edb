// Windows-style name matching for directory searches, on names in the ANSI
// code page (1252): letters compare without regard to case.
#pragma once

#include <string>

namespace sl::platform::wine {

// The upper-case form of one code page 1252 character (ASCII and the
// accented Latin letters; other characters unchanged).
char ToUpperAnsi(char c);

// Orders two names without regard to case: <0, 0 or >0. Names equal but for
// case compare 0.
int CompareNoCase(const std::string& a, const std::string& b);
inline bool EqualNoCase(const std::string& a, const std::string& b) {
    return CompareNoCase(a, b) == 0;
}

// True when the text holds '*' or '?'.
bool HasWildcards(const std::string& text);

// True when name matches pattern: '*' matches any run of characters (also an
// empty one), '?' exactly one character, every other character itself without
// regard to case. The pattern "*.*" matches every name, with or without a dot.
bool MatchesWildcard(const std::string& pattern, const std::string& name);

}  // namespace sl::platform::wine
