// What the ANSI registry calls return for the model's keys and values: names,
// classes and string data in code page 1252, sizes, 234 for a short buffer.
// Every machine that answers registry calls from the model (a Wine prefix, a
// Windows disk) answers through these, so they behave the same.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "kernel/platform/hive/hive_key.h"

namespace sl::platform::hive {

// True for REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ.
bool IsStringType(DWORD type);

// The data of v as RegQueryValueExA / RegEnumValueA return it: strings
// converted to code page 1252 (with the zero they hold), other types as
// stored. Copies into data when given and large enough (a string gets a
// zero after it when there is room and it has none); *dataLen (may be null
// when data is) receives the size. 234 when data is given and too small.
LONG AnsiValueData(const HiveValue& v, std::uint8_t* data, DWORD* dataLen);

// A value's name into name (*nameLen the buffer size in, the length without
// the zero out): 234 when it does not fit, with as much as fits copied.
LONG AnsiValueName(std::u16string_view valueName, char* name, DWORD* nameLen);

// A subkey's name and class as RegEnumKeyExA returns them (keyClass and
// classLen may be null): 234 when either does not fit.
LONG AnsiSubkeyName(std::u16string_view subName, std::optional<std::u16string_view> subClass,
                    char* name, DWORD* nameLen, char* keyClass, DWORD* classLen);

// RegQueryInfoKey's counts and largest sizes for key (any pointer may be null).
void KeyInfo(const HiveKey& key, DWORD* subKeys, DWORD* maxSubKeyLen, DWORD* values,
             DWORD* maxValueNameLen, DWORD* maxValueLen);

}  // namespace sl::platform::hive
