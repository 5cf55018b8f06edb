#include "kernel/platform/wine/wine_platform.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "kernel/platform/wine/log_file.h"
#include "kernel/platform/wine/module_path.h"
#include "kernel/platform/posix/temporary_files.h"
#include "kernel/platform/wine/wine_files.h"
#include "kernel/platform/wine/wine_registry.h"
#include "kernel/platform/wine/server/wineserver.h"

namespace sl::platform::wine {

using namespace sl::platform::posix;

namespace {

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

// Whether an entry could be appended to the log file at path: a plain file
// that may be written, or no file yet in a folder (or the nearest existing
// folder above a missing one) that may be written.
bool CanAppendTo(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0) {
        return S_ISREG(st.st_mode) && ::access(path.c_str(), W_OK) == 0;
    }
    std::string folder = FolderOf(path);
    while (::stat(folder.c_str(), &st) != 0 && folder != "/" && folder != ".") {
        folder = FolderOf(folder);
    }
    return S_ISDIR(st.st_mode) && ::access(folder.c_str(), W_OK) == 0;
}

}  // namespace

std::string DefaultPrefixPath() {
    const char* prefix = std::getenv("WINEPREFIX");
    if (prefix != nullptr && prefix[0] != '\0') return prefix;
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') return Join(home, ".wine");
    struct passwd* entry = ::getpwuid(::getuid());
    if (entry != nullptr && entry->pw_dir != nullptr) return Join(entry->pw_dir, ".wine");
    return ".wine";
}

WinePlatform::WinePlatform(std::string prefixPath, WinePlatformOptions options)
    : prefix_(std::move(prefixPath)), options_(std::move(options)) {
    std::function<bool()> serverRunning = options_.serverRunning;
    if (!serverRunning) {
        serverRunning = [prefix = prefix_] { return IsWineServerRunning(prefix); };
    }
    registry_ = std::make_unique<WineRegistry>(prefix_, std::move(serverRunning), options_.writerWait);
    files_ = std::make_unique<WineFiles>(prefix_);
}

WinePlatform::~WinePlatform() = default;

LONG WinePlatform::FlushRegistry() {
    std::lock_guard<std::mutex> lock(registryMutex_);
    // A hive is written through a temporary beside it, which a killed
    // writer leaves behind.
    SweepStaleTemporaries(prefix_);
    return registry_->FlushAll();
}

LONG WinePlatform::RegOpenKeyEx(HKEY root, const char* subKey, DWORD samDesired, HKEY* result) {
    std::lock_guard<std::mutex> lock(registryMutex_);
    return registry_->RegOpenKeyEx(root, subKey, samDesired, result);
}

LONG WinePlatform::RegCreateKeyEx(HKEY root, const char* subKey, const char* keyClass,
                                  DWORD options, DWORD samDesired, HKEY* result,
                                  DWORD* disposition) {
    std::lock_guard<std::mutex> lock(registryMutex_);
    return registry_->RegCreateKeyEx(root, subKey, keyClass, options, samDesired, result,
                                     disposition);
}

LONG WinePlatform::RegCloseKey(HKEY key) {
    std::lock_guard<std::mutex> lock(registryMutex_);
    return registry_->RegCloseKey(key);
}

LONG WinePlatform::RegQueryInfoKey(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLen, DWORD* values,
                                   DWORD* maxValueNameLen, DWORD* maxValueLen) {
    std::lock_guard<std::mutex> lock(registryMutex_);
    return registry_->RegQueryInfoKey(key, subKeys, maxSubKeyLen, values, maxValueNameLen,
                                      maxValueLen);
}

LONG WinePlatform::RegEnumKeyEx(HKEY key, DWORD index, char* name, DWORD* nameLen,
                                char* keyClass, DWORD* classLen) {
    std::lock_guard<std::mutex> lock(registryMutex_);
    return registry_->RegEnumKeyEx(key, index, name, nameLen, keyClass, classLen);
}

LONG WinePlatform::RegEnumValue(HKEY key, DWORD index, char* name, DWORD* nameLen, DWORD* type,
                                std::uint8_t* data, DWORD* dataLen) {
    std::lock_guard<std::mutex> lock(registryMutex_);
    return registry_->RegEnumValue(key, index, name, nameLen, type, data, dataLen);
}

