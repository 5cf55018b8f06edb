// Win32Platform's module calls: the file of the module holding this code,
// and the log files beside it.
#include <string>

#include "kernel/platform/win32/win32_paths.h"
#include "kernel/platform/win32/win32_platform.h"
#include "kernel/platform/win32/windows_api.h"

#include <shlobj.h>

namespace sl::platform::win32 {
namespace {

constexpr ::DWORD kLogWaitMs = 2000;  // how long an entry waits for another writer
constexpr ::DWORD kLogRetryMs = 10;
constexpr int kFolderLevels = 16;     // how far up a missing log folder is looked at

// The module that holds this function is the one asked about (the DLL when
// the kernel is one, else the program).
void ModuleAnchor() {}

// Opens path for appending with no sharing, waiting a bounded time while
// another writer has it: the entries of two writers never interleave.
HANDLE OpenForAppend(const std::string& path) {
    for (::DWORD waited = 0;; waited += kLogRetryMs) {
        HANDLE file = ::CreateFileA(path.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_SHARING_VIOLATION ||
            waited >= kLogWaitMs) {
            return file;
        }
        ::Sleep(kLogRetryMs);
    }
}

// 0 once bytes are at the end of the log file at path.
DWORD AppendToFile(const std::string& path, const std::string& bytes) {
    HANDLE file = OpenForAppend(path);
    if (file == INVALID_HANDLE_VALUE) return ::GetLastError();
    DWORD error = kErrorSuccess;
    BY_HANDLE_FILE_INFORMATION info;
    if (::GetFileType(file) != FILE_TYPE_DISK || !::GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        error = kErrorCantAccessFile;  // never written through a link or into a device
    }
    ::DWORD written = 0;
    if (error == kErrorSuccess &&
        (!::WriteFile(file, bytes.data(), static_cast<::DWORD>(bytes.size()), &written, nullptr) ||
         written != bytes.size())) {
        error = ::GetLastError();
    }
    ::CloseHandle(file);
    return error;
}

// Whether a new file could be made in folder: the folder grants the right
// to add a file (asked of the folder itself; nothing is created).
bool FolderTakesFiles(const std::string& folder) {
    HANDLE handle = ::CreateFileA(folder.c_str(), FILE_ADD_FILE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(handle);
    return true;
}

// Whether an entry could be appended to the log file at path: a plain file
// that is not read-only, or no file yet in a folder (or the nearest existing
// folder above a missing one) that takes new files.
bool CanAppendTo(const std::string& path) {
    ::DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        return !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY |
                               FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE));
    }
    std::string folder = FolderOf(path);
    for (int level = 0; level < kFolderLevels && !folder.empty(); ++level) {
        attributes = ::GetFileAttributesA(folder.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            return (attributes & FILE_ATTRIBUTE_DIRECTORY) && FolderTakesFiles(folder);
        }
        std::string up = FolderOf(folder);
        if (up == folder) break;
        folder = up;
    }
    return false;
}

}  // namespace

Win32Platform::Win32Platform(Win32PlatformOptions options) : options_(std::move(options)) {}

Win32Platform::~Win32Platform() = default;

std::string Win32Platform::ModuleFileName() {
    HMODULE module = nullptr;
    if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCSTR>(&ModuleAnchor), &module)) {
        return {};
    }
    // The call cuts the name to the buffer without saying how long it is.
    for (std::size_t size = MAX_PATH; size <= 32768; size *= 2) {
        std::string path(size, '\0');
        ::DWORD n = ::GetModuleFileNameA(module, path.data(), static_cast<::DWORD>(size));
        if (n == 0) return {};
        if (n < size) {
            path.resize(n);
            return path;
        }
    }
    return {};
}

std::string Win32Platform::PrimaryLogFolder() {
    return options_.logFolder.empty() ? FolderOf(ModuleFileName()) : options_.logFolder;
}

std::string Win32Platform::FallbackLogFolder() {
    if (!options_.fallbackLogFolder.empty()) return options_.fallbackLogFolder;
    char folder[MAX_PATH] = {};
    if (::SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder) != S_OK) {
        return {};
    }
    return Join(folder, "Stowlark");
}

void Win32Platform::AppendLogBytes(const std::string& logName, const std::string& bytes) {
    if (AppendToFile(Join(PrimaryLogFolder(), logName), bytes) == kErrorSuccess) return;
    // The library's folder takes no file (Program Files for a user, a
    // read-only medium): keep the entry in the per-user folder instead.
    std::string fallback = FallbackLogFolder();
    if (fallback.empty()) return;
    ::CreateDirectoryA(fallback.c_str(), nullptr);  // 183 when it is there already
    AppendToFile(Join(fallback, logName), bytes);
}

std::string Win32Platform::LogFilePath(const std::string& logName) {
    for (const std::string& folder : {PrimaryLogFolder(), FallbackLogFolder()}) {
        if (!folder.empty() && CanAppendTo(Join(folder, logName))) return Join(folder, logName);
    }
    return {};
}

}  // namespace sl::platform::win32
