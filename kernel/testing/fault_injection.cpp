#include "kernel/testing/fault_injection.h"

#include <utility>

namespace sl::platform {

namespace {

std::string UpperAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

std::size_t Index(CallKind kind) { return static_cast<std::size_t>(kind); }

std::string OrEmpty(const char* text) { return text != nullptr ? text : ""; }

}  // namespace

const char* CallKindName(CallKind kind) {
    static const char* const kNames[] = {
        "RegOpenKey", "RegCreateKey", "RegCloseKey", "RegQueryInfoKey", "RegEnumKey",
        "RegEnumValue", "RegQueryValue", "RegSetValue", "RegFlushKey",
        "FindFirstFile", "FindNextFile", "FindClose", "CopyFile", "CreateDirectory",
        "GetFileAttributes", "OpenFileRead", "OpenFileWrite", "ReadFile", "WriteFile",
        "FileSize", "CloseFile", "MoveFile", "DeleteFile"};
    static_assert(sizeof(kNames) / sizeof(kNames[0]) == static_cast<std::size_t>(CallKind::Count));
    std::size_t i = Index(kind);
    return i < Index(CallKind::Count) ? kNames[i] : "?";
}

FaultInjectingPlatform::FaultInjectingPlatform(std::shared_ptr<Platform> inner)
    : inner_(std::move(inner)) {}

void FaultInjectingPlatform::FailNth(CallKind kind, unsigned nth, DWORD error,
                                     const std::string& pathContains) {
    std::lock_guard<std::mutex> lock(mutex_);
    faults_.push_back(Fault{kind, nth, error, false, UpperAscii(pathContains)});
}

void FaultInjectingPlatform::FailFrom(CallKind kind, unsigned nth, DWORD error,
                                      const std::string& pathContains) {
    std::lock_guard<std::mutex> lock(mutex_);
    faults_.push_back(Fault{kind, nth, error, true, UpperAscii(pathContains)});
}

void FaultInjectingPlatform::SetCallHook(std::function<void(CallKind, unsigned)> hook) {
    std::lock_guard<std::mutex> lock(mutex_);
    hook_ = std::move(hook);
}

void FaultInjectingPlatform::Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    faults_.clear();
    hook_ = nullptr;
    calls_.fill(0);
    injected_.fill(0);
}

unsigned FaultInjectingPlatform::Calls(CallKind kind) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return Index(kind) < calls_.size() ? calls_[Index(kind)] : 0;
}

unsigned FaultInjectingPlatform::Injected(CallKind kind) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return Index(kind) < injected_.size() ? injected_[Index(kind)] : 0;
}

unsigned FaultInjectingPlatform::TotalCalls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    unsigned total = 0;
    for (unsigned n : calls_) total += n;
    return total;
}

DWORD FaultInjectingPlatform::Enter(CallKind kind, const std::string& path,
                                    const std::string& otherPath) {
    std::function<void(CallKind, unsigned)> hook;
    unsigned number = 0;
    DWORD error = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        number = ++calls_[Index(kind)];
        hook = hook_;
        const std::string upper = UpperAscii(path);
        const std::string upperOther = UpperAscii(otherPath);
        for (Fault& fault : faults_) {
            if (fault.kind != kind) continue;
            if (!fault.pathContains.empty() &&
                upper.find(fault.pathContains) == std::string::npos &&
                upperOther.find(fault.pathContains) == std::string::npos) {
                continue;
            }
            ++fault.matched;
            bool fires = fault.persistent ? fault.matched >= fault.nth : fault.matched == fault.nth;
            if (fires && error == 0) error = fault.error;
        }
        if (error != 0) ++injected_[Index(kind)];
    }
    if (hook) hook(kind, number);
    return error;
}

// ---- Registry.

LONG FaultInjectingPlatform::RegOpenKeyEx(HKEY root, const char* subKey, DWORD samDesired,
                                          HKEY* result) {
    if (DWORD e = Enter(CallKind::RegOpenKey, OrEmpty(subKey))) return static_cast<LONG>(e);
    return inner_->RegOpenKeyEx(root, subKey, samDesired, result);
}

LONG FaultInjectingPlatform::RegCreateKeyEx(HKEY root, const char* subKey, const char* keyClass,
                                            DWORD options, DWORD samDesired, HKEY* result,
                                            DWORD* disposition) {
    if (DWORD e = Enter(CallKind::RegCreateKey, OrEmpty(subKey))) return static_cast<LONG>(e);
    return inner_->RegCreateKeyEx(root, subKey, keyClass, options, samDesired, result,
                                  disposition);
}

LONG FaultInjectingPlatform::RegCloseKey(HKEY key) {
    DWORD e = Enter(CallKind::RegCloseKey);
    LONG rc = inner_->RegCloseKey(key);
    return e != 0 ? static_cast<LONG>(e) : rc;
}

LONG FaultInjectingPlatform::RegQueryInfoKey(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLen,
                                             DWORD* values, DWORD* maxValueNameLen,
                                             DWORD* maxValueLen) {
    if (DWORD e = Enter(CallKind::RegQueryInfoKey)) return static_cast<LONG>(e);
    return inner_->RegQueryInfoKey(key, subKeys, maxSubKeyLen, values, maxValueNameLen,
                                   maxValueLen);
}

LONG FaultInjectingPlatform::RegEnumKeyEx(HKEY key, DWORD index, char* name, DWORD* nameLen,
                                          char* keyClass, DWORD* classLen) {
    if (DWORD e = Enter(CallKind::RegEnumKey)) return static_cast<LONG>(e);
    return inner_->RegEnumKeyEx(key, index, name, nameLen, keyClass, classLen);
}

