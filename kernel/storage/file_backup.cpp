#include "kernel/storage/file_backup.h"

#include <string>

#include "kernel/log/log.h"
#include "kernel/resolve/path_resolution.h"
#include "kernel/resolve/path_text.h"
#include "kernel/script/text_fields.h"
#include "kernel/storage/file_walk.h"

namespace sl {

namespace {

constexpr std::int32_t kNoSourcePath = 4322;

// Copies one file the walk found into the backup folder under the next
// number, and records the pair when the copy succeeded. The recorded source
// path is entryPrefix and the file's path after its first cut characters
// (what the record's resolved folder leaves).
void CopyWalkedFile(FileCopyRun& run, CSLFileItem& record, const std::string& entryPrefix,
                    std::size_t cut, const WalkedFile& file) {
    // The number is used up even when the copy under it fails.
    ++run.backupCounter;
    std::string backupName = std::to_string(run.backupCounter) + ".dat";
    const std::string to = run.folder + backupName;
    if (run.notifyItem) run.notifyItem(record.ID, file.path);
    platform::DWORD rc = run.machine.CopyFile(file.path, to);
    if (rc == 0) {
        ++run.filesCopied;
        record.SourceFiles.push_back(entryPrefix + file.path.substr(cut));
        record.BackupFiles.push_back(std::move(backupName));
    } else {
        ReportError(run.errorText,
                    Format("SLFileCopyFiles CopyFile '%s' --> '%s' returned error %i\n",
                           file.path.c_str(), to.c_str(), static_cast<int>(rc)));
    }
}

// What the backup reports of a walk: each failed listing, in the words of
// the step that listed (files, then subfolders), and folders too deep.
WalkReports BackupReports(FileCopyRun& run) {
    WalkReports reports;
    reports.listingFailed = [&run](const std::string& pattern, std::int32_t error, bool files) {
        ReportError(run.errorText,
                    Format("%s FindFirstFile/FindNextFile on '%s' returned error %i\n",
                           files ? "SLFileCopyFiles" : "SLFileCopyEx", pattern.c_str(), error));
    };
    reports.tooDeep = [&run](const std::string& folder) {
        ReportError(run.errorText, Format("SLFileCopyEx '%s' lies too deep: not copied\n",
                                          folder.c_str()));
    };
    return reports;
}

void ReportUnresolved(FileCopyRun& run, std::int32_t pathID) {
    ReportError(run.errorText,
                Format("SLFileCopyFiles ResolvePathID(%i) returned empty string\n", pathID));
}

// A PathID standing for several folders: each folder in turn, absolute.
std::int32_t BackupEachFolder(FileCopyRun& run, CSLFileItem& record, const std::string& folders,
                              const std::string& path, const std::string& mask,
                              std::int32_t recurse, const std::string& includeDirs,
                              const std::string& excludeDirs) {
    // From here on the record holds absolute paths.
    record.PathID = 0;
    std::string rest = folders;
    for (std::string folder = CutField(rest, ';', false); !folder.empty();
         folder = CutField(rest, ';', false)) {
        folder = WithTrailingBackslash(folder);
        std::int32_t status =
            BackupFileTree(run, record, folder + path, includeDirs, excludeDirs, mask, recurse);
        if (status != 0) {
            AppendLog(Format("Error #%i copying %s%s", status, folder.c_str(), path.c_str()),
                      kLogName);
            return status;
        }
    }
    return 0;
}

// A record whose PathID has no folder here copies nothing, but a recursion
// still walks the subfolders of path as given (relative), saying so in each.
std::int32_t BackupUnresolved(FileCopyRun& run, CSLFileItem& record, const std::string& path,
                              const std::string& includeDirs, const std::string& excludeDirs,
                              const std::string& mask, std::int32_t recurse) {
    ReportUnresolved(run, record.PathID);
    if (recurse == 0) return 0;
    if (WithTrailingBackslash(path).empty()) {
        AppendLog("SLFileCopyEx sSourcePath == \"\"", kLogName);
        return kNoSourcePath;
    }
    WalkReports reports = BackupReports(run);
    bool top = true;
    reports.enterFolder = [&](const std::string&) {
        // Each folder below looks for the PathID's folder again, twice.
        if (!top) {
            ResolvePathID(record.PathID, run.errorText);
            ResolvePathID(record.PathID, run.errorText);
            ReportUnresolved(run, record.PathID);
        }
        top = false;
        return false;
    };
    return WalkBackupFiles(
        run.machine, path, mask, includeDirs, excludeDirs, recurse,
        [](const WalkedFile&) { return true; }, reports);
}

}  // namespace

std::int32_t BackupFileTree(FileCopyRun& run, CSLFileItem& record, const std::string& path,
                            const std::string& includeDirs, const std::string& excludeDirs,
                            const std::string& mask, std::int32_t recurse) {
    std::string base;
    if (record.PathID != 0) base = ResolvePathID(record.PathID, run.errorText);
    if (base.find(';') != std::string::npos) {
        return BackupEachFolder(run, record, base, path, mask, recurse, includeDirs, excludeDirs);
    }
    if (record.PathID != 0 && base.empty()) {
        // The second look of the files' own step finds nothing either.
        ResolvePathID(record.PathID, run.errorText);
        return BackupUnresolved(run, record, path, includeDirs, excludeDirs, mask, recurse);
    }
    const auto copy = [&](const WalkedFile& file) {
        CopyWalkedFile(run, record, std::string(), base.size(), file);
        return true;
    };
    if (recurse != 0 && WithTrailingBackslash(base + path).empty()) {
        // Nowhere to recurse from: the files of the current folder only.
        WalkBackupFiles(run.machine, path, mask, includeDirs, excludeDirs, 0, copy,
                        BackupReports(run));
        AppendLog("SLFileCopyEx sSourcePath == \"\"", kLogName);
        return kNoSourcePath;
    }
    return WalkBackupFiles(run.machine, base + path, mask, includeDirs, excludeDirs, recurse, copy,
                           BackupReports(run), base.size());
}

std::int32_t BackupFolderFiles(FileCopyRun& run, CSLFileItem& record, const std::string& path,
                               const std::string& mask) {
    std::string base;
    if (record.PathID != 0) {
        base = ResolvePathID(record.PathID, run.errorText);
        if (base.empty()) {
            ReportUnresolved(run, record.PathID);
            return 0;
        }
    }
    const std::string entryPrefix = WithTrailingBackslash(path);
    const std::size_t cut = WithTrailingBackslash(base + path).size();
    return WalkBackupFiles(
        run.machine, base + path, mask, std::string(), std::string(), 0,
        [&](const WalkedFile& file) {
            CopyWalkedFile(run, record, entryPrefix, cut, file);
            return true;
        },
        BackupReports(run));
}

}  // namespace sl
