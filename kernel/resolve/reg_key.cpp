#include "kernel/resolve/reg_key.h"

#include <cstring>
#include <vector>

#include "kernel/log/log.h"

namespace sl {

using platform::Current;
using platform::DWORD;
using platform::LONG;

CSLRegKey::CSLRegKey(platform::HKEY root, const std::string& path, bool create) {
    Open(root, path, create);
}

CSLRegKey::~CSLRegKey() { Close(); }

LONG CSLRegKey::Open(platform::HKEY root, const std::string& path, bool create) {
    Close();
    platform::HKEY key = 0;
    LONG rc;
    if (create) {
        rc = Current().RegCreateKeyEx(root, path.c_str(), nullptr, platform::kRegOptionNonVolatile,
                                      platform::kKeyRead | platform::kKeySetValue, &key, nullptr);
    } else {
        rc = Current().RegOpenKeyEx(root, path.c_str(), platform::kKeyRead, &key);
    }
    handle_ = rc == 0 ? key : 0;
    return rc;
}

std::string CSLRegKey::QueryString(const std::string& valueName,
                                   const std::string& defaultText) const {
    if (handle_ == 0) return defaultText;
    std::uint8_t buffer[257] = {};
    DWORD size = 256;
    DWORD type = 0;
    LONG rc = Current().RegQueryValueEx(handle_, valueName.c_str(), &type, buffer, &size);
    if (rc != 0) return defaultText;
    if (size > 256) size = 256;
    if (type == platform::kRegBinary) buffer[size] = 0;
    buffer[256] = 0;
    std::size_t length = strnlen(reinterpret_cast<const char*>(buffer), size);
    return std::string(reinterpret_cast<const char*>(buffer), length);
}

LONG CSLRegKey::SetValue(const std::string& valueName, DWORD type, const std::uint8_t* data,
                         DWORD size) const {
    if (handle_ == 0) return platform::kErrorInvalidHandle;
    return Current().RegSetValueEx(handle_, valueName.c_str(), type, data, size);
}

LONG CSLRegKey::Close() {
    if (handle_ == 0) return 0;
    LONG rc = Current().RegCloseKey(handle_);
    handle_ = 0;
    return rc;
}

CSLRegKeyEnum::~CSLRegKeyEnum() { Close(); }

LONG CSLRegKeyEnum::EnumerateKeys(DWORD index, std::string& name, std::string& keyClass) {
    std::vector<char> nameBuffer(2048, 0);
    std::vector<char> classBuffer(2048, 0);
    DWORD nameLength = 2047;
    DWORD classLength = 2047;
    LONG rc = Current().RegEnumKeyEx(handle_, index, nameBuffer.data(), &nameLength,
                                     classBuffer.data(), &classLength);
    if (rc != 0 && rc != platform::kErrorNoMoreItems) {
        AppendLog(Format("EnumerateKeys Error: %i, %i", static_cast<int>(rc),
                         static_cast<int>(index)),
                  kLogName);
        return rc;
    }
    name.assign(nameBuffer.data());
    keyClass.assign(classBuffer.data());
    return 0;
}

std::string RootedKeyName(std::uint32_t root, const std::string& keyPath) {
    const char* name = root == platform::kHkeyClassesRoot    ? "HKEY_CLASSES_ROOT"
                       : root == platform::kHkeyCurrentUser  ? "HKEY_CURRENT_USER"
                       : root == platform::kHkeyLocalMachine ? "HKEY_LOCAL_MACHINE"
                       : root == platform::kHkeyUsers        ? "HKEY_USERS"
                                                             : "HKEY";
    return keyPath.empty() ? std::string(name) : std::string(name) + "\\" + keyPath;
}

}  // namespace sl