LONG FaultInjectingPlatform::RegEnumValue(HKEY key, DWORD index, char* name, DWORD* nameLen,
                                          DWORD* type, std::uint8_t* data, DWORD* dataLen) {
    if (DWORD e = Enter(CallKind::RegEnumValue)) return static_cast<LONG>(e);
    return inner_->RegEnumValue(key, index, name, nameLen, type, data, dataLen);
}

LONG FaultInjectingPlatform::RegQueryValueEx(HKEY key, const char* name, DWORD* type,
                                             std::uint8_t* data, DWORD* dataLen) {
    if (DWORD e = Enter(CallKind::RegQueryValue, OrEmpty(name))) return static_cast<LONG>(e);
    return inner_->RegQueryValueEx(key, name, type, data, dataLen);
}

LONG FaultInjectingPlatform::RegSetValueEx(HKEY key, const char* name, DWORD type,
                                           const std::uint8_t* data, DWORD dataLen) {
    if (DWORD e = Enter(CallKind::RegSetValue, OrEmpty(name))) return static_cast<LONG>(e);
    return inner_->RegSetValueEx(key, name, type, data, dataLen);
}

LONG FaultInjectingPlatform::RegFlushKey(HKEY key) {
    if (DWORD e = Enter(CallKind::RegFlushKey)) return static_cast<LONG>(e);
    return inner_->RegFlushKey(key);
}

// ---- Files and folders.

DWORD FaultInjectingPlatform::FindFirstFile(const std::string& pattern, FindHandle* handle,
                                            FindData* data) {
    if (DWORD e = Enter(CallKind::FindFirstFile, pattern)) return e;
    return inner_->FindFirstFile(pattern, handle, data);
}

DWORD FaultInjectingPlatform::FindNextFile(FindHandle handle, FindData* data) {
    if (DWORD e = Enter(CallKind::FindNextFile)) return e;
    return inner_->FindNextFile(handle, data);
}

DWORD FaultInjectingPlatform::FindClose(FindHandle handle) {
    DWORD e = Enter(CallKind::FindClose);
    DWORD rc = inner_->FindClose(handle);
    return e != 0 ? e : rc;
}

DWORD FaultInjectingPlatform::CopyFile(const std::string& from, const std::string& to) {
    if (DWORD e = Enter(CallKind::CopyFile, from, to)) return e;
    return inner_->CopyFile(from, to);
}

DWORD FaultInjectingPlatform::CreateDirectory(const std::string& path) {
    if (DWORD e = Enter(CallKind::CreateDirectory, path)) return e;
    return inner_->CreateDirectory(path);
}

DWORD FaultInjectingPlatform::GetFileAttributes(const std::string& path, DWORD* attributes) {
    if (DWORD e = Enter(CallKind::GetFileAttributes, path)) return e;
    return inner_->GetFileAttributes(path, attributes);
}

std::string FaultInjectingPlatform::GetWindowsDirectory() { return inner_->GetWindowsDirectory(); }

std::string FaultInjectingPlatform::GetSystemDirectory() { return inner_->GetSystemDirectory(); }

DWORD FaultInjectingPlatform::OpenFile(const std::string& path, FileAccess access,
                                       FileHandle* handle) {
    CallKind kind = access == FileAccess::Read ? CallKind::OpenFileRead : CallKind::OpenFileWrite;
    if (DWORD e = Enter(kind, path)) return e;
    return inner_->OpenFile(path, access, handle);
}

DWORD FaultInjectingPlatform::ReadFile(FileHandle handle, void* buffer, std::size_t size,
                                       std::size_t* done) {
    if (DWORD e = Enter(CallKind::ReadFile)) return e;
    return inner_->ReadFile(handle, buffer, size, done);
}

DWORD FaultInjectingPlatform::WriteFile(FileHandle handle, const void* buffer, std::size_t size) {
    if (DWORD e = Enter(CallKind::WriteFile)) {
        // The disk fills up in the middle of the write.
        if (size / 2 > 0) inner_->WriteFile(handle, buffer, size / 2);
        return e;
    }
    return inner_->WriteFile(handle, buffer, size);
}

DWORD FaultInjectingPlatform::FileSize(FileHandle handle, std::uint64_t* size) {
    if (DWORD e = Enter(CallKind::FileSize)) return e;
    return inner_->FileSize(handle, size);
}

DWORD FaultInjectingPlatform::CloseFile(FileHandle handle, bool sync) {
    DWORD e = Enter(CallKind::CloseFile);
    DWORD rc = inner_->CloseFile(handle, sync);
    return e != 0 ? e : rc;
}

DWORD FaultInjectingPlatform::MoveFileReplace(const std::string& from, const std::string& to) {
    if (DWORD e = Enter(CallKind::MoveFile, from, to)) return e;
    return inner_->MoveFileReplace(from, to);
}

DWORD FaultInjectingPlatform::DeleteFile(const std::string& path) {
    if (DWORD e = Enter(CallKind::DeleteFile, path)) return e;
    return inner_->DeleteFile(path);
}

// ---- Module: never failed.

std::string FaultInjectingPlatform::ModuleFileName() { return inner_->ModuleFileName(); }

void FaultInjectingPlatform::AppendLogBytes(const std::string& logName, const std::string& bytes) {
    inner_->AppendLogBytes(logName, bytes);
}

std::string FaultInjectingPlatform::LogFilePath(const std::string& logName) {
    return inner_->LogFilePath(logName);
}

}  // namespace sl::platform
