// The Win32 backend of the platform: the machine the program runs on,
// through the real Windows API (ANSI calls). Each call hands its arguments to
// the Win32 function of the same name and returns its error number
// unchanged, with these additions:
//
// - Registry calls see the 32-bit applications' view: KEY_WOW64_32KEY is
//   added to every access mask, so on 64-bit Windows HKLM\Software is read
//   and written under Software\Wow6432Node as a 32-bit program would.
//   Predefined roots (kHkeyCurrentUser, ...) stand for the real ones;
//   closing one is a no-op returning 0. Other key handles are the real
//   HKEY values.
// - FindFirstFile/FindNextFile skip temporaries of whole-file replaces
//   (kTemporaryPrefix); the order is the file system's own.
// - CopyFile copies into a temporary beside the target (CopyFileA) and
//   renames it over the target (MoveFileExA, write-through), so the target
//   is the old file or the whole new one; the copy is not left read-only.
//   A source that is a link (reparse point) is refused with 1921, one that
//   is no disk file with 1920.
// - OpenFile opens with no sharing (32 while anyone else has the file open),
//   never through a reparse point at the last element (1921); a device or
//   pipe is refused with 1920; Write refuses a file with a second name
//   (1920) and truncates only once open.
// - LockFolder takes a named semaphore of one for the folder (its volume
//   and file index), so a second locker, in any process of the session or
//   in this one, gets 32 while work inside the folder goes on; it is gone
//   with its holder. 3 when the folder is missing or no folder.
// - The log goes beside the module that holds this code (the DLL), or into
//   %LOCALAPPDATA%\Stowlark when that folder takes no file.
#pragma once

#include <mutex>
#include <string>
#include <unordered_set>

#include "kernel/platform/platform.h"

namespace sl::platform::win32 {

// Overrides for tests; the defaults are the real machine's.
struct Win32PlatformOptions {
    // Folder the log files go to; empty means the folder of ModuleFileName().
    std::string logFolder;
    // Folder used when the log folder cannot take a file; empty means
    // %LOCALAPPDATA%\Stowlark.
    std::string fallbackLogFolder;
};

class Win32Platform : public Platform {
public:
    explicit Win32Platform(Win32PlatformOptions options = {});
    ~Win32Platform() override;

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
    DWORD LockFolder(const std::string& path, FileHandle* handle) override;
    DWORD UnlockFolder(FileHandle handle) override;

    std::string ModuleFileName() override;
    void AppendLogBytes(const std::string& logName, const std::string& bytes) override;
    std::string LogFilePath(const std::string& logName) override;

private:
    std::string PrimaryLogFolder();
    std::string FallbackLogFolder();
    // Removes stale temporaries from a folder the first time a copy goes there.
    void SweepOnce(const std::string& folder);

    Win32PlatformOptions options_;
    std::mutex mutex_;
    std::unordered_set<std::string> swept_;
};

}  // namespace sl::platform::win32
