// Where a name stands among a key's subkeys or values kept in Wine's order
// (hive_names.h): the model's binary searches.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "kernel/platform/hive/hive_key.h"
#include "kernel/platform/hive/hive_names.h"

namespace sl::platform::hive {

// The index of name among values, or where it would go; found tells which.
inline std::size_t FindValueIndex(const std::vector<HiveValue>& values, std::u16string_view name,
                                  bool& found) {
    auto it = std::lower_bound(values.begin(), values.end(), name,
                               [](const HiveValue& v, std::u16string_view n) {
                                   return CompareNames(v.name, n) < 0;
                               });
    found = it != values.end() && NamesEqual(it->name, name);
    return static_cast<std::size_t>(it - values.begin());
}

// The same among subkeys.
inline std::size_t FindSubkeyIndex(const std::vector<std::unique_ptr<HiveKey>>& subkeys,
                                   std::u16string_view name, bool& found) {
    auto it = std::lower_bound(subkeys.begin(), subkeys.end(), name,
                               [](const std::unique_ptr<HiveKey>& k, std::u16string_view n) {
                                   return CompareNames(k->name, n) < 0;
                               });
    found = it != subkeys.end() && NamesEqual((*it)->name, name);
    return static_cast<std::size_t>(it - subkeys.begin());
}

}  // namespace sl::platform::hive
