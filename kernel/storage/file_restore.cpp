// File restore: copies the backup files of one record back to where they
// came from, below the folder its PathID resolves to on this machine.
#include "kernel/storage/file_restore.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "kernel/log/log.h"
#include "kernel/platform/file_mask.h"
#include "kernel/platform/platform.h"
#include "kernel/resolve/path_resolution.h"
#include "kernel/resolve/path_text.h"
#include "kernel/script/text_fields.h"
#include "kernel/storage/name_filter.h"

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

bool IsDriveElement(std::string_view element) {
    return element.size() == 2 && element[1] == ':' &&
           std::isalpha(static_cast<unsigned char>(element[0])) != 0;
}

// The first '\\' or '/' at or after start; npos when none. (A loop of its
// own: find_first_of looks each byte up in the set of two.)
std::size_t FindSeparator(std::string_view text, std::size_t start) {
    for (std::size_t i = start; i < text.size(); ++i) {
        if (text[i] == '\\' || text[i] == '/') return i;
    }
    return std::string_view::npos;
}

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> elements;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = FindSeparator(path, start);
        elements.push_back(path.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) return elements;
        start = end + 1;
    }
}

// The folder's elements as the drive mapping resolves them.
std::vector<std::string> FolderElements(const std::string& folder) {
    std::vector<std::string> out;
    for (const std::string& element : SplitPath(folder)) {
        if (element.empty() || element == ".") continue;
        if (IsParentElement(element)) {
            // Never above a drive's root.
            if (!out.empty() && !(out.size() == 1 && IsDriveElement(out[0]))) out.pop_back();
            continue;
        }
        out.push_back(element);
    }
    return out;
}

// The elements of a path, viewing the path itself (as SplitPath splits it).
std::vector<std::string_view> ViewPath(const std::string& path) {
    std::vector<std::string_view> elements;
    const std::string_view text = path;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = FindSeparator(text, start);
        elements.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) return elements;
        start = end + 1;
    }
}

// IsInsideFolder on the path's elements and the folder's (FolderElements).
template <typename Element>
bool IsInsideElements(const std::vector<Element>& elements,
                      const std::vector<std::string>& scope) {
    if (elements.size() <= scope.size()) return false;
    const bool absolute = !scope.empty() && IsDriveElement(scope[0]);
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const std::string_view element = elements[i];
        if (element.empty() || element == "." || IsParentElement(element)) return false;
        const bool drive = i == 0 && absolute && IsDriveElement(element);
        if (!drive && element.find(':') != std::string::npos) return false;
    }
    for (std::size_t i = 0; i < scope.size(); ++i) {
        if (!EqualNoCaseAscii(elements[i], scope[i])) return false;
    }
    return true;
}

}  // namespace

bool IsInsideFolder(const std::string& path, const std::string& folder) {
    return IsInsideElements(SplitPath(path), FolderElements(folder));
}

bool PathExists(const std::string& path, platform::Platform& machine) {
    platform::DWORD attributes = 0;
    return machine.GetFileAttributes(path, &attributes) == 0;
}

std::int32_t CreateOneFolder(const std::string& path, platform::Platform& machine) {
    platform::DWORD rc = machine.CreateDirectory(path);
    if (rc == 0 || rc == platform::kErrorAlreadyExists) return 0;
    return static_cast<std::int32_t>(rc);
}

