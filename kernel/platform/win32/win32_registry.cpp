// Win32Platform's registry calls: the ANSI registry functions, in the 32-bit
// applications' view.
#include "kernel/platform/win32/win32_platform.h"
#include "kernel/platform/win32/windows_api.h"

namespace {
// Windows' predefined keys. Named out here: inside the backend's namespace
// HKEY is the interface's integer type, which the macros would cast to.
const ::HKEY kClassesRoot = HKEY_CLASSES_ROOT;
const ::HKEY kCurrentUser = HKEY_CURRENT_USER;
const ::HKEY kLocalMachine = HKEY_LOCAL_MACHINE;
const ::HKEY kUsers = HKEY_USERS;
}  // namespace

namespace sl::platform::win32 {
namespace {

// Every key is opened as a 32-bit program opens it.
constexpr REGSAM kView = KEY_WOW64_32KEY;

// The real key for a handle of the interface: the four predefined roots
// are written as 32-bit numbers in backup files, while Windows' own
// predefined handles are those numbers sign-extended.
::HKEY Native(HKEY key) {
    switch (key) {
        case kHkeyClassesRoot: return kClassesRoot;
        case kHkeyCurrentUser: return kCurrentUser;
        case kHkeyLocalMachine: return kLocalMachine;
        case kHkeyUsers: return kUsers;
        default: return reinterpret_cast<::HKEY>(key);
    }
}

bool IsPredefined(HKEY key) {
    return key == kHkeyClassesRoot || key == kHkeyCurrentUser || key == kHkeyLocalMachine ||
           key == kHkeyUsers;
}

HKEY Handle(::HKEY key) { return reinterpret_cast<HKEY>(key); }

// Copies a count the API filled back to the caller's (narrower-typed) out
// pointer, when there is one.
void Put(DWORD* out, ::DWORD value) {
    if (out) *out = static_cast<DWORD>(value);
}

}  // namespace

LONG Win32Platform::RegOpenKeyEx(HKEY root, const char* subKey, DWORD samDesired,
                                 HKEY* result) {
    ::HKEY key = nullptr;
    LONG rc = ::RegOpenKeyExA(Native(root), subKey, 0, samDesired | kView, &key);
    if (rc == ERROR_SUCCESS) *result = Handle(key);
    return rc;
}

LONG Win32Platform::RegCreateKeyEx(HKEY root, const char* subKey, const char* keyClass,
                                   DWORD options, DWORD samDesired, HKEY* result,
                                   DWORD* disposition) {
    ::HKEY key = nullptr;
    ::DWORD how = 0;
    LONG rc = ::RegCreateKeyExA(Native(root), subKey, 0, const_cast<char*>(keyClass), options,
                                samDesired | kView, nullptr, &key, &how);
    if (rc != ERROR_SUCCESS) return rc;
    *result = Handle(key);
    Put(disposition, how);
    return rc;
}

LONG Win32Platform::RegCloseKey(HKEY key) {
    if (IsPredefined(key)) return ERROR_SUCCESS;
    return ::RegCloseKey(Native(key));
}

LONG Win32Platform::RegQueryInfoKey(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLen,
                                    DWORD* values, DWORD* maxValueNameLen, DWORD* maxValueLen) {
    ::DWORD counts[5] = {};
    LONG rc = ::RegQueryInfoKeyA(Native(key), nullptr, nullptr, nullptr, &counts[0], &counts[1],
                                 nullptr, &counts[2], &counts[3], &counts[4], nullptr, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    Put(subKeys, counts[0]);
    Put(maxSubKeyLen, counts[1]);
    Put(values, counts[2]);
    Put(maxValueNameLen, counts[3]);
    Put(maxValueLen, counts[4]);
    return rc;
}

LONG Win32Platform::RegEnumKeyEx(HKEY key, DWORD index, char* name, DWORD* nameLen,
                                 char* keyClass, DWORD* classLen) {
    if (!nameLen) return ERROR_INVALID_PARAMETER;
    ::DWORD n = *nameLen;
    ::DWORD c = classLen ? *classLen : 0;
    LONG rc = ::RegEnumKeyExA(Native(key), index, name, &n, nullptr, keyClass,
                              classLen ? &c : nullptr, nullptr);
    if (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
        *nameLen = n;
        Put(classLen, c);
    }
    return rc;
}

LONG Win32Platform::RegEnumValue(HKEY key, DWORD index, char* name, DWORD* nameLen, DWORD* type,
                                 std::uint8_t* data, DWORD* dataLen) {
    if (!nameLen) return ERROR_INVALID_PARAMETER;
    ::DWORD n = *nameLen;
    ::DWORD t = 0;
    ::DWORD size = dataLen ? *dataLen : 0;
    LONG rc = ::RegEnumValueA(Native(key), index, name, &n, nullptr, &t, data,
                              dataLen ? &size : nullptr);
    if (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
        *nameLen = n;
        Put(type, t);
        Put(dataLen, size);
    }
    return rc;
}

LONG Win32Platform::RegQueryValueEx(HKEY key, const char* name, DWORD* type, std::uint8_t* data,
                                    DWORD* dataLen) {
    ::DWORD t = 0;
    ::DWORD size = dataLen ? *dataLen : 0;
    LONG rc = ::RegQueryValueExA(Native(key), name, nullptr, &t, data, dataLen ? &size : nullptr);
    if (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
        Put(type, t);
        Put(dataLen, size);
    }
    return rc;
}

LONG Win32Platform::RegSetValueEx(HKEY key, const char* name, DWORD type,
                                  const std::uint8_t* data, DWORD dataLen) {
    return ::RegSetValueExA(Native(key), name, 0, type, data, dataLen);
}

LONG Win32Platform::RegFlushKey(HKEY key) { return ::RegFlushKey(Native(key)); }

}  // namespace sl::platform::win32
