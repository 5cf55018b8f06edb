#include "kernel/testing/registry_values.h"

#include <gtest/gtest.h>

namespace sl::testing {

std::string Sz(const std::string& text) { return text + std::string(1, '\0'); }

void SetValue(platform::Platform& machine, platform::HKEY root, const std::string& keyPath,
              const std::string& name, platform::DWORD type, const std::string& data,
              bool flush) {
    platform::HKEY key = 0;
    ASSERT_EQ(machine.RegCreateKeyEx(root, keyPath.c_str(), nullptr,
                                     platform::kRegOptionNonVolatile, platform::kKeyAllAccess,
                                     &key, nullptr),
              0)
        << keyPath;
    EXPECT_EQ(machine.RegSetValueEx(key, name.c_str(), type,
                                    reinterpret_cast<const std::uint8_t*>(data.data()),
                                    static_cast<platform::DWORD>(data.size())),
              0)
        << keyPath << " " << name;
    if (flush) EXPECT_EQ(machine.RegFlushKey(key), 0);
    machine.RegCloseKey(key);
}

void SetString(platform::Platform& machine, platform::HKEY root, const std::string& keyPath,
               const std::string& name, const std::string& text, bool flush) {
    SetValue(machine, root, keyPath, name, platform::kRegSz, Sz(text), flush);
}

std::optional<RegValue> ReadValue(platform::Platform& machine, platform::HKEY root,
                                  const std::string& keyPath, const std::string& name) {
    platform::HKEY key = 0;
    if (machine.RegOpenKeyEx(root, keyPath.c_str(), platform::kKeyRead, &key) != 0) {
        return std::nullopt;
    }
    RegValue value;
    platform::DWORD size = 0;
    platform::LONG rc = machine.RegQueryValueEx(key, name.c_str(), &value.type, nullptr, &size);
    if (rc == 0) {
        value.data.resize(size);
        rc = machine.RegQueryValueEx(key, name.c_str(), &value.type,
                                     reinterpret_cast<std::uint8_t*>(value.data.data()), &size);
        value.data.resize(size);
    }
    machine.RegCloseKey(key);
    if (rc != 0) return std::nullopt;
    return value;
}

}  // namespace sl::testing