LONG WinePlatform::RegQueryValueEx(HKEY key, const char* name, DWORD* type, std::uint8_t* data,
                                   DWORD* dataLen) {
    std::lock_guard<std::mutex> lock(registryMutex_);
    return registry_->RegQueryValueEx(key, name, type, data, dataLen);
}

LONG WinePlatform::RegSetValueEx(HKEY key, const char* name, DWORD type,
                                 const std::uint8_t* data, DWORD dataLen) {
    std::lock_guard<std::mutex> lock(registryMutex_);
    return registry_->RegSetValueEx(key, name, type, data, dataLen);
}

LONG WinePlatform::RegFlushKey(HKEY key) {
    std::lock_guard<std::mutex> lock(registryMutex_);
    SweepStaleTemporaries(prefix_);
    return registry_->RegFlushKey(key);
}

DWORD WinePlatform::FindFirstFile(const std::string& pattern, FindHandle* handle,
                                  FindData* data) {
    return files_->FindFirstFile(pattern, handle, data);
}
DWORD WinePlatform::FindNextFile(FindHandle handle, FindData* data) {
    return files_->FindNextFile(handle, data);
}
DWORD WinePlatform::FindClose(FindHandle handle) { return files_->FindClose(handle); }
DWORD WinePlatform::CopyFile(const std::string& from, const std::string& to) {
    return files_->CopyFile(from, to);
}
DWORD WinePlatform::CreateDirectory(const std::string& path) {
    return files_->CreateDirectory(path);
}
DWORD WinePlatform::GetFileAttributes(const std::string& path, DWORD* attributes) {
    return files_->GetFileAttributes(path, attributes);
}
std::string WinePlatform::GetWindowsDirectory() { return "C:\\windows"; }
std::string WinePlatform::GetSystemDirectory() { return "C:\\windows\\system32"; }

DWORD WinePlatform::OpenFile(const std::string& path, FileAccess access, FileHandle* handle) {
    return files_->OpenFile(path, access, handle);
}
DWORD WinePlatform::ReadFile(FileHandle handle, void* buffer, std::size_t size,
                             std::size_t* done) {
    return files_->ReadFile(handle, buffer, size, done);
}
DWORD WinePlatform::WriteFile(FileHandle handle, const void* buffer, std::size_t size) {
    return files_->WriteFile(handle, buffer, size);
}
DWORD WinePlatform::FileSize(FileHandle handle, std::uint64_t* size) {
    return files_->FileSize(handle, size);
}
DWORD WinePlatform::CloseFile(FileHandle handle, bool sync) {
    return files_->CloseFile(handle, sync);
}
DWORD WinePlatform::MoveFileReplace(const std::string& from, const std::string& to) {
    return files_->MoveFileReplace(from, to);
}
DWORD WinePlatform::DeleteFile(const std::string& path) { return files_->DeleteFile(path); }

std::string WinePlatform::ModuleFileName() {
    return options_.modulePath.empty() ? KernelModulePath() : options_.modulePath;
}

std::string WinePlatform::PrimaryLogFolder() {
    return options_.logFolder.empty() ? FolderOf(ModuleFileName()) : options_.logFolder;
}

std::string WinePlatform::FallbackLogFolder() {
    return options_.fallbackLogFolder.empty() ? DefaultFallbackLogFolder()
                                              : options_.fallbackLogFolder;
}

void WinePlatform::AppendLogBytes(const std::string& logName, const std::string& bytes) {
    if (AppendToFile(Join(PrimaryLogFolder(), logName), bytes) == kErrorSuccess) return;
    // The library's folder is not writable (an installed library, a
    // read-only medium): keep the entry in the per-user folder instead.
    std::string fallback = FallbackLogFolder();
    if (fallback.empty() || CreateFolders(fallback) != kErrorSuccess) return;
    AppendToFile(Join(fallback, logName), bytes);
}

std::string WinePlatform::LogFilePath(const std::string& logName) {
    for (const std::string& folder : {PrimaryLogFolder(), FallbackLogFolder()}) {
        if (!folder.empty() && CanAppendTo(Join(folder, logName))) return Join(folder, logName);
    }
    return {};
}

}  // namespace sl::platform::wine
