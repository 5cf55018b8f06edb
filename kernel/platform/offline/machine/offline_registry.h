// The registry of a Windows installation on disk, read-only, answering the
// ANSI registry calls of the platform interface (kernel/platform/platform.h)
// from the registry model (hive/).
//
// Roots:
//   HKLM           Software: <windows>\system32\config\SOFTWARE (NT);
//                  everything: <windows>\SYSTEM.DAT (9x)
//   HKCU           the profile's NTUSER.DAT (NT) or USER.DAT (9x)
//   HKCR           HKLM\Software\Classes
//   HKU\<sid>      the profile's hive again (NT: the SID ProfileList gives
//                  it; 9x: the profile's name); the only subkey of HKU
// A hive is read when a call first needs it. Every call below a root whose
// hive file is there but cannot be read (damaged, truncated, refused) fails
// with 1009, and LoadProblems() names the file and says why; a root without
// a hive file (no profile chosen) is empty.
//
// Names compare without regard to case and enumerate in Wine's order; a
// 64-bit Windows is seen in the 32-bit view (Wow6432Node), and link keys are
// followed, as on a Wine prefix. String values are seen in code page 1252
// with their terminating zero; REG_EXPAND_SZ data is returned as stored.
// Nothing is ever written: RegCreateKeyEx opens an existing key for reading
// and fails with 5 for a missing key or when write access is asked for;
// RegSetValueEx and RegFlushKey fail with 5.
//
// Not thread-safe: one caller at a time.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "kernel/platform/offline/offline_hive.h"
#include "kernel/platform/platform.h"

namespace sl::platform::hive {
struct HiveKey;
class HiveTree;
}  // namespace sl::platform::hive

namespace sl::platform::offline {

class DiskHive;

// Where the registry's hives are.
struct OfflineRegistryFiles {
    bool nineX = false;         // 9x registry files (libcreg), else NT hives (hivex)
    std::string machineHive;    // Unix path of SOFTWARE or SYSTEM.DAT
    std::string userHive;       // Unix path of NTUSER.DAT or USER.DAT; empty: none
    std::string userName;       // the name HKU shows the user's hive under (a SID on NT)
};

class OfflineRegistry {
public:
    explicit OfflineRegistry(OfflineRegistryFiles files);
    ~OfflineRegistry();
    OfflineRegistry(const OfflineRegistry&) = delete;
    OfflineRegistry& operator=(const OfflineRegistry&) = delete;

    LONG RegOpenKeyEx(HKEY root, const char* subKey, DWORD samDesired, HKEY* result);
    LONG RegCreateKeyEx(HKEY root, const char* subKey, DWORD samDesired, HKEY* result,
                        DWORD* disposition);
    LONG RegCloseKey(HKEY key);
    LONG RegQueryInfoKey(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLen, DWORD* values,
                         DWORD* maxValueNameLen, DWORD* maxValueLen);
    LONG RegEnumKeyEx(HKEY key, DWORD index, char* name, DWORD* nameLen, char* keyClass,
                      DWORD* classLen);
    LONG RegEnumValue(HKEY key, DWORD index, char* name, DWORD* nameLen, DWORD* type,
                      std::uint8_t* data, DWORD* dataLen);
    LONG RegQueryValueEx(HKEY key, const char* name, DWORD* type, std::uint8_t* data,
                         DWORD* dataLen);

    // What went wrong reading the hives read so far, one line each; empty
    // when nothing did.
    std::string LoadProblems() const;

private:
    enum Tree { kMachine = 0, kUser = 1, kTreeCount = 2 };
    // A key: its hive and the key (null for the HKEY_USERS root).
    struct Place {
        int tree = kMachine;
        hive::HiveKey* key = nullptr;
    };

    DiskHive& TreeOf(int tree);
    LONG Root(HKEY root, Place* place);
    LONG Base(HKEY key, Place* place);
    LONG Walk(HKEY root, const char* subKey, Place* place);
    bool FollowLinks(Place* place);
    bool View32();

    OfflineRegistryFiles files_;
    std::unique_ptr<DiskHive> trees_[kTreeCount];
    bool unreadable_[kTreeCount] = {false, false};
    std::vector<std::string> problems_;
    std::map<HKEY, Place> handles_;
    HKEY nextHandle_ = 0x1000;
};

}  // namespace sl::platform::offline
