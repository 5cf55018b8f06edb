// The machine of a Windows installation on a mounted disk (a folder such as
// /mnt/oldpc), read-only, behind the platform interface
// (kernel/platform/platform.h), so that the kernel backs up from an old PC
// as it does from a Wine prefix.
//
// Registry: see offline_registry.h (SOFTWARE or SYSTEM.DAT for HKLM, the
// chosen profile's NTUSER.DAT or USER.DAT for HKCU).
// Files: C: is the disk's root and Z: is / (so a backup folder lives
// anywhere on the Linux side); names are matched without regard to case as
// on a Wine prefix, through the same path mapping and file code. A C: path
// that leads out of the disk through a link is not found (3). Every call that
// would change the disk fails with 5: CopyFile, CreateDirectory,
// OpenFile(Write / CreateNew), MoveFileReplace and DeleteFile whose target
// lies on the disk (through C: or through Z:), and every registry write.
// GetWindowsDirectory() is the folder holding the registry ("C:\WINDOWS"),
// GetSystemDirectory() its system32 (NT) or SYSTEM (9x) folder.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "kernel/platform/forwarding_platform.h"
#include "kernel/platform/offline/windows_install.h"

namespace sl::platform::wine {
class DriveTable;
}  // namespace sl::platform::wine

namespace sl::platform::offline {

class OfflineRegistry;

// The disk's drives (C: the disk, Z: /), made before the file code that
// maps paths through them.
struct DiskDrives {
    explicit DiskDrives(const std::string& root);
    ~DiskDrives();
    std::string diskRoot;  // the disk's root, canonical; empty when it is no folder
    std::unique_ptr<wine::DriveTable> table;
};

class OfflinePlatform : private DiskDrives, public ForwardingPlatform {
public:
    // The installation on the disk at root and the profile named user
    // (compared without regard to case; empty: the only profile there is).
    // Never fails; when the disk cannot be used, problem() says why, and the
    // machine is empty (no key, no file on C:).
    OfflinePlatform(const std::string& root, const std::string& user);
    ~OfflinePlatform() override;

    // Why the disk or the profile cannot be used; empty when they can.
    const std::string& problem() const { return problem_; }
    const WindowsInstallation& installation() const { return installation_; }
    const std::vector<WindowsProfile>& profiles() const { return profiles_; }
    // The chosen profile; null when none is.
    const WindowsProfile* profile() const;
    // What went wrong reading the hives read so far (offline_registry.h).
    std::string RegistryProblems();

    LONG RegOpenKeyEx(HKEY root, const char* subKey, DWORD samDesired, HKEY* result) override;
    LONG RegCreateKeyEx(HKEY root, const char* subKey, const char* keyClass, DWORD options,
                        DWORD samDesired, HKEY* result, DWORD* disposition) override;
    LONG RegCloseKey(HKEY key) override;
    LONG RegQueryInfoKey(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLen, DWORD* values,
                         DWORD* maxValueNameLen, DWORD* maxValueLen) override;
    LONG RegEnumKeyEx(HKEY key, DWORD index, char* name, DWORD* nameLen, char* keyClass,
                      DWORD* classLen) override;
    LONG RegEnumValue(HKEY key, DWORD index, char* name, DWORD* nameLen, DWORD* type,
                      std::uint8_t* data, DWORD* dataLen) override;
    LONG RegQueryValueEx(HKEY key, const char* name, DWORD* type, std::uint8_t* data,
                         DWORD* dataLen) override;
    LONG RegSetValueEx(HKEY key, const char* name, DWORD type, const std::uint8_t* data,
                       DWORD dataLen) override;
    LONG RegFlushKey(HKEY key) override;

    DWORD FindFirstFile(const std::string& pattern, FindHandle* handle, FindData* data) override;
    DWORD CopyFile(const std::string& from, const std::string& to) override;
    DWORD CreateDirectory(const std::string& path) override;
    DWORD GetFileAttributes(const std::string& path, DWORD* attributes) override;
    std::string GetWindowsDirectory() override;
    std::string GetSystemDirectory() override;
    DWORD OpenFile(const std::string& path, FileAccess access, FileHandle* handle) override;
    DWORD MoveFileReplace(const std::string& from, const std::string& to) override;
    DWORD DeleteFile(const std::string& path) override;

private:
    // 0 when a read of the DOS path stays on its drive; 3 when a C: path
    // leads off the disk through a link.
    DWORD ReadCheck(const std::string& dosPath);
    // True when a write to the DOS path would land on the disk.
    bool OnDisk(const std::string& dosPath);

    std::string problem_;
    WindowsInstallation installation_;
    std::vector<WindowsProfile> profiles_;
    int chosen_ = -1;
    std::string windowsDirectory_ = "C:\\windows";
    std::string systemDirectory_ = "C:\\windows\\system32";
    std::mutex registryMutex_;  // one registry call at a time, from any thread
    std::unique_ptr<OfflineRegistry> registry_;
};

}  // namespace sl::platform::offline
