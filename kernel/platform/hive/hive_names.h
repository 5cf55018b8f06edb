// Registry names compare without regard to case, the way Wine compares them:
// unit by unit after lower-casing, a name that is a prefix of another first.
// This is also the order in which keys and values enumerate and are written.
#pragma once

#include <string_view>

namespace sl::platform::hive {

// Lower-case form of one UTF-16 unit (ASCII, Latin-1, Latin Extended-A,
// Greek, Cyrillic and full-width Latin; other units are returned unchanged).
char16_t FoldCase(char16_t c);

// <0, 0, >0 as a sorts before, equal to, after b.
int CompareNames(std::u16string_view a, std::u16string_view b);

inline bool NamesEqual(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && CompareNames(a, b) == 0;
}

}  // namespace sl::platform::hive
