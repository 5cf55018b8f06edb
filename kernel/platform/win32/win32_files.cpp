// Win32Platform's folder searches, copies, folders and attributes.
#include <random>

#include "kernel/platform/win32/win32_paths.h"
#include "kernel/platform/win32/win32_platform.h"
#include "kernel/platform/win32/windows_api.h"

namespace sl::platform::win32 {
namespace {

constexpr std::size_t kMaxTargetPart = 200;  // of a temporary's name
constexpr int kTemporaryAttempts = 100;

HANDLE Native(std::uintptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

void Fill(const WIN32_FIND_DATAA& found, FindData* data) {
    data->name = found.cFileName;
    data->attributes = found.dwFileAttributes;
    data->size = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                     ? 0
                     : (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
}

// Moves the search past temporaries; false with the last error set when it
// comes to the end.
bool SkipTemporaries(HANDLE search, WIN32_FIND_DATAA* found) {
    while (IsTemporaryName(found->cFileName)) {
        if (!::FindNextFileA(search, found)) return false;
    }
    return true;
}

std::string TemporaryNameFor(const std::string& target) {
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device device;
    std::string name = kTemporaryPrefix;
    name += BaseName(target).substr(0, kMaxTargetPart);
    name += '-';
    for (int i = 0; i < 6; ++i) name.push_back(kChars[device() % 62]);
    return Join(FolderOf(target), name);
}

// What a copy may replace: nothing, a file that is not read-only, or a link
// (replaced itself). 5 for a folder or a read-only file, as CopyFileA says.
DWORD CheckTarget(const std::string& to) {
    ::DWORD old = ::GetFileAttributesA(to.c_str());
    if (old == INVALID_FILE_ATTRIBUTES) return kErrorSuccess;
    if (old & FILE_ATTRIBUTE_REPARSE_POINT) return kErrorSuccess;
    if (old & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) return kErrorAccessDenied;
    return kErrorSuccess;
}

// A new file beside target holding a copy of from; its name in *temporary.
DWORD CopyToTemporary(const std::string& from, const std::string& target,
                      std::string* temporary) {
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        *temporary = TemporaryNameFor(target);
        if (::CopyFileA(from.c_str(), temporary->c_str(), TRUE)) {
            // The copy takes the source's attributes; a read-only one could
            // never be replaced by the next restore.
            ::DWORD attributes = ::GetFileAttributesA(temporary->c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
                ::SetFileAttributesA(temporary->c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
            }
            return kErrorSuccess;
        }
        DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            ::DeleteFileA(temporary->c_str());  // a partial copy, if any
            return error;
        }
    }
    return kErrorFileExists;
}

}  // namespace

DWORD Win32Platform::FindFirstFile(const std::string& pattern, FindHandle* handle,
                                   FindData* data) {
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return ::GetLastError();
    if (!SkipTemporaries(search, &found)) {
        DWORD error = ::GetLastError();
        ::FindClose(search);
        return error == ERROR_NO_MORE_FILES ? kErrorFileNotFound : error;
    }
    Fill(found, data);
    *handle = reinterpret_cast<FindHandle>(search);
    return kErrorSuccess;
}

DWORD Win32Platform::FindNextFile(FindHandle handle, FindData* data) {
    if (handle == 0) return kErrorInvalidHandle;
    WIN32_FIND_DATAA found;
    if (!::FindNextFileA(Native(handle), &found) || !SkipTemporaries(Native(handle), &found)) {
        return ::GetLastError();
    }
    Fill(found, data);
    return kErrorSuccess;
}

DWORD Win32Platform::FindClose(FindHandle handle) {
    if (handle == 0 || Native(handle) == INVALID_HANDLE_VALUE) return kErrorInvalidHandle;
    return ::FindClose(Native(handle)) ? kErrorSuccess : ::GetLastError();
}

void Win32Platform::SweepOnce(const std::string& folder) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!swept_.insert(folder).second) return;
    }
    WIN32_FIND_DATAA found;
    const std::string pattern = Join(folder, std::string(kTemporaryPrefix) + "*");
    HANDLE search = ::FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        // A temporary still being written is open without delete sharing:
        // its deletion fails and it stays.
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            ::DeleteFileA(Join(folder, found.cFileName).c_str());
        }
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
}

DWORD Win32Platform::CopyFile(const std::string& from, const std::string& to) {
    ::DWORD source = ::GetFileAttributesA(from.c_str());
    if (source == INVALID_FILE_ATTRIBUTES) return ::GetLastError();
    if (source & FILE_ATTRIBUTE_REPARSE_POINT) return kErrorCantResolveFilename;
    if (source & FILE_ATTRIBUTE_DEVICE) return kErrorCantAccessFile;
    if (source & FILE_ATTRIBUTE_DIRECTORY) return kErrorAccessDenied;
    DWORD error = CheckTarget(to);
    if (error != kErrorSuccess) return error;
    SweepOnce(FolderOf(to));
    std::string temporary;
    error = CopyToTemporary(from, to, &temporary);
    if (error != kErrorSuccess) return error;
    if (!::MoveFileExA(temporary.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = ::GetLastError();
        ::DeleteFileA(temporary.c_str());
        return error;
    }
    return kErrorSuccess;
}

DWORD Win32Platform::CreateDirectory(const std::string& path) {
    return ::CreateDirectoryA(path.c_str(), nullptr) ? kErrorSuccess : ::GetLastError();
}

DWORD Win32Platform::GetFileAttributes(const std::string& path, DWORD* attributes) {
    ::DWORD found = ::GetFileAttributesA(path.c_str());
    if (found == INVALID_FILE_ATTRIBUTES) return ::GetLastError();
    *attributes = found;
    return kErrorSuccess;
}

namespace {

// The answer of a GetXxxDirectoryA call, whatever its length.
template <typename Call>
std::string FolderFrom(Call call) {
    std::string path(MAX_PATH, '\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        UINT n = call(path.data(), static_cast<UINT>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.assign(n, '\0');  // n is the size needed, with the zero
    }
    return {};
}

}  // namespace

std::string Win32Platform::GetWindowsDirectory() {
    return FolderFrom([](char* buffer, UINT size) { return ::GetWindowsDirectoryA(buffer, size); });
}

std::string Win32Platform::GetSystemDirectory() {
    return FolderFrom([](char* buffer, UINT size) { return ::GetSystemDirectoryA(buffer, size); });
}

}  // namespace sl::platform::win32
