// File backup: copies the files of a file instruction into the backup folder
// under numbered names and records where each came from.
#include <string>
#include <vector>

#include "kernel/interface/kernel.h"
#include "kernel/interface/log.h"
#include "kernel/platform/platform.h"
#include "kernel/resolve/path_text.h"
#include "kernel/script/text_fields.h"
#include "kernel/storage/name_filter.h"

namespace sl {

using platform::Current;
using platform::DWORD;

namespace {

constexpr std::int32_t kNoSourcePath = 4322;
// Subfolders deeper than this below a record's folder are not descended
// into: no Windows path (260 characters) reaches that deep, and a folder
// tree of any depth must not exhaust the stack of the walk.
constexpr std::size_t kMaxFolderDepth = 128;

std::size_t FolderDepth(const std::string& path) {
    std::size_t depth = 0;
    for (char c : path) depth += c == '\\' ? 1 : 0;
    return depth;
}

// A missing file, a missing folder and the end of a listing are not errors.
bool SearchSucceeded(DWORD status) {
    return status == 0 || status == platform::kErrorFileNotFound ||
           status == platform::kErrorPathNotFound || status == platform::kErrorNoMoreFiles;
}

bool IsFolder(const platform::FindData& entry) {
    return (entry.attributes & platform::kFileAttributeDirectory) != 0;
}

// Runs visit on every entry the search for pattern finds, in search order,
// and returns the error of the first search when it failed, else the error
// that ended the listing.
template <typename Visit>
DWORD SearchFolder(const std::string& pattern, Visit visit) {
    platform::Platform& files = Current();
    platform::FindHandle handle = 0;
    platform::FindData entry;
    DWORD status = files.FindFirstFile(pattern, &handle, &entry);
    if (status != 0) return status;
    do {
        visit(entry);
        entry = platform::FindData();
        status = files.FindNextFile(handle, &entry);
    } while (status == 0);
    files.FindClose(handle);
    return status;
}

// Copies one file found in a folder into the backup folder under the next
// number, and records the pair when the copy succeeded.
void CopyFoundFile(CSLKernel& kernel, CSLFileItem& record, const std::string& source,
                   const std::string& entryPrefix, const platform::FindData& entry) {
    if (IsFolder(entry)) return;
    // The number is used up even when the copy under it fails.
    ++kernel.BackupCounter;
    std::string backupName = std::to_string(kernel.BackupCounter) + ".dat";
    const std::string from = source + entry.name;
    const std::string to = kernel.Folder + backupName;
    kernel.NotifyItem(record.ID, from);
    DWORD rc = Current().CopyFile(from, to);
    if (rc == 0) {
        ++kernel.FilesCopied;
        record.SourceFiles.push_back(entryPrefix + entry.name);
        record.BackupFiles.push_back(std::move(backupName));
    } else {
        kernel.Report(Format("SLFileCopyFiles CopyFile '%s' --> '%s' returned error %i\n",
                             from.c_str(), to.c_str(), static_cast<int>(rc)));
    }
}

void ReportFilesSearch(CSLKernel& kernel, const std::string& pattern, DWORD searched) {
    kernel.Report(Format("SLFileCopyFiles FindFirstFile/FindNextFile on '%s' returned error %i\n",
                         pattern.c_str(), static_cast<int>(searched)));
}

}  // namespace

std::int32_t CSLKernel::SLFileCopyEx(CSLFileItem& record, const std::string& path,
                                     const std::string& includeDirs,
                                     const std::string& excludeDirs, const std::string& mask,
                                     std::int32_t recurse) {
    std::string base;
    if (record.PathID != 0) base = ResolvePathID(record.PathID);

    if (base.find(';') != std::string::npos) {
        // Several folders: from here on the record holds absolute paths.
        record.PathID = 0;
        std::string rest = base;
        for (std::string folder = CutField(rest, ';', false); !folder.empty();
             folder = CutField(rest, ';', false)) {
            folder = WithTrailingBackslash(folder);
            std::int32_t status =
                SLFileCopyEx(record, folder + path, includeDirs, excludeDirs, mask, recurse);
            if (status != 0) {
                AppendLog(Format("Error #%i copying %s%s", status, folder.c_str(), path.c_str()),
                          kLogName);
                return status;
            }
        }
        return 0;
    }

    const std::string source = WithTrailingBackslash(base + path);
    const std::string pattern = source + "*.*";
    // Where the files wanted are all of the folder's entries, one listing
    // serves for the files and then for the subfolders (the copies add no
    // folders to it).
    std::vector<platform::FindData> listed;
    DWORD searched = 0;
    if (recurse != 0 && mask == "*.*" && !source.empty() && (record.PathID == 0 || !base.empty())) {
        searched = SearchFolder(pattern, [&](const platform::FindData& entry) {
            listed.push_back(entry);
        });
        const std::string entryPrefix = WithTrailingBackslash(path);
        for (const platform::FindData& entry : listed) {
            CopyFoundFile(*this, record, source, entryPrefix, entry);
        }
        if (!SearchSucceeded(searched)) ReportFilesSearch(*this, pattern, searched);
    } else {
        std::int32_t status = SLFileCopyFiles(record, path, mask);
        if (recurse == 0) return status;
        if (source.empty()) {
            AppendLog("SLFileCopyEx sSourcePath == \"\"", kLogName);
            return kNoSourcePath;
        }
        searched = SearchFolder(pattern, [&](const platform::FindData& entry) {
            listed.push_back(entry);
        });
    }

    const std::string prefix = record.PathID != 0 ? WithTrailingBackslash(path) : source;
    for (const platform::FindData& entry : listed) {
        if (entry.name.empty() || entry.name[0] == '.') continue;
        if (!PassesNameFilter(entry.name, includeDirs, excludeDirs)) continue;
        if (!IsFolder(entry)) continue;
        // A linked folder (Wine links Desktop, Documents and the like to the
        // Unix home) is never descended into.
        if ((entry.attributes & platform::kFileAttributeReparsePoint) != 0) continue;
        if (FolderDepth(path) >= kMaxFolderDepth) {
            Report(Format("SLFileCopyEx '%s%s' lies too deep: not copied\n", source.c_str(),
                          entry.name.c_str()));
            continue;
        }
        // Its errors are reported by the call itself.
        SLFileCopyEx(record, prefix + entry.name, std::string(), std::string(), mask, recurse);
    }
    if (SearchSucceeded(searched)) return 0;
    Report(Format("SLFileCopyEx FindFirstFile/FindNextFile on '%s' returned error %i\n",
                  pattern.c_str(), static_cast<int>(searched)));
    return static_cast<std::int32_t>(searched);
}

std::int32_t CSLKernel::SLFileCopyFiles(CSLFileItem& record, const std::string& path,
                                        const std::string& mask) {
    std::string base;
    if (record.PathID != 0) {
        base = ResolvePathID(record.PathID);
        if (base.empty()) {
            Report(Format("SLFileCopyFiles ResolvePathID(%i) returned empty string\n",
                          record.PathID));
            return 0;
        }
    }

    const std::string source = WithTrailingBackslash(base + path);
    const std::string pattern = source + mask;
    const std::string entryPrefix = WithTrailingBackslash(path);
    DWORD searched = SearchFolder(pattern, [&](const platform::FindData& entry) {
        CopyFoundFile(*this, record, source, entryPrefix, entry);
    });
    if (SearchSucceeded(searched)) return 0;
    ReportFilesSearch(*this, pattern, searched);
    return static_cast<std::int32_t>(searched);
}

}  // namespace sl
