// A view of the machine that can only be read. The commands that merely
// look (show, verify, the dry runs) install it over the inspect module's copy
// of the platform, so that nothing they call can change the prefix, a
// backup folder or the log, whatever path it takes: every registry write,
// file copy, folder creation, file write, rename or deletion is refused
// with 5 (access denied), and log entries are dropped.
#pragma once

#include <memory>

#include "kernel/platform/forwarding_platform.h"

namespace sl::inspect {

class ReadOnlyPlatform : public platform::ForwardingPlatform {
public:
    using ForwardingPlatform::ForwardingPlatform;

    using LONG = platform::LONG;
    using DWORD = platform::DWORD;
    using HKEY = platform::HKEY;

    LONG RegOpenKeyEx(HKEY root, const char* subKey, DWORD samDesired, HKEY* result) override;
    LONG RegCreateKeyEx(HKEY root, const char* subKey, const char* keyClass, DWORD options,
                        DWORD samDesired, HKEY* result, DWORD* disposition) override;
    LONG RegSetValueEx(HKEY key, const char* name, DWORD type, const std::uint8_t* data,
                       DWORD dataLen) override;
    LONG RegFlushKey(HKEY key) override;

    DWORD CopyFile(const std::string& from, const std::string& to) override;
    DWORD CreateDirectory(const std::string& path) override;
    DWORD OpenFile(const std::string& path, platform::FileAccess access,
                   platform::FileHandle* handle) override;
    DWORD WriteFile(platform::FileHandle handle, const void* buffer, std::size_t size) override;
    DWORD CloseFile(platform::FileHandle handle, bool sync) override;
    DWORD MoveFileReplace(const std::string& from, const std::string& to) override;
    DWORD DeleteFile(const std::string& path) override;

    void AppendLogBytes(const std::string& logName, const std::string& bytes) override;
};

// Installs a ReadOnlyPlatform over the program's default platform for the
// lifetime of this object, and puts the previous one back afterwards.
class ReadOnlyScope {
public:
    ReadOnlyScope();
    ~ReadOnlyScope();
    ReadOnlyScope(const ReadOnlyScope&) = delete;
    ReadOnlyScope& operator=(const ReadOnlyScope&) = delete;

private:
    std::shared_ptr<platform::Platform> previous_;
};

}  // namespace sl::inspect
