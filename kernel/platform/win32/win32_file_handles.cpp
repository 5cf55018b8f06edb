// Win32Platform's whole-file access for the kernel's own files, renames,
// deletions and folder locks.
#include <algorithm>
#include <cstdio>

#include "kernel/platform/win32/win32_platform.h"
#include "kernel/platform/win32/windows_api.h"

namespace sl::platform::win32 {
namespace {

// Bytes one ReadFile or WriteFile call moves at most (its count is 32 bits).
constexpr std::size_t kChunk = std::size_t{1} << 30;

HANDLE Native(FileHandle handle) { return reinterpret_cast<HANDLE>(handle); }

// What an opened name turned out to be: 0 for a plain disk file; 1921 a
// reparse point (a link) at the last element; 1920 a device or pipe, or
// (when writing) a file with a second name.
DWORD CheckOpened(HANDLE file, FileAccess access) {
    if (::GetFileType(file) != FILE_TYPE_DISK) return kErrorCantAccessFile;
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(file, &info)) return ::GetLastError();
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return kErrorCantResolveFilename;
    if (access != FileAccess::Read && info.nNumberOfLinks > 1) return kErrorCantAccessFile;
    return kErrorSuccess;
}

}  // namespace

DWORD Win32Platform::OpenFile(const std::string& path, FileAccess access, FileHandle* handle) {
    const ::DWORD rights = access == FileAccess::Read ? GENERIC_READ : GENERIC_WRITE;
    const ::DWORD disposition = access == FileAccess::Read    ? OPEN_EXISTING
                                : access == FileAccess::Write ? OPEN_ALWAYS
                                                              : CREATE_NEW;
    // No sharing: the file is this opener's alone until it is closed.
    HANDLE file = ::CreateFileA(path.c_str(), rights, 0, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return ::GetLastError();
    DWORD error = CheckOpened(file, access);
    // Truncated only once it is known to be a plain file of its own.
    if (error == kErrorSuccess && access == FileAccess::Write && !::SetEndOfFile(file)) {
        error = ::GetLastError();
    }
    if (error != kErrorSuccess) {
        ::CloseHandle(file);
        return error;
    }
    *handle = reinterpret_cast<FileHandle>(file);
    return kErrorSuccess;
}

DWORD Win32Platform::ReadFile(FileHandle handle, void* buffer, std::size_t size,
                              std::size_t* done) {
    std::size_t total = 0;
    char* out = static_cast<char*>(buffer);
    DWORD error = kErrorSuccess;
    while (total < size) {
        ::DWORD n = 0;
        const ::DWORD ask = static_cast<::DWORD>(std::min(size - total, kChunk));
        if (!::ReadFile(Native(handle), out + total, ask, &n, nullptr)) {
            error = ::GetLastError();
            break;
        }
        if (n == 0) break;  // the end of the file
        total += n;
    }
    if (done) *done = total;
    return error;
}

DWORD Win32Platform::WriteFile(FileHandle handle, const void* buffer, std::size_t size) {
    const char* in = static_cast<const char*>(buffer);
    while (size > 0) {
        ::DWORD n = 0;
        const ::DWORD ask = static_cast<::DWORD>(std::min(size, kChunk));
        if (!::WriteFile(Native(handle), in, ask, &n, nullptr)) return ::GetLastError();
        if (n == 0) return kErrorDiskFull;
        in += n;
        size -= n;
    }
    return kErrorSuccess;
}

DWORD Win32Platform::FileSize(FileHandle handle, std::uint64_t* size) {
    LARGE_INTEGER n;
    if (!::GetFileSizeEx(Native(handle), &n)) return ::GetLastError();
    *size = static_cast<std::uint64_t>(n.QuadPart);
    return kErrorSuccess;
}

DWORD Win32Platform::CloseFile(FileHandle handle, bool sync) {
    if (handle == 0) return kErrorInvalidHandle;
    DWORD error = kErrorSuccess;
    if (sync && !::FlushFileBuffers(Native(handle))) error = ::GetLastError();
    if (!::CloseHandle(Native(handle)) && error == kErrorSuccess) error = ::GetLastError();
    return error;
}

DWORD Win32Platform::MoveFileReplace(const std::string& from, const std::string& to) {
    if (::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return kErrorSuccess;
    }
    return ::GetLastError();
}

DWORD Win32Platform::DeleteFile(const std::string& path) {
    return ::DeleteFileA(path.c_str()) ? kErrorSuccess : ::GetLastError();
}

DWORD Win32Platform::LockFolder(const std::string& path, FileHandle* handle) {
    *handle = 0;
    // The folder itself is only looked at (every sharing allowed), for what
    // it is: a share mode strict enough to shut out a second locker would
    // also shut out renames into the folder, which open it for writing.
    HANDLE folder = ::CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE) {
        DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? kErrorPathNotFound : error;
    }
    BY_HANDLE_FILE_INFORMATION info;
    const bool isFolder = ::GetFileInformationByHandle(folder, &info) &&
                          (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    ::CloseHandle(folder);
    if (!isFolder) return kErrorPathNotFound;
    // The lock is a semaphore of one named after the folder's identity
    // (volume and file index: every name and link of it is the same
    // folder). Unlike a mutex it belongs to no thread, so a second lock from
    // the same thread is refused as well; the object goes away with the
    // last handle to it, also when its holder is killed.
    char name[96];
    std::snprintf(name, sizeof name, "Local\\Stowlark.FolderLock.%08lx.%08lx%08lx",
                  static_cast<unsigned long>(info.dwVolumeSerialNumber),
                  static_cast<unsigned long>(info.nFileIndexHigh),
                  static_cast<unsigned long>(info.nFileIndexLow));
    HANDLE lock = ::CreateSemaphoreA(nullptr, 1, 1, name);
    if (lock == nullptr) return ::GetLastError();
    if (::WaitForSingleObject(lock, 0) != WAIT_OBJECT_0) {
        ::CloseHandle(lock);
        return kErrorSharingViolation;
    }
    *handle = reinterpret_cast<FileHandle>(lock);
    return kErrorSuccess;
}

DWORD Win32Platform::UnlockFolder(FileHandle handle) {
    if (handle == 0) return kErrorInvalidHandle;
    if (!::ReleaseSemaphore(Native(handle), 1, nullptr)) return ::GetLastError();
    return ::CloseHandle(Native(handle)) ? kErrorSuccess : ::GetLastError();
}

}  // namespace sl::platform::win32
