// WineRegistry's calls on values: enumerating, reading and setting them,
// strings seen in code page 1252.
#include "kernel/platform/wine/registry_state.h"

#include <cstring>

#include "kernel/platform/codepage/codepage_1252.h"
#include "kernel/platform/hive/ansi_view.h"
#include "kernel/platform/hive/hive_names.h"

namespace sl::platform::wine {

using namespace sl::platform::codepage;
using namespace sl::platform::hive;
using namespace registry;

LONG WineRegistry::RegEnumValue(HKEY hkey, DWORD index, char* name, DWORD* nameLen, DWORD* type,
                                std::uint8_t* data, DWORD* dataLen) {
    ++state_->call;
    if ((data && !dataLen) || (name && !nameLen)) return static_cast<LONG>(kErrorInvalidParameter);
    Location loc;
    HiveKey* key = nullptr;
    LONG rc = state_->KeyForEnumeration(hkey, index, true, loc, &key);
    if (rc) return rc;
    if (!key || index >= key->values().size()) return static_cast<LONG>(kErrorNoMoreItems);
    const HiveValue& v = key->values()[index];
    rc = AnsiValueData(v, data, dataLen);
    if (name && rc == 0) rc = AnsiValueName(v.name, name, nameLen);
    if (type) *type = v.type;
    return rc;
}

LONG WineRegistry::RegQueryValueEx(HKEY hkey, const char* name, DWORD* type, std::uint8_t* data,
                                   DWORD* dataLen) {
    ++state_->call;
    if (data && !dataLen) return static_cast<LONG>(kErrorInvalidParameter);
    Location loc;
    HiveKey* key = nullptr;
    LONG rc = state_->KeyOf(hkey, loc, &key);
    if (rc) return rc;
    const HiveValue* v = key ? key->FindValue(AnsiToUtf16(name ? name : "")) : nullptr;
    if (!v) return static_cast<LONG>(kErrorFileNotFound);
    rc = AnsiValueData(*v, data, dataLen);
    if (type) *type = v->type;
    return rc;
}

LONG WineRegistry::RegSetValueEx(HKEY hkey, const char* name, DWORD type, const std::uint8_t* data,
                                 DWORD dataLen) {
    ++state_->call;
    Location loc;
    DWORD access = 0;
    LONG rc = state_->Base(hkey, loc, access);
    if (rc) return rc;
    if (!data && dataLen) return static_cast<LONG>(kErrorInvalidParameter);
    if (!(access & kKeySetValue)) return static_cast<LONG>(kErrorAccessDenied);
    rc = state_->BeginWrite();
    if (rc) return rc;
    HiveKey* key = nullptr;
    rc = state_->KeyOf(hkey, loc, &key);
    if (rc) return rc;
    rc = state_->WritableHive(loc.hive);
    if (rc) return rc;
    std::u16string valueName = AnsiToUtf16(name ? name : "");
    if (valueName.size() > kMaxValueNameLen) return static_cast<LONG>(kErrorInvalidParameter);
    std::string bytes = IsStringType(type) ? AnsiToUtf16Bytes(data, dataLen)
                                           : std::string(reinterpret_cast<const char*>(data), dataLen);
    state_->Fresh(loc.hive).SetValue(*key, valueName, type, std::move(bytes), CurrentFileTime());
    return 0;
}

}  // namespace sl::platform::wine
