// FaultInjectingPlatform: a Platform that forwards every call to another one
// and makes chosen calls fail with a chosen Win32 error, so that the paths of
// a full disk, a refused folder or a locked registry can be driven on purpose.
//
//   auto faults = std::make_shared<FaultInjectingPlatform>(prefix.Platform());
//   faults->FailNth(CallKind::CopyFile, 2, kErrorDiskFull);  // the 2nd copy: 112
//   auto previous = platform::Install(faults);
//   ... run kernel code ...
//   EXPECT_EQ(faults->Injected(CallKind::CopyFile), 1u);
//
// Counting: every call is counted per kind (Calls), failed or not. A fault
// names the Nth call (1-based) of its kind that matches its path filter; it
// fires once, or on that call and every later matching one when persistent.
// A failing call does not reach the wrapped platform, with these exceptions,
// which make the failure look the way a real machine shows it:
//   - WriteFile writes the first half of the bytes, then fails (a disk that
//     fills up in the middle of a write);
//   - CloseFile closes the wrapped handle, then reports the error (the handle
//     is gone either way, as with a failed CloseHandle);
//   - FindClose and RegCloseKey likewise release the wrapped handle.
// Out parameters of a failing call are left as they were. Log calls
// (AppendLogBytes, LogFilePath, ModuleFileName) and the folder queries are
// never failed. Thread-safe.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "kernel/platform/platform.h"

namespace sl::platform {

enum class CallKind : int {
    RegOpenKey, RegCreateKey, RegCloseKey, RegQueryInfoKey, RegEnumKey, RegEnumValue,
    RegQueryValue, RegSetValue, RegFlushKey,
    FindFirstFile, FindNextFile, FindClose, CopyFile, CreateDirectory, GetFileAttributes,
    OpenFileRead, OpenFileWrite, ReadFile, WriteFile, FileSize, CloseFile, MoveFile, DeleteFile,
    Count
};

// "CopyFile", "RegSetValue", ... for messages in tests.
const char* CallKindName(CallKind kind);

class FaultInjectingPlatform : public Platform {
public:
    explicit FaultInjectingPlatform(std::shared_ptr<Platform> inner);

    // Fails the nth matching call of kind (1-based) with error. pathContains,
    // when not empty, restricts the fault to calls whose path (or, for copies
    // and moves, either path; for registry calls, the subkey or value name)
    // contains it, compared without regard to ASCII case; calls without a
    // path never match such a fault. Several faults may be armed at once.
    void FailNth(CallKind kind, unsigned nth, DWORD error, const std::string& pathContains = "");
    // The same, failing the nth matching call and every later one.
    void FailFrom(CallKind kind, unsigned nth, DWORD error, const std::string& pathContains = "");
    // Calls hook before every forwarded or failed call of any kind (for
    // example to stop or kill the process at a chosen point).
    void SetCallHook(std::function<void(CallKind, unsigned callNumber)> hook);
    // Disarms every fault and the hook, and zeroes the counters.
    void Reset();

    unsigned Calls(CallKind kind) const;     // calls seen of that kind
    unsigned Injected(CallKind kind) const;  // of them, failed on purpose
    unsigned TotalCalls() const;             // calls of every kind
    const std::shared_ptr<Platform>& Inner() const { return inner_; }

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
    // Folder locks are passed through, never failed.
    DWORD LockFolder(const std::string& path, FileHandle* handle) override {
        return inner_->LockFolder(path, handle);
    }
    DWORD UnlockFolder(FileHandle handle) override { return inner_->UnlockFolder(handle); }

    std::string ModuleFileName() override;
    void AppendLogBytes(const std::string& logName, const std::string& bytes) override;
    std::string LogFilePath(const std::string& logName) override;

private:
    struct Fault {
        CallKind kind;
        unsigned nth;
        DWORD error;
        bool persistent;
        std::string pathContains;  // upper case
        unsigned matched = 0;
    };

    // Counts the call and returns the error to inject, 0 to forward.
    DWORD Enter(CallKind kind, const std::string& path = std::string(),
                const std::string& otherPath = std::string());

    std::shared_ptr<Platform> inner_;
    mutable std::mutex mutex_;
    std::vector<Fault> faults_;
    std::function<void(CallKind, unsigned)> hook_;
    std::array<unsigned, static_cast<std::size_t>(CallKind::Count)> calls_{};
    std::array<unsigned, static_cast<std::size_t>(CallKind::Count)> injected_{};
};

}  // namespace sl::platform
