// File restore: copies the backup files of one record back to where they
// came from, below the folder its PathID resolves to on this machine.
#include "kernel/storage/file_restore.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>

#include "kernel/interface/kernel.h"
#include "kernel/interface/log.h"
#include "kernel/platform/platform.h"
#include "kernel/resolve/path_text.h"
#include "kernel/script/text_fields.h"

namespace sl {

namespace {

constexpr std::int32_t kUnresolvedPathID = 2135;

// An element made only of dots and blanks with at least two dots climbs out
// of its folder (Windows drops trailing dots and blanks from names).
bool IsParentElement(std::string_view element) {
    std::size_t dots = 0;
    for (char c : element) {
        if (c == '.') {
            ++dots;
        } else if (c != ' ' && c != '\t') {
            return false;
        }
    }
    return dots >= 2;
}

}  // namespace

bool PathExists(const std::string& path) {
    platform::DWORD attributes = 0;
    return platform::Current().GetFileAttributes(path, &attributes) == 0;
}

std::int32_t CreateOneFolder(const std::string& path) {
    platform::DWORD rc = platform::Current().CreateDirectory(path);
    if (rc == 0 || rc == platform::kErrorAlreadyExists) return 0;
    return static_cast<std::int32_t>(rc);
}

std::int32_t MakePath(const std::string& path, std::unordered_set<std::string>* known) {
    // The whole path as given, once made, answers for every later file there.
    if (known && known->count(path)) return 0;
    std::string done;
    std::string rest = path;
    for (std::string element = CutField(rest, '\\', false); !element.empty();
         element = CutField(rest, '\\', false)) {
        done += element + "\\";
        if (known && known->count(done)) continue;
        if (!PathExists(done)) {
            std::int32_t rc = CreateOneFolder(done);
            if (rc != 0) return rc;
        }
        if (known) known->insert(done);
    }
    if (known) known->insert(path);
    return 0;
}

bool IsSafeRestorePair(std::int32_t pathID, const std::string& sourceEntry,
                       const std::string& backupEntry) {
    if (!IsPlainFileName(backupEntry)) return false;
    if (pathID != 0) {
        if (!sourceEntry.empty() && (sourceEntry[0] == '\\' || sourceEntry[0] == '/')) return false;
        if (sourceEntry.find(':') != std::string::npos) return false;
    }
    const std::string_view entry = sourceEntry;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = entry.find_first_of("\\/", start);
        const std::string_view element =
            entry.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (IsParentElement(element)) return false;
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

std::int32_t CSLKernel::SLRestoreFiles(const CSLFileItem& record) {
    std::string destination;
    if (record.PathID != 0) {
        destination = ResolvePathID(record.PathID);
        if (destination.empty()) {
            AppendLog(Format("Cannot resolve PathID %i", record.PathID), kLogName);
            return kUnresolvedPathID;
        }
    }

    std::int32_t status = 0;
    // Folders found or made for earlier files of this record.
    std::unordered_set<std::string> knownFolders;
    const std::size_t pairs = std::min(record.SourceFiles.size(), record.BackupFiles.size());
    for (std::size_t i = 0; i < pairs; ++i) {
        const std::string& sourceEntry = record.SourceFiles[i];
        const std::string& backupEntry = record.BackupFiles[i];
        // A bookkeeping file is input: never let it write outside the
        // record's folder or read outside the backup folder.
        if (!IsSafeRestorePair(record.PathID, sourceEntry, backupEntry)) {
            Report(Format("SLRestoreFiles refused '%s' --> '%s'\n", backupEntry.c_str(),
                          sourceEntry.c_str()));
            status = platform::kErrorInvalidName;
            continue;
        }

        const std::string target = destination + sourceEntry;
        const std::string folder = DirectoryPart(target);
        std::int32_t rc = MakePath(folder, &knownFolders);
        if (rc != 0) {
            status = rc;
            Report(Format("SLRestoreFiles CreateDirectory '%s' returned error %i\n",
                          folder.c_str(), rc));
            continue;
        }
        const std::string backupPath = Folder + backupEntry;
        platform::DWORD copied = platform::Current().CopyFile(backupPath, target);
        if (copied == platform::kErrorPathNotFound && !knownFolders.empty()) {
            // A folder made earlier went away meanwhile: make it again.
            knownFolders.clear();
            if (MakePath(folder, &knownFolders) == 0) {
                copied = platform::Current().CopyFile(backupPath, target);
            }
        }
        if (copied != 0) {
            // A file that did not come back fails its component: counting it
            // as restored would report a failure as success.
            status = static_cast<std::int32_t>(copied);
            Report(Format("SLRestoreFiles CopyFile '%s' --> '%s' returned error %i\n",
                          backupPath.c_str(), target.c_str(), static_cast<int>(copied)));
        }
    }
    return status;
}

}  // namespace sl
