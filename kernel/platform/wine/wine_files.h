// Files and folders of a Wine prefix, reached through DOS paths (see
// dos_paths.h). The methods behave as the Platform calls of the same name
// (kernel/platform/platform.h); the details below are what this backend
// promises beyond that.
#pragma once

#include <cstdint>
#include <map>
#include <unordered_set>
#include <memory>
#include <mutex>
#include <string>

#include "kernel/platform/platform.h"

namespace sl::platform::wine {

// Attributes of the entry at a Unix path, as a directory search reports them:
// folders (also through a link) get kFileAttributeDirectory, a link to a
// folder also kFileAttributeReparsePoint; an entry without any write
// permission bit kFileAttributeReadOnly; a name starting with a dot
// kFileAttributeHidden; a file with none of these kFileAttributeNormal.
// *size is the file's size, 0 for folders. 0, or the error of the lookup
// (a dangling link counts as missing).
DWORD UnixAttributes(const std::string& unixPath, DWORD* attributes, std::uint64_t* size);

class WineFiles {
public:
    explicit WineFiles(std::string prefixPath);
    ~WineFiles();
    WineFiles(const WineFiles&) = delete;
    WineFiles& operator=(const WineFiles&) = delete;

    // The pattern is a folder and a last element that may hold wildcards
    // (see wildcard.h). "." and ".." come first when the pattern matches
    // them, then the other entries in name order without regard to case.
    // A last element without wildcards finds that one entry. Dangling links
    // are not listed, nor temporaries of replaces (temporary_files.h). 2 no
    // match (also for an empty last element), 3 missing folder, 123 an
    // invalid folder name.
    DWORD FindFirstFile(const std::string& pattern, FindHandle* handle, FindData* data);
    DWORD FindNextFile(FindHandle handle, FindData* data);  // 18 at the end, 6 bad handle
    DWORD FindClose(FindHandle handle);                     // 6 bad handle

    // Copies data and modification time so that the target
    // is either the old file (or absent) or the whole new one, also after the
    // process is killed at any point: a new file takes the target's name
    // only once complete (an unnamed file where the file system has them,
    // else a temporary file beside the target, which a kill may leave behind,
    // renamed over it). The copy is not synced to the disk: after a power
    // loss the target may be empty; what must survive one is written with
    // OpenFile and CloseFile(sync). A replaced file keeps its permission
    // bits; a new one is made with 0666 less the group and other rights the
    // source lacks, less the umask. The source is opened as OpenFile opens
    // it (no link, no FIFO or device); a link or special file at the target
    // is replaced by the copy, never opened. A temporary made on the way is
    // locked until renamed, and stale ones of the folder are swept first.
    // 2 source missing,
    // 3 a folder missing, 5 source or target is a folder or the target is
    // read-only, 32 either file is open exclusively elsewhere, 112 disk full,
    // 1920/1921 the source is no plain file / is a link.
    DWORD CopyFile(const std::string& from, const std::string& to);
    // 183 when anything of that name exists, 3 parent missing.
    DWORD CreateDirectory(const std::string& path);
    // See UnixAttributes; 2 when missing, 3 when a folder above is missing.
    DWORD GetFileAttributes(const std::string& path, DWORD* attributes);

    // Exclusive against every other OpenFile and CopyFile of any process
    // using this backend (an advisory lock on the open file): 32 when it is
    // taken. Write creates or truncates (after taking the lock); CreateNew
    // creates (80 when the name is taken; a temporary's folder is swept of
    // stale ones first). 5 for a folder or a read-only file (Write), 1921 a
    // link at the last element, 1920 a FIFO, device or socket (never waited
    // on) or, for Write, a file with a second name (it is not truncated).
    DWORD OpenFile(const std::string& path, FileAccess access, FileHandle* handle);
    DWORD ReadFile(FileHandle handle, void* buffer, std::size_t size, std::size_t* done);
    DWORD WriteFile(FileHandle handle, const void* buffer, std::size_t size);
    DWORD FileSize(FileHandle handle, std::uint64_t* size);
    DWORD CloseFile(FileHandle handle, bool sync);
    // rename(2): 2/3 source missing, 5 read-only target or a folder target,
    // 17 different file systems. A link at the target is replaced itself.
    DWORD MoveFileReplace(const std::string& from, const std::string& to);
    // 2/3 missing, 5 a folder or a read-only file.
    DWORD DeleteFile(const std::string& path);

private:
    struct Search;
    DWORD Map(const std::string& dosPath, std::string* unixPath) const;
    // Removes what killed writers left in a Unix folder the first time this
    // object writes there (temporary_files.h), not on every write.
    void SweepOnce(const std::string& unixFolder);

    std::string prefix_;
    std::mutex mutex_;
    std::uintptr_t nextHandle_ = 1;
    std::map<std::uintptr_t, std::unique_ptr<Search>> searches_;
    std::map<std::uintptr_t, int> files_;  // handle -> file descriptor
    std::unordered_set<std::string> swept_;  // folders SweepOnce has swept
};

}  // namespace sl::platform::wine
