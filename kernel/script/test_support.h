// Test support for the script tests only: a platform that records log
// entries in memory and refuses everything else, installed for the life of
// a fixture.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "kernel/log/log_name.h"
#include "kernel/platform/platform.h"

namespace sl::testing {

class LogRecordingPlatform : public platform::Platform {
public:
    struct Entry {
        std::string logName;
        std::string bytes;
    };
    std::vector<Entry> entries;

    static constexpr platform::DWORD kRefused = platform::kErrorAccessDenied;

    platform::LONG RegOpenKeyEx(platform::HKEY, const char*, platform::DWORD,
                                platform::HKEY*) override { return kRefused; }
    platform::LONG RegCreateKeyEx(platform::HKEY, const char*, const char*, platform::DWORD,
                                  platform::DWORD, platform::HKEY*, platform::DWORD*) override {
        return kRefused;
    }
    platform::LONG RegCloseKey(platform::HKEY) override { return kRefused; }
    platform::LONG RegQueryInfoKey(platform::HKEY, platform::DWORD*, platform::DWORD*,
                                   platform::DWORD*, platform::DWORD*,
                                   platform::DWORD*) override { return kRefused; }
    platform::LONG RegEnumKeyEx(platform::HKEY, platform::DWORD, char*, platform::DWORD*, char*,
                                platform::DWORD*) override { return kRefused; }
    platform::LONG RegEnumValue(platform::HKEY, platform::DWORD, char*, platform::DWORD*,
                                platform::DWORD*, std::uint8_t*, platform::DWORD*) override {
        return kRefused;
    }
    platform::LONG RegQueryValueEx(platform::HKEY, const char*, platform::DWORD*, std::uint8_t*,
                                   platform::DWORD*) override { return kRefused; }
    platform::LONG RegSetValueEx(platform::HKEY, const char*, platform::DWORD,
                                 const std::uint8_t*, platform::DWORD) override { return kRefused; }
    platform::LONG RegFlushKey(platform::HKEY) override { return kRefused; }

    platform::DWORD FindFirstFile(const std::string&, platform::FindHandle*,
                                  platform::FindData*) override { return kRefused; }
    platform::DWORD FindNextFile(platform::FindHandle, platform::FindData*) override {
        return kRefused;
    }
    platform::DWORD FindClose(platform::FindHandle) override { return kRefused; }
    platform::DWORD CopyFile(const std::string&, const std::string&) override { return kRefused; }
    platform::DWORD CreateDirectory(const std::string&) override { return kRefused; }
    platform::DWORD GetFileAttributes(const std::string&, platform::DWORD*) override {
        return kRefused;
    }
    std::string GetWindowsDirectory() override { return "C:\\windows"; }
    std::string GetSystemDirectory() override { return "C:\\windows\\system32"; }
    platform::DWORD OpenFile(const std::string&, platform::FileAccess,
                             platform::FileHandle*) override { return kRefused; }
    platform::DWORD ReadFile(platform::FileHandle, void*, std::size_t, std::size_t*) override {
        return kRefused;
    }
    platform::DWORD WriteFile(platform::FileHandle, const void*, std::size_t) override {
        return kRefused;
    }
    platform::DWORD FileSize(platform::FileHandle, std::uint64_t*) override { return kRefused; }
    platform::DWORD CloseFile(platform::FileHandle, bool) override { return kRefused; }
    platform::DWORD MoveFileReplace(const std::string&, const std::string&) override {
        return kRefused;
    }
    platform::DWORD DeleteFile(const std::string&) override { return kRefused; }

    std::string ModuleFileName() override { return "/nowhere/libStowlarkKernel.so"; }
    void AppendLogBytes(const std::string& logName, const std::string& bytes) override {
        entries.push_back({logName, bytes});
    }
    std::string LogFilePath(const std::string& logName) override { return "/nowhere/" + logName; }
};

// Installs a LogRecordingPlatform for each test and puts the previous
// platform back afterwards.
class ScriptTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake_ = std::make_shared<LogRecordingPlatform>();
        previous_ = platform::Install(fake_);
    }
    void TearDown() override { platform::Install(previous_); }

    const std::vector<LogRecordingPlatform::Entry>& LogEntries() const { return fake_->entries; }

    // True when the single log entry holds message (the entry adds a time
    // stamp in front and turns "\n" into "\r\n").
    static bool EntryHolds(const LogRecordingPlatform::Entry& entry, const std::string& message) {
        std::string stored;
        for (char c : message) {
            if (c == '\n') stored.push_back('\r');
            stored.push_back(c);
        }
        return entry.logName == kLogName && entry.bytes.find(stored) != std::string::npos;
    }

private:
    std::shared_ptr<LogRecordingPlatform> fake_;
    std::shared_ptr<platform::Platform> previous_;
};

}  // namespace sl::testing
