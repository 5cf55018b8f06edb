#include "kernel/inspect/read_only_platform.h"

namespace sl::inspect {

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
    return ForwardingPlatform::RegOpenKeyEx(root, subKey, samDesired, result);
}

platform::LONG ReadOnlyPlatform::RegCreateKeyEx(HKEY root, const char* subKey, const char*,
                                                DWORD, DWORD, HKEY* result, DWORD* disposition) {
    // An existing key is opened for reading; a missing one is not created.
    platform::LONG rc = ForwardingPlatform::RegOpenKeyEx(root, subKey, platform::kKeyRead, result);
    if (rc == 0 && disposition != nullptr) *disposition = 2;
    return rc == 0 ? 0 : static_cast<platform::LONG>(kErrorAccessDenied);
}

platform::LONG ReadOnlyPlatform::RegSetValueEx(HKEY, const char*, DWORD, const std::uint8_t*,
                                               DWORD) {
    return static_cast<platform::LONG>(kErrorAccessDenied);
}

platform::LONG ReadOnlyPlatform::RegFlushKey(HKEY) {
    return static_cast<platform::LONG>(kErrorAccessDenied);
}

platform::DWORD ReadOnlyPlatform::CopyFile(const std::string&, const std::string&) {
    return kErrorAccessDenied;
}

platform::DWORD ReadOnlyPlatform::CreateDirectory(const std::string&) {
    return kErrorAccessDenied;
}

platform::DWORD ReadOnlyPlatform::OpenFile(const std::string& path, platform::FileAccess access,
                                           platform::FileHandle* handle) {
    if (access != platform::FileAccess::Read) return kErrorAccessDenied;
    return ForwardingPlatform::OpenFile(path, access, handle);
}

platform::DWORD ReadOnlyPlatform::WriteFile(platform::FileHandle, const void*, std::size_t) {
    return kErrorAccessDenied;
}

platform::DWORD ReadOnlyPlatform::CloseFile(platform::FileHandle handle, bool) {
    return ForwardingPlatform::CloseFile(handle, false);
}

platform::DWORD ReadOnlyPlatform::MoveFileReplace(const std::string&, const std::string&) {
    return kErrorAccessDenied;
}

platform::DWORD ReadOnlyPlatform::DeleteFile(const std::string&) { return kErrorAccessDenied; }

void ReadOnlyPlatform::AppendLogBytes(const std::string&, const std::string&) {}

ReadOnlyScope::ReadOnlyScope() {
    previous_ = platform::Install(std::make_shared<ReadOnlyPlatform>(platform::MakeDefault()));
}

ReadOnlyScope::~ReadOnlyScope() { platform::Install(previous_); }

}  // namespace sl::inspect
