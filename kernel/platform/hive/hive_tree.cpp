#include "kernel/platform/hive/hive_tree.h"

#include <chrono>
#include <vector>

#include "kernel/platform/hive/hive_order.h"

namespace sl::platform::hive {
namespace {

constexpr std::uint64_t kTicks1601To1970 = 116444736000000000ULL;

}  // namespace

HiveTree::HiveTree() : root_(std::make_unique<HiveKey>()) {}

HiveTree::~HiveTree() {
    // Keys are taken apart one by one, leaves last, instead of each
    // destroying its subkeys in turn: a tree of any depth goes without
    // using the stack for every level.
    std::vector<std::unique_ptr<HiveKey>> pending;
    pending.push_back(std::move(root_));
    while (!pending.empty()) {
        std::unique_ptr<HiveKey> key = std::move(pending.back());
        pending.pop_back();
        for (auto& sub : key->subkeys) pending.push_back(std::move(sub));
        key->subkeys.clear();
    }
}

HiveKey* HiveTree::FindOrAddSubkey(HiveKey& parent, std::u16string_view name) {
    auto& subs = parent.subkeys;
    std::size_t index = subs.size();
    if (!subs.empty()) {
        int c = CompareNames(subs.back()->name, name);
        if (c == 0 && subs.back()->name.size() == name.size()) return subs.back().get();
        if (c >= 0) {
            bool found = false;
            index = FindSubkeyIndex(subs, name, found);
            if (found) return subs[index].get();
        }
    }
    auto key = std::make_unique<HiveKey>();
    key->name = strings_.Keep(name);
    key->parent = &parent;
    HiveKey* added = key.get();
    subs.insert(subs.begin() + static_cast<std::ptrdiff_t>(index), std::move(key));
    return added;
}

HiveKey* HiveTree::CreateSubkey(HiveKey& parent, std::u16string_view name,
                                const std::u16string* keyClass, std::uint64_t now) {
    bool found = false;
    std::size_t index = FindSubkeyIndex(parent.subkeys, name, found);
    if (found) return parent.subkeys[index].get();
    auto key = std::make_unique<HiveKey>();
    key->name = strings_.Keep(name);
    key->parent = &parent;
    key->modified = now;
    if (keyClass && !keyClass->empty()) key->keyClass = strings_.Keep(*keyClass);
    HiveKey* created = key.get();
    parent.subkeys.insert(parent.subkeys.begin() + static_cast<std::ptrdiff_t>(index),
                          std::move(key));
    parent.modified = now;
    parent.regenerate = true;
    changed_ = true;
    return created;
}

bool HiveTree::SetValue(HiveKey& key, std::u16string_view name, DWORD type, std::string data,
                        std::uint64_t now) {
    std::vector<HiveValue>& values = key.contents().values;
    bool found = false;
    std::size_t index = FindValueIndex(values, name, found);
    if (found) {
        HiveValue& v = values[index];
        if (v.type == type && v.data == data) return false;
        v.type = type;
        v.data = std::move(data);
    } else {
        HiveValue v;
        v.name.assign(name);
        v.type = type;
        v.data = std::move(data);
        values.insert(values.begin() + static_cast<std::ptrdiff_t>(index), std::move(v));
    }
    key.modified = now;
    key.regenerate = true;
    changed_ = true;
    return true;
}

std::uint64_t CurrentFileTime() {
    auto since = std::chrono::system_clock::now().time_since_epoch();
    auto ticks = std::chrono::duration_cast<std::chrono::nanoseconds>(since).count() / 100;
    return static_cast<std::uint64_t>(ticks) + kTicks1601To1970;
}

}  // namespace sl::platform::hive
