// The machine as the kernel sees it: a narrow, Win32-shaped surface for the
// registry, files and the library's own module. The kernel never touches POSIX
// calls or Wine's file formats; everything machine-specific sits behind this
// interface, with one real backend per platform (kernel/platform/wine today).
//
// Every call returns a Win32 error number (0 success). The numbers used:
//   2 file not found, 3 path not found, 5 access denied, 6 invalid handle,
//   18 no more files, 32 sharing violation, 50 not supported, 80 file exists,
//   87 invalid parameter, 112 disk full, 123 invalid name, 183 already
//   exists, 234 more data, 259 no more items, 1920 not a plain file (a FIFO,
//   a device, a socket, a file with a second name), 1921 a link where a file
//   was meant.
// Callers log the number unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "kernel/platform/machine_choice.h"

namespace sl::platform {

using HKEY = std::uintptr_t;
using LONG = std::int32_t;
using DWORD = std::uint32_t;

// Predefined roots, raw handle values as stored in backup files.
inline constexpr HKEY kHkeyClassesRoot = 0x80000000u;
inline constexpr HKEY kHkeyCurrentUser = 0x80000001u;
inline constexpr HKEY kHkeyLocalMachine = 0x80000002u;
inline constexpr HKEY kHkeyUsers = 0x80000003u;

// Registry limits of Windows: a key lies at most this many levels below its
// root, and a key's name has at most this many characters.
inline constexpr std::size_t kMaxKeyDepth = 512;
inline constexpr std::size_t kMaxKeyNameLength = 255;

// Access rights.
inline constexpr DWORD kKeyQueryValue = 0x0001;
inline constexpr DWORD kKeySetValue = 0x0002;
inline constexpr DWORD kKeyRead = 0x20019;
inline constexpr DWORD kKeyAllAccess = 0xF003F;
inline constexpr DWORD kRegOptionNonVolatile = 0;

// Value types (stored as numbers, never interpreted beyond string conversion).
inline constexpr DWORD kRegNone = 0;
inline constexpr DWORD kRegSz = 1;
inline constexpr DWORD kRegExpandSz = 2;
inline constexpr DWORD kRegBinary = 3;
inline constexpr DWORD kRegDword = 4;
inline constexpr DWORD kRegMultiSz = 7;

// Error numbers.
inline constexpr DWORD kErrorSuccess = 0;
inline constexpr DWORD kErrorFileNotFound = 2;
inline constexpr DWORD kErrorPathNotFound = 3;
inline constexpr DWORD kErrorAccessDenied = 5;
inline constexpr DWORD kErrorInvalidHandle = 6;
inline constexpr DWORD kErrorNoMoreFiles = 18;
inline constexpr DWORD kErrorSharingViolation = 32;
inline constexpr DWORD kErrorNotSupported = 50;
inline constexpr DWORD kErrorFileExists = 80;
inline constexpr DWORD kErrorInvalidParameter = 87;
inline constexpr DWORD kErrorDiskFull = 112;
inline constexpr DWORD kErrorInvalidName = 123;
inline constexpr DWORD kErrorAlreadyExists = 183;
inline constexpr DWORD kErrorMoreData = 234;
inline constexpr DWORD kErrorNoMoreItems = 259;
inline constexpr DWORD kErrorCantAccessFile = 1920;
inline constexpr DWORD kErrorCantResolveFilename = 1921;

// File attributes.
inline constexpr DWORD kFileAttributeReadOnly = 0x01;
inline constexpr DWORD kFileAttributeHidden = 0x02;
inline constexpr DWORD kFileAttributeDirectory = 0x10;
inline constexpr DWORD kFileAttributeNormal = 0x80;
inline constexpr DWORD kFileAttributeReparsePoint = 0x400;  // a symbolic link
inline constexpr DWORD kInvalidFileAttributes = 0xFFFFFFFFu;

// One entry of a directory search.
struct FindData {
    std::string name;        // the name as stored, in the ANSI code page
    DWORD attributes = 0;    // kFileAttribute* bits
    std::uint64_t size = 0;  // bytes, 0 for folders
};

using FindHandle = std::uintptr_t;  // 0 is never a valid handle
using FileHandle = std::uintptr_t;  // 0 is never a valid handle

// Read opens an existing file; Write creates or truncates one; CreateNew
// creates a file that must not exist yet (80 when anything has that name).
enum class FileAccess { Read, Write, CreateNew };

// Files whose names start with this are temporaries of a whole-file replace
// (the kernel's or a backend's): a directory search does not list them, and
// a stale one (its writer gone) is removed by the next write in its folder.
inline constexpr const char kTemporaryPrefix[] = ".sl-tmp-";

class Platform {
public:
    virtual ~Platform() = default;

