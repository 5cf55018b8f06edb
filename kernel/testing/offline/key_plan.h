// Test support: the registry tree a test wants written into a hive file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sl::testing::offline {

struct ValuePlan {
    std::string name;      // UTF-8 for NT hives, ANSI bytes for 9x files; "" the default value
    std::uint32_t type = 0;
    std::string data;      // raw bytes as they are to be stored
};

struct KeyPlan {
    std::string name;      // UTF-8 for NT hives, ANSI bytes for 9x files
    bool hasClass = false;
    std::string keyClass;  // UTF-8 (NT hives only)
    std::vector<ValuePlan> values;
    std::vector<KeyPlan> subkeys;

    // The key at a backslash-separated path below this one (exact names),
    // made where missing.
    KeyPlan& Key(std::string_view path);
    // Adds a value (or replaces one of the same exact name); returns *this.
    KeyPlan& Set(std::string name, std::uint32_t type, std::string data);
};

// UTF-8 text as UTF-16LE bytes, without a terminating zero.
std::string Utf16Le(std::string_view utf8);
// String data as NT stores it: UTF-16LE with its terminating zero.
std::string NtText(std::string_view utf8);
// String data as 9x stores it: the bytes with their terminating zero.
std::string AnsiText(std::string_view bytes);
// A DWORD as stored (little endian).
std::string Dword(std::uint32_t value);

}  // namespace sl::testing::offline
