#include "kernel/platform/offline/machine/offline_platform.h"

#include <limits.h>
#include <stdlib.h>

#include <cctype>
#include <mutex>

#include "kernel/platform/offline/disk_folders.h"
#include "kernel/platform/wine/paths/drive_table.h"
#include "kernel/platform/offline/machine/offline_registry.h"
#include "kernel/platform/wine/paths/dos_paths.h"
#include "kernel/platform/wine/wine_platform.h"

namespace sl::platform::offline {
namespace {

std::string RealPath(const std::string& path) {
    char buffer[PATH_MAX];
    if (::realpath(path.c_str(), buffer) == nullptr) return {};
    return buffer;
}

// The path with links resolved in its longest existing part.
std::string ResolvedPath(const std::string& path) {
    std::string head = path;
    std::string tail;
    while (!head.empty()) {
        std::string real = RealPath(head);
        if (!real.empty()) return tail.empty() ? real : (real == "/" ? "" : real) + tail;
        std::size_t slash = head.find_last_of('/');
        if (slash == std::string::npos) break;
        tail = head.substr(slash) + tail;
        head = head.substr(0, slash);
        if (head.empty()) return tail;
    }
    return path;
}

bool Below(const std::string& path, const std::string& folder) {
    if (folder.empty()) return false;
    if (folder == "/") return true;
    return path == folder ||
           (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
            path[folder.size()] == '/');
}

bool OnDriveC(const std::string& dosPath) {
    return dosPath.size() >= 2 && dosPath[1] == ':' && (dosPath[0] == 'C' || dosPath[0] == 'c');
}

std::shared_ptr<Platform> FilesOver(const wine::DriveTable* table) {
    // The Wine backend's file code over the disk's drives; its registry
    // (the drive table holds no hive) is never asked.
    return std::make_shared<wine::WinePlatform>(table && table->ok() ? table->folder()
                                                                     : std::string("/nonexistent"));
}

}  // namespace

DiskDrives::DiskDrives(const std::string& root) : diskRoot(RealPath(root)) {
    std::vector<std::pair<char, std::string>> drives{{'z', "/"}};
    if (!diskRoot.empty()) drives.insert(drives.begin(), {'c', diskRoot});
    table = std::make_unique<wine::DriveTable>(drives);
}

DiskDrives::~DiskDrives() = default;

OfflinePlatform::OfflinePlatform(const std::string& root, const std::string& user)
    : DiskDrives(root), ForwardingPlatform(FilesOver(table.get())) {
    OfflineRegistryFiles files;
    if (!table->ok()) {
        problem_ = "the drives of the Windows disk cannot be set up: " + table->error();
    } else if (FindWindowsInstallation(root, &installation_, &problem_) != kErrorSuccess) {
        // problem_ says why (FindWindowsInstallation's message).
    } else if (DWORD rc = ListProfiles(installation_, &profiles_, &problem_); rc != kErrorSuccess) {
        if (problem_.empty()) problem_ = root + ": the user profiles cannot be read";
    } else {
        chosen_ = user.empty() ? ChooseDefaultProfile(profiles_) : FindProfile(profiles_, user);
        if (chosen_ < 0) {
            if (profiles_.empty()) {
                problem_ = root + ": no user profile found";
            } else {
                problem_ = user.empty() ? root + ": several user profiles; choose one:"
                                        : root + ": no user profile is named '" + user +
                                              "'. The profiles found:";
                for (const WindowsProfile& p : profiles_) problem_ += "\n  " + p.name;
            }
        }
        const bool nineX = installation_.family == WindowsFamily::Win9x;
        files.nineX = nineX;
        files.machineHive = installation_.machineHive;
        if (chosen_ >= 0) {
            files.userHive = profiles_[chosen_].userHive;
            files.userName = profiles_[chosen_].sid.empty() ? profiles_[chosen_].name
                                                            : profiles_[chosen_].sid;
        }
        windowsDirectory_ = "C:\\" + installation_.windowsFolder;
        std::string system = nineX ? "SYSTEM" : "system32";
        DiskFolder disk, windows;
        if (disk.OpenRoot(root) == kErrorSuccess &&
            disk.OpenChild(installation_.windowsFolder, &windows) == kErrorSuccess) {
            std::string exact;
            if (windows.Find(system, DiskFolder::Kind::Folder, &exact) == kErrorSuccess) system = exact;
        }
        systemDirectory_ = windowsDirectory_ + "\\" + system;
    }
    registry_ = std::make_unique<OfflineRegistry>(std::move(files));
}

OfflinePlatform::~OfflinePlatform() = default;

const WindowsProfile* OfflinePlatform::profile() const {
    return chosen_ >= 0 ? &profiles_[chosen_] : nullptr;
}

std::string OfflinePlatform::RegistryProblems() {
    std::lock_guard<std::mutex> lock(registryMutex_);
    return registry_->LoadProblems();
}

// ---- Registry: read from the model, never written.

LONG OfflinePlatform::RegOpenKeyEx(HKEY root, const char* subKey, DWORD samDesired, HKEY* result) {
    std::lock_guard<std::mutex> lock(registryMutex_);
    return registry_->RegOpenKeyEx(root, subKey, samDesired, result);
}
LONG OfflinePlatform::RegCreateKeyEx(HKEY root, const char* subKey, const char*, DWORD,
                                     DWORD samDesired, HKEY* result, DWORD* disposition) {
    std::lock_guard<std::mutex> lock(registryMutex_);
    return registry_->RegCreateKeyEx(root, subKey, samDesired, result, disposition);
}
LONG OfflinePlatform::RegCloseKey(HKEY key) {
    std::lock_guard<std::mutex> lock(registryMutex_);
    return registry_->RegCloseKey(key);
}
LONG OfflinePlatform::RegQueryInfoKey(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLen,
                                      DWORD* values, DWORD* maxValueNameLen, DWORD* maxValueLen) {
    std::lock_guard<std::mutex> lock(registryMutex_);
    return registry_->RegQueryInfoKey(key, subKeys, maxSubKeyLen, values, maxValueNameLen,
                                      maxValueLen);
}
LONG OfflinePlatform::RegEnumKeyEx(HKEY key, DWORD index, char* name, DWORD* nameLen,
                                   char* keyClass, DWORD* classLen) {
    std::lock_guard<std::mutex> lock(registryMutex_);
    return registry_->RegEnumKeyEx(key, index, name, nameLen, keyClass, classLen);
}
LONG OfflinePlatform::RegEnumValue(HKEY key, DWORD index, char* name, DWORD* nameLen,
                                   DWORD* type, std::uint8_t* data, DWORD* dataLen) {
    std::lock_guard<std::mutex> lock(registryMutex_);
    return registry_->RegEnumValue(key, index, name, nameLen, type, data, dataLen);
}
LONG OfflinePlatform::RegQueryValueEx(HKEY key, const char* name, DWORD* type,
                                      std::uint8_t* data, DWORD* dataLen) {
    std::lock_guard<std::mutex> lock(registryMutex_);
    return registry_->RegQueryValueEx(key, name, type, data, dataLen);
}
LONG OfflinePlatform::RegSetValueEx(HKEY, const char*, DWORD, const std::uint8_t*, DWORD) {
    return static_cast<LONG>(kErrorAccessDenied);
}
LONG OfflinePlatform::RegFlushKey(HKEY) { return static_cast<LONG>(kErrorAccessDenied); }

// ---- Files: C: read-only and confined to the disk, Z: as on Wine.

DWORD OfflinePlatform::ReadCheck(const std::string& dosPath) {
    if (!OnDriveC(dosPath)) return kErrorSuccess;
    std::string unixPath;
    DWORD rc = wine::DosToUnixPath(table->folder(), dosPath, &unixPath);
    if (rc != kErrorSuccess) return rc;
    return Below(ResolvedPath(unixPath), diskRoot) ? kErrorSuccess : kErrorPathNotFound;
}

bool OfflinePlatform::OnDisk(const std::string& dosPath) {
    if (OnDriveC(dosPath)) return true;
    if (diskRoot.empty()) return false;
    std::string unixPath;
    if (wine::DosToUnixPath(table->folder(), dosPath, &unixPath) != kErrorSuccess) return false;
    return Below(ResolvedPath(unixPath), diskRoot);
}

DWORD OfflinePlatform::FindFirstFile(const std::string& pattern, FindHandle* handle,
                                     FindData* data) {
    // The folder part decides where the search looks.
    std::size_t cut = pattern.find_last_of("\\/");
    DWORD rc = ReadCheck(cut == std::string::npos ? pattern : pattern.substr(0, cut + 1));
    return rc != kErrorSuccess ? rc : ForwardingPlatform::FindFirstFile(pattern, handle, data);
}

DWORD OfflinePlatform::CopyFile(const std::string& from, const std::string& to) {
    if (OnDisk(to)) return kErrorAccessDenied;
    DWORD rc = ReadCheck(from);
    return rc != kErrorSuccess ? rc : ForwardingPlatform::CopyFile(from, to);
}

DWORD OfflinePlatform::CreateDirectory(const std::string& path) {
    if (OnDisk(path)) return kErrorAccessDenied;
    return ForwardingPlatform::CreateDirectory(path);
}

DWORD OfflinePlatform::GetFileAttributes(const std::string& path, DWORD* attributes) {
    DWORD rc = ReadCheck(path);
    return rc != kErrorSuccess ? rc : ForwardingPlatform::GetFileAttributes(path, attributes);
}

std::string OfflinePlatform::GetWindowsDirectory() { return windowsDirectory_; }
std::string OfflinePlatform::GetSystemDirectory() { return systemDirectory_; }

DWORD OfflinePlatform::OpenFile(const std::string& path, FileAccess access, FileHandle* handle) {
    if (access != FileAccess::Read && OnDisk(path)) return kErrorAccessDenied;
    DWORD rc = ReadCheck(path);
    return rc != kErrorSuccess ? rc : ForwardingPlatform::OpenFile(path, access, handle);
}

DWORD OfflinePlatform::MoveFileReplace(const std::string& from, const std::string& to) {
    if (OnDisk(from) || OnDisk(to)) return kErrorAccessDenied;
    return ForwardingPlatform::MoveFileReplace(from, to);
}

DWORD OfflinePlatform::DeleteFile(const std::string& path) {
    if (OnDisk(path)) return kErrorAccessDenied;
    return ForwardingPlatform::DeleteFile(path);
}

}  // namespace sl::platform::offline
