#include "kernel/platform/hive/ansi_view.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "kernel/platform/codepage/codepage_1252.h"

namespace sl::platform::hive {

using codepage::Utf16BytesToAnsi;
using codepage::Utf16ToAnsi;

namespace {

// Copies len bytes of text as an ANSI string with its zero into buf.
void CopyAnsi(char* buf, const std::string& text, std::size_t len) {
    std::memcpy(buf, text.data(), len);
    buf[len] = 0;
}

}  // namespace

bool IsStringType(DWORD type) {
    return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

LONG AnsiValueData(const HiveValue& v, std::uint8_t* data, DWORD* dataLen) {
    LONG rc = 0;
    if (IsStringType(v.type)) {
        std::string ansi = Utf16BytesToAnsi(reinterpret_cast<const std::uint8_t*>(v.data.data()), v.data.size());
        if (data && !ansi.empty()) {
            if (ansi.size() > *dataLen) {
                rc = static_cast<LONG>(kErrorMoreData);
            } else {
                std::memcpy(data, ansi.data(), ansi.size());
                // Room left and no zero at the end: terminate, as Windows does.
                if (ansi.size() < *dataLen && ansi.back() != 0) data[ansi.size()] = 0;
            }
        }
        if (dataLen) *dataLen = static_cast<DWORD>(ansi.size());
        return rc;
    }
    if (data) {
        if (v.data.size() > *dataLen) {
            rc = static_cast<LONG>(kErrorMoreData);
        } else {
            std::memcpy(data, v.data.data(), v.data.size());
        }
    }
    if (dataLen) *dataLen = static_cast<DWORD>(v.data.size());
    return rc;
}

LONG AnsiValueName(std::u16string_view valueName, char* name, DWORD* nameLen) {
    std::string n = Utf16ToAnsi(valueName);
    if (n.size() >= *nameLen) {
        if (*nameLen) CopyAnsi(name, n, *nameLen - 1);
        return static_cast<LONG>(kErrorMoreData);
    }
    CopyAnsi(name, n, n.size());
    *nameLen = static_cast<DWORD>(n.size());
    return 0;
}

LONG AnsiSubkeyName(std::u16string_view subName, std::optional<std::u16string_view> subClass,
                    char* name, DWORD* nameLen, char* keyClass, DWORD* classLen) {
    std::string n = Utf16ToAnsi(subName);
    std::string c = subClass ? Utf16ToAnsi(*subClass) : std::string();
    if (n.size() >= *nameLen || (keyClass && classLen && c.size() >= *classLen)) {
        return static_cast<LONG>(kErrorMoreData);
    }
    CopyAnsi(name, n, n.size());
    *nameLen = static_cast<DWORD>(n.size());
    if (classLen) {
        *classLen = static_cast<DWORD>(c.size());
        if (keyClass) CopyAnsi(keyClass, c, c.size());
    }
    return 0;
}

void KeyInfo(const HiveKey& key, DWORD* subKeys, DWORD* maxSubKeyLen, DWORD* values,
             DWORD* maxValueNameLen, DWORD* maxValueLen) {
    DWORD maxSub = 0, maxName = 0, maxData = 0;
    for (const auto& s : key.subkeys) maxSub = std::max<DWORD>(maxSub, static_cast<DWORD>(s->name.size()));
    for (const auto& v : key.values()) {
        maxName = std::max<DWORD>(maxName, static_cast<DWORD>(v.name.size()));
        maxData = std::max<DWORD>(maxData, static_cast<DWORD>(v.data.size()));
    }
    if (subKeys) *subKeys = static_cast<DWORD>(key.subkeys.size());
    if (maxSubKeyLen) *maxSubKeyLen = maxSub;
    if (values) *values = static_cast<DWORD>(key.values().size());
    if (maxValueNameLen) *maxValueNameLen = maxName;
    if (maxValueLen) *maxValueLen = maxData;
}

}  // namespace sl::platform::hive
