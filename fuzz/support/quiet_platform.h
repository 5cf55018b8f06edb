// A platform for fuzz targets: no machine behind it. Every registry and file
// call fails (2 for lookups, 5 for changes), log entries are dropped, so that
// code under test that reports an error does not write a log file on every
// input.
#pragma once

#include <memory>

#include "kernel/platform/platform.h"

namespace sl::fuzz {

class QuietPlatform : public platform::Platform {
public:
    using LONG = platform::LONG;
    using DWORD = platform::DWORD;
    using HKEY = platform::HKEY;

    LONG RegOpenKeyEx(HKEY, const char*, DWORD, HKEY*) override { return 2; }
    LONG RegCreateKeyEx(HKEY, const char*, const char*, DWORD, DWORD, HKEY*, DWORD*) override {
        return 5;
    }
    LONG RegCloseKey(HKEY) override { return 0; }
    LONG RegQueryInfoKey(HKEY, DWORD*, DWORD*, DWORD*, DWORD*, DWORD*) override { return 6; }
    LONG RegEnumKeyEx(HKEY, DWORD, char*, DWORD*, char*, DWORD*) override { return 259; }
    LONG RegEnumValue(HKEY, DWORD, char*, DWORD*, DWORD*, std::uint8_t*, DWORD*) override {
        return 259;
    }
    LONG RegQueryValueEx(HKEY, const char*, DWORD*, std::uint8_t*, DWORD*) override { return 2; }
    LONG RegSetValueEx(HKEY, const char*, DWORD, const std::uint8_t*, DWORD) override { return 5; }
    LONG RegFlushKey(HKEY) override { return 0; }

    DWORD FindFirstFile(const std::string&, platform::FindHandle*, platform::FindData*) override {
        return 3;
    }
    DWORD FindNextFile(platform::FindHandle, platform::FindData*) override { return 18; }
    DWORD FindClose(platform::FindHandle) override { return 6; }
    DWORD CopyFile(const std::string&, const std::string&) override { return 5; }
    DWORD CreateDirectory(const std::string&) override { return 5; }
    DWORD GetFileAttributes(const std::string&, DWORD*) override { return 2; }
    std::string GetWindowsDirectory() override { return "C:\\windows"; }
    std::string GetSystemDirectory() override { return "C:\\windows\\system32"; }

    DWORD OpenFile(const std::string&, platform::FileAccess, platform::FileHandle*) override {
        return 2;
    }
    DWORD ReadFile(platform::FileHandle, void*, std::size_t, std::size_t*) override { return 6; }
    DWORD WriteFile(platform::FileHandle, const void*, std::size_t) override { return 6; }
    DWORD FileSize(platform::FileHandle, std::uint64_t*) override { return 6; }
    DWORD CloseFile(platform::FileHandle, bool) override { return 6; }
    DWORD MoveFileReplace(const std::string&, const std::string&) override { return 5; }
    DWORD DeleteFile(const std::string&) override { return 5; }

    std::string ModuleFileName() override { return "/nonexistent/libStowlarkKernel.so"; }
    void AppendLogBytes(const std::string&, const std::string&) override {}
    std::string LogFilePath(const std::string&) override { return std::string(); }
};

// Installs a QuietPlatform once, for the whole fuzzing process.
inline void InstallQuietPlatform() {
    static bool installed = [] {
        platform::Install(std::make_shared<QuietPlatform>());
        return true;
    }();
    (void)installed;
}

}  // namespace sl::fuzz
