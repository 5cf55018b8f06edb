#include "kernel/testing/prefix_registry.h"

#include "kernel/platform/platform.h"
#include "kernel/platform/wine/wine_platform.h"

namespace sl::testing {
namespace {

void ReadTree(platform::Platform& machine, platform::HKEY key, const std::string& path,
              std::map<std::string, std::string>* out) {
    for (platform::DWORD i = 0;; ++i) {
        char name[512];
        platform::DWORD nameLen = sizeof(name);
        platform::DWORD type = 0;
        std::uint8_t data[8192];
        platform::DWORD dataLen = sizeof(data);
        if (machine.RegEnumValue(key, i, name, &nameLen, &type, data, &dataLen) != 0) break;
        (*out)[path + "\\" + std::string(name, nameLen)] =
            std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), dataLen);
    }
    for (platform::DWORD i = 0;; ++i) {
        char name[256];
        platform::DWORD nameLen = sizeof(name);
        if (machine.RegEnumKeyEx(key, i, name, &nameLen, nullptr, nullptr) != 0) break;
        const std::string sub(name, nameLen);
        platform::HKEY child = 0;
        if (machine.RegOpenKeyEx(key, sub.c_str(), platform::kKeyRead, &child) == 0) {
            ReadTree(machine, child, path + "\\" + sub, out);
            machine.RegCloseKey(child);
        }
    }
}

}  // namespace

std::map<std::string, std::string> PrefixRegistryTree(const std::string& prefix, uintptr_t root,
                                                      const std::string& key) {
    platform::wine::WinePlatform machine(prefix);
    std::map<std::string, std::string> tree;
    platform::HKEY handle = 0;
    if (machine.RegOpenKeyEx(root, key.c_str(), platform::kKeyRead, &handle) == 0) {
        ReadTree(machine, handle, "", &tree);
        machine.RegCloseKey(handle);
    }
    return tree;
}

bool SetPrefixRegistryString(const std::string& prefix, uintptr_t root, const std::string& key,
                             const std::string& name, const std::string& value) {
    platform::wine::WinePlatform machine(prefix);
    platform::HKEY handle = 0;
    if (machine.RegCreateKeyEx(root, key.c_str(), nullptr, 0, platform::kKeyAllAccess, &handle,
                               nullptr) != 0) {
        return false;
    }
    const bool set = machine.RegSetValueEx(handle, name.c_str(), platform::kRegSz,
                                           reinterpret_cast<const std::uint8_t*>(value.c_str()),
                                           static_cast<platform::DWORD>(value.size() + 1)) == 0;
    machine.RegCloseKey(handle);
    return set && machine.FlushRegistry() == 0;
}

}  // namespace sl::testing