    // ---- Registry (ANSI calls). Names compare without regard to case.
    // Open an existing key below root (a predefined root or an open key).
    virtual LONG RegOpenKeyEx(HKEY root, const char* subKey, DWORD samDesired, HKEY* result) = 0;
    // Open or create the key (and missing parents). keyClass may be null.
    // disposition (may be null) receives 1 created new, 2 opened existing.
    virtual LONG RegCreateKeyEx(HKEY root, const char* subKey, const char* keyClass, DWORD options,
                                DWORD samDesired, HKEY* result, DWORD* disposition) = 0;
    // Closing a predefined root is a no-op returning 0; an unknown handle gives 6.
    virtual LONG RegCloseKey(HKEY key) = 0;
    // Any out pointer may be null. Lengths in characters without the zero,
    // data sizes in bytes, as the ANSI call reports them.
    virtual LONG RegQueryInfoKey(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLen, DWORD* values,
                                 DWORD* maxValueNameLen, DWORD* maxValueLen) = 0;
    // Subkey at index in enumeration order. *nameLen and *classLen hold the
    // buffer sizes in, the copied lengths (without zero) out. keyClass may be
    // null. 234 when a buffer is too small, 259 past the end.
    virtual LONG RegEnumKeyEx(HKEY key, DWORD index, char* name, DWORD* nameLen, char* keyClass,
                              DWORD* classLen) = 0;
    // Value at index in enumeration order. data may be null (size query only).
    // 234 when name or data do not fit, 259 past the end.
    virtual LONG RegEnumValue(HKEY key, DWORD index, char* name, DWORD* nameLen, DWORD* type,
                              std::uint8_t* data, DWORD* dataLen) = 0;
    // name null or "" is the default value. 2 when missing, 234 when *dataLen
    // is too small (then *dataLen holds the size needed).
    virtual LONG RegQueryValueEx(HKEY key, const char* name, DWORD* type, std::uint8_t* data,
                                 DWORD* dataLen) = 0;
    // String types are converted from the ANSI code page. Refused with 32
    // while another process owns the registry.
    virtual LONG RegSetValueEx(HKEY key, const char* name, DWORD type, const std::uint8_t* data,
                               DWORD dataLen) = 0;
    // Writes the hive holding key to disk, whole or not at all.
    virtual LONG RegFlushKey(HKEY key) = 0;

    // ---- Files and folders. Paths are DOS paths (C:\a\b), relative ones taken
    // against the process's current folder.
    // Search a folder with a Windows wildcard pattern ("C:\dir\*.*").
    // 2 no match, 3 missing folder. ".", ".." come first. Temporaries
    // (kTemporaryPrefix) are not listed.
    virtual DWORD FindFirstFile(const std::string& pattern, FindHandle* handle, FindData* data) = 0;
    // 18 at the end of the listing.
    virtual DWORD FindNextFile(FindHandle handle, FindData* data) = 0;
    virtual DWORD FindClose(FindHandle handle) = 0;
    // Copy replacing the target, whole or not at all. The source must be a
    // plain file reached without a link at its last element (1921 for a
    // link, 1920 for a FIFO, device or socket); a link or special file in the
    // target's place is replaced, never written through. A replaced target
    // keeps its permission bits; a new one gets those of a new file, less
    // the group and other rights the source does not have.
    virtual DWORD CopyFile(const std::string& from, const std::string& to) = 0;
    // Create one folder; 183 when it exists, 3 when its parent is missing.
    virtual DWORD CreateDirectory(const std::string& path) = 0;
    // *attributes = kFileAttribute* bits; 2 or 3 when nothing is there.
    virtual DWORD GetFileAttributes(const std::string& path, DWORD* attributes) = 0;
    virtual std::string GetWindowsDirectory() = 0;  // "C:\windows"
    virtual std::string GetSystemDirectory() = 0;   // "C:\windows\system32"

