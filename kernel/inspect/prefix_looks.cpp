// The few looks at the prefix the programs make around a run (does a folder
// exist, make the pre-restore folder, where is the log), through the same
// platform code the kernel uses, so that both see the prefix alike.
#include "kernel/interface/stowlark_kernel.h"

#include "kernel/inspect/one_call.h"
#include "kernel/interface/kernel.h"
#include "kernel/log/log.h"
#include "kernel/platform/platform.h"
#if defined(_WIN32)
#include "kernel/platform/win32/win32_platform.h"
#else
#include "kernel/platform/wine/wine_platform.h"
#endif

namespace {
const char* OrEmpty(const char* text) { return text != nullptr ? text : ""; }
constexpr uint32_t kGeneralFailure = 31;  // a failure that is no platform error
}  // namespace

extern "C" {

SL_EXPORT uint32_t SLI_GetFileAttributes(const char* path, uint32_t* attributes) {
    const auto oneCall = sl::inspect::OneCallAtATime();
    try {
        sl::platform::DWORD found = 0;
        const sl::platform::DWORD rc = sl::platform::Current().GetFileAttributes(OrEmpty(path),
                                                                                 &found);
        if (attributes != nullptr) *attributes = found;
        return rc;
    } catch (...) {
        return kGeneralFailure;
    }
}

SL_EXPORT int32_t SLI_EntryFound(const char* path) {
    const auto oneCall = sl::inspect::OneCallAtATime();
    try {
        sl::platform::Platform& machine = sl::platform::Current();
        sl::platform::FindHandle handle = 0;
        sl::platform::FindData data;
        if (machine.FindFirstFile(OrEmpty(path), &handle, &data) != 0) return 0;
        machine.FindClose(handle);
        return 1;
    } catch (...) {
        return 0;
    }
}

SL_EXPORT uint32_t SLI_CreateDirectory(const char* path) {
    const auto oneCall = sl::inspect::OneCallAtATime();
    try {
        return sl::platform::Current().CreateDirectory(OrEmpty(path));
    } catch (...) {
        return kGeneralFailure;
    }
}

SL_EXPORT void SLI_GetWindowsDirectory(std::string& folder) {
    const auto oneCall = sl::inspect::OneCallAtATime();
    try {
        folder = sl::platform::Current().GetWindowsDirectory();
    } catch (...) {
        folder.clear();
    }
}

SL_EXPORT void SLI_AppendLog(const char* text) {
    const auto oneCall = sl::inspect::OneCallAtATime();
    try {
        sl::AppendLog(OrEmpty(text), sl::kLogName);
    } catch (...) {
    }
}

SL_EXPORT void SLI_GetLogFilePath(const char* modulePath, std::string& path) {
    try {
        path.clear();
        if (OrEmpty(modulePath)[0] == '\0') return;
        // The library's own rule, asked of a platform that stands where the
        // library is; the prefix plays no part in it.
#if defined(_WIN32)
        // Beside the library's file, else the per-user folder.
        const std::string module = modulePath;
        const std::size_t cut = module.find_last_of("\\/");
        sl::platform::win32::Win32PlatformOptions options;
        options.logFolder = cut == std::string::npos ? std::string(".") : module.substr(0, cut);
        sl::platform::win32::Win32Platform machine(options);
#else
        sl::platform::wine::WinePlatformOptions options;
        options.modulePath = modulePath;
        options.serverRunning = [] { return false; };
        sl::platform::wine::WinePlatform machine("", options);
#endif
        path = machine.LogFilePath(sl::kLogName);
    } catch (...) {
        path.clear();
    }
}

}  // extern "C"
