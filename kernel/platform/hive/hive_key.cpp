#include "kernel/platform/hive/hive_key.h"

#include <algorithm>

#include "kernel/platform/hive/hive_names.h"
#include "kernel/platform/hive/hive_order.h"

namespace sl::platform::hive {

HiveKey* HiveKey::FindSubkey(std::u16string_view subName) const {
    bool found = false;
    std::size_t index = FindSubkeyIndex(subkeys, subName, found);
    return found ? subkeys[index].get() : nullptr;
}

const HiveValue* HiveKey::FindValue(std::u16string_view valueName) const {
    const std::vector<HiveValue>& all = values();
    bool found = false;
    std::size_t index = FindValueIndex(all, valueName, found);
    return found ? &all[index] : nullptr;
}

const std::vector<HiveValue>& HiveKey::values() const {
    static const std::vector<HiveValue> kNone;
    ReadPending();
    return decoded_ ? decoded_->values : kNone;
}

const std::vector<std::string_view>& HiveKey::extraLines() const {
    static const std::vector<std::string_view> kNone;
    ReadPending();
    return decoded_ ? decoded_->extraLines : kNone;
}

KeyContents& HiveKey::contents() const {
    ReadPending();
    if (!decoded_) decoded_ = std::make_unique<KeyContents>();
    return *decoded_;
}

void HiveKey::SetPending(const KeyReader* reader) const {
    reader_ = reader;
    pending_ = true;
}

void HiveKey::ReleaseDecoded() const {
    if (!decoded_) return;
    if (!hasRaw || regenerate || pending_ || !reader_) {
        std::vector<HiveValue>& values = decoded_->values;
        if (!trimmed_ && values.capacity() - values.size() > values.size() / 8) {
            values.shrink_to_fit();
            trimmed_ = true;
        }
        return;
    }
    decoded_.reset();
    pending_ = true;
}

void HiveKey::ReadPending() const {
    if (!pending_) return;
    pending_ = false;
    reader_->Read(*this);
}

void PutValue(std::vector<HiveValue>& values, HiveValue value) {
    if (values.empty() || CompareNames(values.back().name, value.name) < 0) {
        values.push_back(std::move(value));
        return;
    }
    bool found = false;
    std::size_t index = FindValueIndex(values, value.name, found);
    if (found) {
        values[index] = std::move(value);
    } else {
        values.insert(values.begin() + static_cast<std::ptrdiff_t>(index), std::move(value));
    }
}

}  // namespace sl::platform::hive
