#include "kernel/platform/hive/wow64_view.h"

#include "kernel/platform/hive/hive_names.h"

namespace sl::platform::hive {

bool IsWow64NodeName(std::u16string_view name) { return NamesEqual(name, kWow64NodeName); }

bool IsWow64Machine(const HiveTree& machineHive) {
    const std::string& arch = machineHive.arch();
    if (!arch.empty()) return arch == "win64";
    const HiveKey* software = machineHive.root().FindSubkey(u"Software");
    return software && software->FindSubkey(kWow64NodeName);
}

HiveKey* RedirectFor32Bit(HiveKey* key, std::u16string_view next) {
    if (!key || IsWow64NodeName(next) || IsWow64NodeName(key->name)) return key;
    HiveKey* node = key->FindSubkey(kWow64NodeName);
    return node ? node : key;
}

bool IsSharedWow64Node(const HiveKey& key) {
    const HiveKey* classes = key.parent;
    const HiveKey* software = classes ? classes->parent : nullptr;
    return software && software->parent && !software->parent->parent && IsWow64NodeName(key.name) &&
           NamesEqual(classes->name, u"Classes") && NamesEqual(software->name, u"Software");
}

}  // namespace sl::platform::hive
