// The registry of a Wine prefix, read and written directly from its hive
// files (system.reg, user.reg, userdef.reg), offline, the way programs inside
// the prefix see it.
//
// Roots:
//   HKLM                  system.reg
//   HKCU                  user.reg
//   HKCR                  HKLM\Software\Classes
//   HKU\.Default          userdef.reg
//   HKU\<SID>             user.reg (the SID in its header, S-1-5-21-0-0-0-1000
//                         when it names none)
//
// The methods behave as the ANSI Win32 calls of the same name (see
// kernel/platform/platform.h): names compare without regard to case, string
// values are seen in code page 1252, errors are Win32 numbers. Writes stay in
// memory until RegFlushKey or FlushAll writes the changed hive back, whole or
// not at all. While serverRunning() says a wineserver owns the prefix, every
// write (setting a value, creating a key, flushing) is refused with 32; reads
// still work. A hive whose file does not start with Wine's header line is
// treated as empty and is never written (writes into it fail with 5).
//
// One writer per prefix: the first write (creating a key, setting a value)
// takes the prefix's writer lock (see prefix_lock.h) and re-reads what
// another process wrote meanwhile; a flush after which nothing is left
// unwritten gives it up. A write that cannot get the lock within writerWait
// fails with 33; a lock file that is not a regular file fails it with 5.
//
// Not thread-safe: one caller at a time.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "kernel/platform/platform.h"

namespace sl::platform::wine {

class WineRegistry {
public:
    WineRegistry(std::string prefixPath, std::function<bool()> serverRunning,
                 std::chrono::milliseconds writerWait = std::chrono::seconds(10));
    ~WineRegistry();
    WineRegistry(const WineRegistry&) = delete;
    WineRegistry& operator=(const WineRegistry&) = delete;

    LONG RegOpenKeyEx(HKEY root, const char* subKey, DWORD samDesired, HKEY* result);
    LONG RegCreateKeyEx(HKEY root, const char* subKey, const char* keyClass, DWORD options,
                        DWORD samDesired, HKEY* result, DWORD* disposition);
    LONG RegCloseKey(HKEY key);
    LONG RegQueryInfoKey(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLen, DWORD* values,
                         DWORD* maxValueNameLen, DWORD* maxValueLen);
    LONG RegEnumKeyEx(HKEY key, DWORD index, char* name, DWORD* nameLen, char* keyClass,
                      DWORD* classLen);
    LONG RegEnumValue(HKEY key, DWORD index, char* name, DWORD* nameLen, DWORD* type,
                      std::uint8_t* data, DWORD* dataLen);
    LONG RegQueryValueEx(HKEY key, const char* name, DWORD* type, std::uint8_t* data,
                         DWORD* dataLen);
    LONG RegSetValueEx(HKEY key, const char* name, DWORD type, const std::uint8_t* data,
                       DWORD dataLen);
    // Writes the hive holding key if it changed (0 when nothing changed).
    LONG RegFlushKey(HKEY key);
    // Writes every changed hive; the first error, after trying them all.
    LONG FlushAll();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace sl::platform::wine
