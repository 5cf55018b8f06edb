// Texts a hive's keys hold for the hive's whole life (key names and
// classes), packed into a few large blocks instead of one allocation each.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace sl::platform::hive {

class HiveStrings {
public:
    // A copy of text that stays valid, unchanged, as long as this object.
    std::u16string_view Keep(std::u16string_view text);

private:
    std::vector<std::unique_ptr<char16_t[]>> blocks_;
    std::size_t used_ = 0;      // units taken in the last shared block
    std::size_t capacity_ = 0;  // units in the last shared block
};

}  // namespace sl::platform::hive
