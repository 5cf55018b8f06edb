// Test support: setting and reading registry values in one call, creating
// the key on the way, so that tests state a machine's registry in a line.
#pragma once

#include <optional>
#include <string>

#include "kernel/platform/platform.h"

namespace sl::testing {

// A value's type and bytes, as the registry holds them.
struct RegValue {
    platform::DWORD type = 0;
    std::string data;
    bool operator==(const RegValue&) const = default;
};

// The bytes of a string value as the ANSI calls take them: the text and its
// zero.
std::string Sz(const std::string& text);

// Sets a value through machine, creating its key (non-volatile, all
// access); with flush, flushes the key's hive afterwards. Fails the test on
// any error.
void SetValue(platform::Platform& machine, platform::HKEY root, const std::string& keyPath,
              const std::string& name, platform::DWORD type, const std::string& data,
              bool flush = false);

// SetValue of a REG_SZ value holding text.
void SetString(platform::Platform& machine, platform::HKEY root, const std::string& keyPath,
               const std::string& name, const std::string& text, bool flush = false);

// The value through machine, or nothing when its key or the value is
// missing (or cannot be read).
std::optional<RegValue> ReadValue(platform::Platform& machine, platform::HKEY root,
                                  const std::string& keyPath, const std::string& name);

}  // namespace sl::testing