std::int32_t MakePath(const std::string& path, std::unordered_set<std::string>* known,
                      platform::Platform& machine) {
    // The whole path as given, once made, answers for every later file there.
    if (known && known->count(path)) return 0;
    std::string done;
    std::string rest = path;
    for (std::string element = CutField(rest, '\\', false); !element.empty();
         element = CutField(rest, '\\', false)) {
        done += element + "\\";
        if (known && known->count(done)) continue;
        if (!PathExists(done, machine)) {
            std::int32_t rc = CreateOneFolder(done, machine);
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
        std::size_t end = FindSeparator(entry, start);
        const std::string_view element =
            entry.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (IsParentElement(element)) return false;
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

namespace {

// The first count elements joined by '\', without a trailing one (a trailing
// separator would make the look below follow a link).
std::string Joined(const std::vector<std::string_view>& elements, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) out += '\\';
        out += elements[i];
    }
    return out;
}

// True when a folder strictly between base (depth elements of the path, or
// the resolved destination for a relative path) and the target file is a
// link, or cannot be looked at for another reason than being missing.
// Folders in realFolders were found to be real folders earlier in the same
// restore (which makes folders and files, never links) and are not looked at
// again; those found now are added.
bool CrossesLink(platform::Platform& machine, const std::string& destination,
                 const std::vector<std::string_view>& elements, std::size_t depth,
                 std::unordered_set<std::string>& realFolders) {
    for (std::size_t i = depth + 1; i < elements.size(); ++i) {
        std::string folder = destination + Joined(elements, i);
        if (realFolders.count(folder)) continue;
        platform::DWORD attributes = 0;
        platform::DWORD rc = machine.GetFileAttributes(folder, &attributes);
        if (rc == platform::kErrorFileNotFound || rc == platform::kErrorPathNotFound) return false;
        if (rc != 0 || (attributes & platform::kFileAttributeReparsePoint) != 0) return true;
        realFolders.insert(std::move(folder));
    }
    return false;
}

// A folder line with the elements of its folder and of its base worked out
// once for all the files of a record.
struct PreparedFolder {
    const RestoreFolder* line;
    std::vector<std::string> scope;  // FolderElements of the line's folder
    std::size_t depth;               // elements of its base
};

std::vector<PreparedFolder> Prepare(const std::vector<RestoreFolder>& folders) {
    std::vector<PreparedFolder> prepared;
    for (const RestoreFolder& folder : folders) {
        const std::string scope =
            folder.Base.empty() ? folder.Sub : WithTrailingBackslash(folder.Base) + folder.Sub;
        prepared.push_back(PreparedFolder{
            &folder, FolderElements(scope),
            folder.Base.empty() ? 0 : FolderElements(folder.Base).size()});
    }
    return prepared;
}

// True when the pair's target is a file that one of the folders' lines would
// have backed up, and is reached through real folders only.
bool IsAllowedTarget(platform::Platform& machine, const std::string& destination,
                     const std::string& path, const std::vector<PreparedFolder>& folders,
                     std::unordered_set<std::string>& realFolders) {
    // A PathID that stands for several folders here (every Netscape user's)
    // never gives a backup a record of its own: the backup records absolute
    // paths then. Such a record cannot say which folder it belongs in.
    if (destination.find(';') != std::string::npos) return false;
    const std::vector<std::string_view> elements = ViewPath(path);
    for (const PreparedFolder& prepared : folders) {
        const RestoreFolder& folder = *prepared.line;
        if (!IsInsideElements(elements, prepared.scope)) continue;
        const std::size_t inScope = prepared.scope.size();
        const std::size_t below = elements.size() - inScope;  // at least the file's name
        if (below > 1 && folder.Recurse == 0) continue;
        if (below > 1 &&
            !PassesNameFilter(std::string(elements[inScope]), folder.IncludeDirs,
                              folder.ExcludeDirs)) {
            continue;
        }
        if (!platform::MatchesFileMask(folder.Mask, std::string(elements.back()))) continue;
        return !CrossesLink(machine, destination, elements, prepared.depth, realFolders);
    }
    return false;
}

}  // namespace

std::int32_t RestoreRecordFiles(FileCopyRun& run, const CSLFileItem& record,
                                const std::vector<RestoreFolder>* folders) {
    std::string destination;
    if (record.PathID != 0) {
        destination = ResolvePathID(record.PathID, run.errorText);
        if (destination.empty()) {
            AppendLog(Format("Cannot resolve PathID %i", record.PathID), kLogName);
            return kUnresolvedPathID;
        }
    }

    std::int32_t status = 0;
    // Folders found or made for earlier files of this record, and those of
    // them seen to be real folders (no links).
    std::unordered_set<std::string> knownFolders;
    std::unordered_set<std::string> realFolders;
    const std::vector<PreparedFolder> allowed =
        folders != nullptr ? Prepare(*folders) : std::vector<PreparedFolder>();
    const std::size_t pairs = std::min(record.SourceFiles.size(), record.BackupFiles.size());
    std::string target, backupPath;  // one buffer each for all the record's files
    for (std::size_t i = 0; i < pairs; ++i) {
        const std::string& sourceEntry = record.SourceFiles[i];
        const std::string& backupEntry = record.BackupFiles[i];
        // A bookkeeping file is input: never let it write outside the
        // record's folder or read outside the backup folder.
        // With the folders the script allows, a target must also lie below
        // one of them (relative ones below the resolved folder).
        if (!IsSafeRestorePair(record.PathID, sourceEntry, backupEntry) ||
            (folders != nullptr &&
             !IsAllowedTarget(run.machine, destination, sourceEntry, allowed, realFolders))) {
            ReportError(run.errorText, Format("SLRestoreFiles refused '%s' --> '%s'\n",
                                              backupEntry.c_str(), sourceEntry.c_str()));
            status = platform::kErrorInvalidName;
            continue;
        }

        target.assign(destination).append(sourceEntry);
        const std::string folder = DirectoryPart(target);
        std::int32_t rc = MakePath(folder, &knownFolders, run.machine);
        if (rc != 0) {
            status = rc;
            ReportError(run.errorText,
                        Format("SLRestoreFiles CreateDirectory '%s' returned error %i\n",
                               folder.c_str(), rc));
            continue;
        }
        backupPath.assign(run.folder).append(backupEntry);
        if (run.notifyItem) run.notifyItem(record.ID, target);
        platform::DWORD copied = run.machine.CopyFile(backupPath, target);
        if (copied == platform::kErrorPathNotFound && !knownFolders.empty()) {
            // A folder made earlier went away meanwhile: make it again.
            knownFolders.clear();
            if (MakePath(folder, &knownFolders, run.machine) == 0) {
                copied = run.machine.CopyFile(backupPath, target);
            }
        }
        if (copied == 0) {
            ++run.filesCopied;
        } else {
            // A file that did not come back fails its component: counting it
            // as restored would report a failure as success.
            status = static_cast<std::int32_t>(copied);
            ReportError(run.errorText,
                        Format("SLRestoreFiles CopyFile '%s' --> '%s' returned error %i\n",
                               backupPath.c_str(), target.c_str(), static_cast<int>(copied)));
        }
    }
    return status;
}

}  // namespace sl
