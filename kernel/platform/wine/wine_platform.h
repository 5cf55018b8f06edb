// The Wine backend of the platform: the prefix named by WINEPREFIX (or
// ~/.wine), its registry hive files and its drive_c tree, used directly and
// offline, the way Windows programs inside that prefix see them.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "kernel/platform/platform.h"

namespace sl::platform::wine {

class WineRegistry;
class WineFiles;

// Overrides for tests; the defaults are the real machine's.
struct WinePlatformOptions {
    // ModuleFileName(); empty means the file of the module holding the kernel.
    std::string modulePath;
    // Folder the log files go to; empty means the folder of ModuleFileName().
    std::string logFolder;
    // Folder used when the log folder cannot be written; empty means
    // $XDG_STATE_HOME/stowlark (default ~/.local/state/stowlark).
    std::string fallbackLogFolder;
    // Whether a wineserver owns the prefix; empty means IsWineServerRunning().
    std::function<bool()> serverRunning;
    // How long a registry write waits while another process writes the prefix.
    std::chrono::milliseconds writerWait = std::chrono::seconds(10);
};

// The prefix Wine itself would use: $WINEPREFIX when set and not empty, else
// $HOME/.wine (the password database's home when HOME is unset).
std::string DefaultPrefixPath();

class WinePlatform : public Platform {
public:
    explicit WinePlatform(std::string prefixPath, WinePlatformOptions options = {});
    ~WinePlatform() override;

    const std::string& PrefixPath() const { return prefix_; }
    // Writes every changed registry hive (see WineRegistry::FlushAll).
    LONG FlushRegistry();

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
    DWORD FindNextFile(FindHandle handle, FindData* data) override;
    DWORD FindClose(FindHandle handle) override;
    DWORD CopyFile(const std::string& from, const std::string& to) override;
    DWORD CreateDirectory(const std::string& path) override;
    DWORD GetFileAttributes(const std::string& path, DWORD* attributes) override;
    std::string GetWindowsDirectory() override;
    std::string GetSystemDirectory() override;

    DWORD OpenFile(const std::string& path, FileAccess access, FileHandle* handle) override;
    DWORD ReadFile(FileHandle handle, void* buffer, std::size_t size, std::size_t* done) override;
    DWORD WriteFile(FileHandle handle, const void* buffer, std::size_t size) override;
    DWORD FileSize(FileHandle handle, std::uint64_t* size) override;
    DWORD CloseFile(FileHandle handle, bool sync) override;
    DWORD MoveFileReplace(const std::string& from, const std::string& to) override;
    DWORD DeleteFile(const std::string& path) override;
    // A flock on the folder's own descriptor (kernel/platform/wine/folder_lock.h).
    DWORD LockFolder(const std::string& path, FileHandle* handle) override;
    DWORD UnlockFolder(FileHandle handle) override;

    std::string ModuleFileName() override;
    void AppendLogBytes(const std::string& logName, const std::string& bytes) override;
    std::string LogFilePath(const std::string& logName) override;

private:
    std::string PrimaryLogFolder();
    std::string FallbackLogFolder();

    std::string prefix_;
    WinePlatformOptions options_;
    std::mutex registryMutex_;
    std::unique_ptr<WineRegistry> registry_;
    std::unique_ptr<WineFiles> files_;
};

}  // namespace sl::platform::wine
