// Link keys. A key marked as a link stands for another key, which its value
// SymbolicLinkValue (of type REG_LINK) names by its path in the registry's
// own namespace: "\Registry\Machine\..." for the machine's hive,
// "\Registry\User\<SID>\..." (or "\Registry\User\.Default\...") for a
// user's. That form is the same on every machine; each one maps the root to
// its own hives and follows the link there.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "kernel/platform/hive/hive_key.h"

namespace sl::platform::hive {

inline constexpr DWORD kRegLink = 6;

// Where a link points.
struct LinkPlace {
    enum class Root { Machine, User };
    Root root = Root::Machine;
    std::u16string user;               // for Root::User: the SID or ".Default"
    std::vector<std::u16string> path;  // the names below that root
};

// The place the link key names: false when it holds no SymbolicLinkValue of
// type REG_LINK, or that names no place below \Registry\Machine or
// \Registry\User\<name> (names compare without regard to case; trailing
// zeros of the value are ignored).
bool ReadLinkPlace(const HiveKey& key, LinkPlace* place);

// The names of a key path ("a\b"), empty elements left out.
std::vector<std::u16string> SplitKeyPath(std::u16string_view text);

}  // namespace sl::platform::hive
