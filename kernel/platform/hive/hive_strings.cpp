#include "kernel/platform/hive/hive_strings.h"

#include <algorithm>

namespace sl::platform::hive {
namespace {

constexpr std::size_t kBlockUnits = 8192;
// Longer texts get a block of their own, so little of a shared block is lost.
constexpr std::size_t kOwnBlockUnits = kBlockUnits / 8;

}  // namespace

std::u16string_view HiveStrings::Keep(std::u16string_view text) {
    if (text.empty()) return {};
    if (text.size() > kOwnBlockUnits) {
        auto own = std::make_unique_for_overwrite<char16_t[]>(text.size());
        std::copy(text.begin(), text.end(), own.get());
        // Keep the shared block last: it is where small texts still go.
        auto at = blocks_.empty() ? blocks_.end() : blocks_.end() - 1;
        return {blocks_.insert(at, std::move(own))->get(), text.size()};
    }
    if (capacity_ - used_ < text.size()) {
        blocks_.push_back(std::make_unique_for_overwrite<char16_t[]>(kBlockUnits));
        used_ = 0;
        capacity_ = kBlockUnits;
    }
    char16_t* at = blocks_.back().get() + used_;
    std::copy(text.begin(), text.end(), at);
    used_ += text.size();
    return {at, text.size()};
}

}  // namespace sl::platform::hive