    // Whole-file access with exclusive sharing (no other opener meanwhile).
    // Only plain files are opened, never through a link at the last element
    // (1921) nor a FIFO, device or socket (1920, without waiting for a
    // writer); Write refuses a file with a second name (1920) rather than
    // truncate what the other name shows.
    virtual DWORD OpenFile(const std::string& path, FileAccess access, FileHandle* handle) = 0;
    // *done < size only at the end of the file.
    virtual DWORD ReadFile(FileHandle handle, void* buffer, std::size_t size, std::size_t* done) = 0;
    virtual DWORD WriteFile(FileHandle handle, const void* buffer, std::size_t size) = 0;
    virtual DWORD FileSize(FileHandle handle, std::uint64_t* size) = 0;
    // Flushes to stable storage before closing when sync is set.
    virtual DWORD CloseFile(FileHandle handle, bool sync) = 0;
    // Rename replacing an existing target atomically.
    virtual DWORD MoveFileReplace(const std::string& from, const std::string& to) = 0;
    virtual DWORD DeleteFile(const std::string& path) = 0;

    // Holds an exclusive lock on a folder (not on a file in it, so nothing is
    // created there) until UnlockFolder: 0 with *handle set, 32 while another
    // holder (any process or thread) has it, 3 when the folder is missing or
    // not a folder. A backend without folder locks returns 50 (not
    // supported) and *handle 0; callers then work unlocked.
    virtual DWORD LockFolder(const std::string& path, FileHandle* handle) {
        (void)path;
        *handle = 0;
        return kErrorNotSupported;
    }
    // Releases a lock that LockFolder gave (the handle as it gave it); 0, or
    // 6 for the handle 0.
    virtual DWORD UnlockFolder(FileHandle handle) { return handle == 0 ? kErrorInvalidHandle : 0; }

    // ---- Module.
    // The kernel library's own file (native form), for messages.
    virtual std::string ModuleFileName() = 0;
    // Appends bytes as one entry to the log file of that name beside the
    // library (or the platform's fallback when that folder is not
    // writable). Opened exclusively and closed again for each entry.
    virtual void AppendLogBytes(const std::string& logName, const std::string& bytes) = 0;
    // Where AppendLogBytes writes an entry of that name (native form); empty
    // when no folder for logs can take one.
    virtual std::string LogFilePath(const std::string& logName) = 0;
};

// The environment variables through which a program makes a Windows disk
// the default machine (set them before the library's next call): the
// mounted folder of the disk's system partition ("/mnt/oldpc"), and the name
// of the user profile to read (compared without regard to case; unset or
// empty: the only profile there is). While the first is set and not empty
// the default machine is that disk, read-only (offline/machine/
// offline_platform.h); otherwise the Wine prefix. (machine_choice.h holds
// them, so that the programs see them through the public header.)

// The platform every kernel operation uses. Until Install() is called this is
// the real backend of the build (the Windows disk of STOWLARK_WINDOWS_DISK,
// else the Wine prefix of WINEPREFIX or ~/.wine).
// The default backend is made anew when DefaultMachineName() has changed
// since it was made (a program that lets the user choose another prefix sets
// WINEPREFIX, or another disk or profile the two variables above, between
// two library calls); the one it replaces stays alive
// with the library, since a caller may still hold a reference to it.
Platform& Current();
// Replaces the current platform (tests, fault injection); returns the previous
// one. nullptr restores the default backend.
std::shared_ptr<Platform> Install(std::shared_ptr<Platform> platform);
// A new default backend (the build's real one).
std::shared_ptr<Platform> MakeDefault();
// What names the machine MakeDefault() would work on now: the disk and the
// profile when STOWLARK_WINDOWS_DISK is set, else the value of WINEPREFIX
// ("" when unset).
std::string DefaultMachineName();

}  // namespace sl::platform
