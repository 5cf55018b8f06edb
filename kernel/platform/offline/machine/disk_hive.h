// A hive read from a Windows disk, put into the registry model (hive/) so
// that the disk's registry is walked, ordered and seen through the 32-bit
// view exactly as a Wine prefix's is.
#pragma once

#include <memory>
#include <string_view>

#include "kernel/platform/hive/hive_tree.h"
#include "kernel/platform/offline/offline_hive.h"

namespace sl::platform::offline {

class DiskHive : public hive::HiveTree {
public:
    // An empty hive (a root without subkeys or values).
    DiskHive() = default;

    // The model of hive, with its root's contents placed below the path
    // mountAt ("Software" for an NT SOFTWARE hive; empty: at the root).
    // Names and classes become UTF-16 (9x ones from code page 1252); string
    // data becomes UTF-16LE ending in a zero (one is added where the disk
    // stored none), other data is kept as stored. hive is emptied on the way,
    // so the disk's hive is not held twice.
    static std::unique_ptr<DiskHive> FromOffline(OfflineHive&& hive, std::u16string_view mountAt);

private:
    void AddKey(hive::HiveKey& into, OfflineKey& from, HiveText text);
};

}  // namespace sl::platform::offline
