#include "cli/read_only_platform.h"

namespace sl::cli {

using platform::kErrorAccessDenied;

namespace {
// Opening a key for reading is allowed; any right to change it is not.
constexpr platform::DWORD kWriteRights = 0x0002 /* set value */ | 0x0004 /* create subkey */ |
                                         0x00010000 /* delete */ | 0x00040000 /* write DAC */ |
                                         0x00080000 /* write owner */;
}  // namespace

platform::LONG ReadOnlyPlatform::RegOpenKeyEx(HKEY root, const char* subKey, DWORD samDesired,
                                              HKEY* result) {
    // Callers that ask for all access but only read get a read handle.
    if ((samDesired & kWriteRights) != 0) samDesired = platform::kKeyRead;
    return inner_->RegOpenKeyEx(root, subKey, samDesired, result);
}

platform::LONG ReadOnlyPlatform::RegCreateKeyEx(HKEY root, const char* subKey, const char*,
                                                DWORD, DWORD, HKEY* result, DWORD* disposition) {
    // An existing key is opened for reading; a missing one is not created.
    platform::LONG rc = inner_->RegOpenKeyEx(root, subKey, platform::kKeyRead, result);
    if (rc == 0 && disposition != nullptr) *disposition = 2;
    return rc == 0 ? 0 : static_cast<platform::LONG>(kErrorAccessDenied);
}

platform::LONG ReadOnlyPlatform::RegCloseKey(HKEY key) { return inner_->RegCloseKey(key); }

platform::LONG ReadOnlyPlatform::RegQueryInfoKey(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLen,
                                                 DWORD* values, DWORD* maxValueNameLen,
                                                 DWORD* maxValueLen) {
    return inner_->RegQueryInfoKey(key, subKeys, maxSubKeyLen, values, maxValueNameLen,
                                   maxValueLen);
}

platform::LONG ReadOnlyPlatform::RegEnumKeyEx(HKEY key, DWORD index, char* name, DWORD* nameLen,
                                              char* keyClass, DWORD* classLen) {
    return inner_->RegEnumKeyEx(key, index, name, nameLen, keyClass, classLen);
}

platform::LONG ReadOnlyPlatform::RegEnumValue(HKEY key, DWORD index, char* name, DWORD* nameLen,
                                              DWORD* type, std::uint8_t* data, DWORD* dataLen) {
    return inner_->RegEnumValue(key, index, name, nameLen, type, data, dataLen);
}

platform::LONG ReadOnlyPlatform::RegQueryValueEx(HKEY key, const char* name, DWORD* type,
                                                 std::uint8_t* data, DWORD* dataLen) {
    return inner_->RegQueryValueEx(key, name, type, data, dataLen);
}

platform::LONG ReadOnlyPlatform::RegSetValueEx(HKEY, const char*, DWORD, const std::uint8_t*,
                                               DWORD) {
    return static_cast<platform::LONG>(kErrorAccessDenied);
}

platform::LONG ReadOnlyPlatform::RegFlushKey(HKEY) {
    return static_cast<platform::LONG>(kErrorAccessDenied);
}

platform::DWORD ReadOnlyPlatform::FindFirstFile(const std::string& pattern,
                                                platform::FindHandle* handle,
                                                platform::FindData* data) {
    return inner_->FindFirstFile(pattern, handle, data);
}

platform::DWORD ReadOnlyPlatform::FindNextFile(platform::FindHandle handle,
                                               platform::FindData* data) {
    return inner_->FindNextFile(handle, data);
}

platform::DWORD ReadOnlyPlatform::FindClose(platform::FindHandle handle) {
    return inner_->FindClose(handle);
}

platform::DWORD ReadOnlyPlatform::CopyFile(const std::string&, const std::string&) {
    return kErrorAccessDenied;
}

platform::DWORD ReadOnlyPlatform::CreateDirectory(const std::string&) {
    return kErrorAccessDenied;
}

platform::DWORD ReadOnlyPlatform::GetFileAttributes(const std::string& path, DWORD* attributes) {
    return inner_->GetFileAttributes(path, attributes);
}

std::string ReadOnlyPlatform::GetWindowsDirectory() { return inner_->GetWindowsDirectory(); }

std::string ReadOnlyPlatform::GetSystemDirectory() { return inner_->GetSystemDirectory(); }

platform::DWORD ReadOnlyPlatform::OpenFile(const std::string& path, platform::FileAccess access,
                                           platform::FileHandle* handle) {
    if (access != platform::FileAccess::Read) return kErrorAccessDenied;
    return inner_->OpenFile(path, access, handle);
}

platform::DWORD ReadOnlyPlatform::ReadFile(platform::FileHandle handle, void* buffer,
                                           std::size_t size, std::size_t* done) {
    return inner_->ReadFile(handle, buffer, size, done);
}

platform::DWORD ReadOnlyPlatform::WriteFile(platform::FileHandle, const void*, std::size_t) {
    return kErrorAccessDenied;
}

platform::DWORD ReadOnlyPlatform::FileSize(platform::FileHandle handle, std::uint64_t* size) {
    return inner_->FileSize(handle, size);
}

platform::DWORD ReadOnlyPlatform::CloseFile(platform::FileHandle handle, bool) {
    return inner_->CloseFile(handle, false);
}

platform::DWORD ReadOnlyPlatform::MoveFileReplace(const std::string&, const std::string&) {
    return kErrorAccessDenied;
}

platform::DWORD ReadOnlyPlatform::DeleteFile(const std::string&) { return kErrorAccessDenied; }

std::string ReadOnlyPlatform::ModuleFileName() { return inner_->ModuleFileName(); }

void ReadOnlyPlatform::AppendLogBytes(const std::string&, const std::string&) {}

std::string ReadOnlyPlatform::LogFilePath(const std::string& logName) {
    return inner_->LogFilePath(logName);
}

ReadOnlyScope::ReadOnlyScope() {
    previous_ = platform::Install(std::make_shared<ReadOnlyPlatform>(platform::MakeDefault()));
}

ReadOnlyScope::~ReadOnlyScope() { platform::Install(previous_); }

}  // namespace sl::cli
