// A platform that hands every call to another one. Wrappers (fault
// injection in tests, the command line's read-only view) derive from it and
// override only the calls they change.
#pragma once

#include <memory>
#include <utility>

#include "kernel/platform/platform.h"

namespace sl::platform {

class ForwardingPlatform : public Platform {
public:
    explicit ForwardingPlatform(std::shared_ptr<Platform> inner) : inner_(std::move(inner)) {}

    LONG RegOpenKeyEx(HKEY root, const char* subKey, DWORD samDesired, HKEY* result) override {
        return inner_->RegOpenKeyEx(root, subKey, samDesired, result);
    }
    LONG RegCreateKeyEx(HKEY root, const char* subKey, const char* keyClass, DWORD options,
                        DWORD samDesired, HKEY* result, DWORD* disposition) override {
        return inner_->RegCreateKeyEx(root, subKey, keyClass, options, samDesired, result,
                                      disposition);
    }
    LONG RegCloseKey(HKEY key) override { return inner_->RegCloseKey(key); }
    LONG RegQueryInfoKey(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLen, DWORD* values,
                         DWORD* maxValueNameLen, DWORD* maxValueLen) override {
        return inner_->RegQueryInfoKey(key, subKeys, maxSubKeyLen, values, maxValueNameLen,
                                       maxValueLen);
    }
    LONG RegEnumKeyEx(HKEY key, DWORD index, char* name, DWORD* nameLen, char* keyClass,
                      DWORD* classLen) override {
        return inner_->RegEnumKeyEx(key, index, name, nameLen, keyClass, classLen);
    }
    LONG RegEnumValue(HKEY key, DWORD index, char* name, DWORD* nameLen, DWORD* type,
                      std::uint8_t* data, DWORD* dataLen) override {
        return inner_->RegEnumValue(key, index, name, nameLen, type, data, dataLen);
    }
    LONG RegQueryValueEx(HKEY key, const char* name, DWORD* type, std::uint8_t* data,
                         DWORD* dataLen) override {
        return inner_->RegQueryValueEx(key, name, type, data, dataLen);
    }
    LONG RegSetValueEx(HKEY key, const char* name, DWORD type, const std::uint8_t* data,
                       DWORD dataLen) override {
        return inner_->RegSetValueEx(key, name, type, data, dataLen);
    }
    LONG RegFlushKey(HKEY key) override { return inner_->RegFlushKey(key); }

    DWORD FindFirstFile(const std::string& pattern, FindHandle* handle, FindData* data) override {
        return inner_->FindFirstFile(pattern, handle, data);
    }
    DWORD FindNextFile(FindHandle handle, FindData* data) override {
        return inner_->FindNextFile(handle, data);
    }
    DWORD FindClose(FindHandle handle) override { return inner_->FindClose(handle); }
    DWORD CopyFile(const std::string& from, const std::string& to) override {
        return inner_->CopyFile(from, to);
    }
    DWORD CreateDirectory(const std::string& path) override {
        return inner_->CreateDirectory(path);
    }
    DWORD GetFileAttributes(const std::string& path, DWORD* attributes) override {
        return inner_->GetFileAttributes(path, attributes);
    }
    std::string GetWindowsDirectory() override { return inner_->GetWindowsDirectory(); }
    std::string GetSystemDirectory() override { return inner_->GetSystemDirectory(); }

    DWORD OpenFile(const std::string& path, FileAccess access, FileHandle* handle) override {
        return inner_->OpenFile(path, access, handle);
    }
    DWORD ReadFile(FileHandle handle, void* buffer, std::size_t size, std::size_t* done) override {
        return inner_->ReadFile(handle, buffer, size, done);
    }
    DWORD WriteFile(FileHandle handle, const void* buffer, std::size_t size) override {
        return inner_->WriteFile(handle, buffer, size);
    }
    DWORD FileSize(FileHandle handle, std::uint64_t* size) override {
        return inner_->FileSize(handle, size);
    }
    DWORD CloseFile(FileHandle handle, bool sync) override {
        return inner_->CloseFile(handle, sync);
    }
    DWORD MoveFileReplace(const std::string& from, const std::string& to) override {
        return inner_->MoveFileReplace(from, to);
    }
    DWORD DeleteFile(const std::string& path) override { return inner_->DeleteFile(path); }
    DWORD LockFolder(const std::string& path, FileHandle* handle) override {
        return inner_->LockFolder(path, handle);
    }
    DWORD UnlockFolder(FileHandle handle) override { return inner_->UnlockFolder(handle); }

    std::string ModuleFileName() override { return inner_->ModuleFileName(); }
    void AppendLogBytes(const std::string& logName, const std::string& bytes) override {
        inner_->AppendLogBytes(logName, bytes);
    }
    std::string LogFilePath(const std::string& logName) override {
        return inner_->LogFilePath(logName);
    }

protected:
    Platform& Inner() { return *inner_; }

private:
    std::shared_ptr<Platform> inner_;
};

}  // namespace sl::platform
