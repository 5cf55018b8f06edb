#include "kernel/storage/file_walk.h"

#include <algorithm>
#include <vector>

#include "kernel/resolve/path_text.h"
#include "kernel/storage/name_filter.h"

namespace sl {

using platform::DWORD;
using platform::FindData;

namespace {

// Subfolders deeper than this are not descended into: no Windows path (260
// characters) reaches that deep, and a folder tree of any depth must not
// exhaust the stack of the walk.
constexpr std::size_t kMaxFolderDepth = 128;

// A missing file, a missing folder and the end of a listing are not errors.
bool SearchSucceeded(DWORD status) {
    return status == 0 || status == platform::kErrorFileNotFound ||
           status == platform::kErrorPathNotFound || status == platform::kErrorNoMoreFiles;
}

bool IsFolder(const FindData& entry) {
    return (entry.attributes & platform::kFileAttributeDirectory) != 0;
}

// True for a subfolder the walk descends into.
bool IsWalkedFolder(const FindData& entry, const std::string& includeDirs,
                    const std::string& excludeDirs) {
    if (entry.name.empty() || entry.name[0] == '.') return false;
    if (!PassesNameFilter(entry.name, includeDirs, excludeDirs)) return false;
    // A linked folder (Wine links Desktop, Documents and the like to the
    // Unix home) is never descended into.
    return IsFolder(entry) && (entry.attributes & platform::kFileAttributeReparsePoint) == 0;
}

class Walk {
public:
    Walk(platform::Platform& machine, const std::string& mask, std::int32_t recurse,
         const std::function<bool(const WalkedFile&)>& visit, const WalkReports& reports,
         std::size_t depthFrom)
        : machine_(machine), mask_(mask), recurse_(recurse), visit_(visit), reports_(reports),
          depthFrom_(depthFrom) {}

    // One folder and, with recursion, the folders below it.
    DWORD Folder(const std::string& path, const std::string& includeDirs,
                 const std::string& excludeDirs);
    bool Stopped() const { return stopped_; }

private:
    // Runs visit on every entry the search for pattern finds, in search
    // order; the error of the first search when it failed, else the error
    // that ended the listing.
    template <typename Visit>
    DWORD Search(const std::string& pattern, Visit visit);
    void VisitFile(const std::string& source, const FindData& entry);
    void Subfolders(const std::string& path, const std::string& source,
                    const std::vector<FindData>& listed, const std::string& includeDirs,
                    const std::string& excludeDirs);
    void Failed(const std::string& pattern, DWORD error, bool files) const {
        if (!reports_.listingFailed) return;
        reports_.listingFailed(pattern, static_cast<std::int32_t>(error), files);
    }

    platform::Platform& machine_;
    const std::string& mask_;
    const std::int32_t recurse_;
    const std::function<bool(const WalkedFile&)>& visit_;
    const WalkReports& reports_;
    const std::size_t depthFrom_;
    bool stopped_ = false;
};

template <typename Visit>
DWORD Walk::Search(const std::string& pattern, Visit visit) {
    platform::FindHandle handle = 0;
    FindData entry;
    DWORD status = machine_.FindFirstFile(pattern, &handle, &entry);
    if (status != 0) return status;
    do {
        visit(entry);
        entry = FindData();
        status = machine_.FindNextFile(handle, &entry);
    } while (status == 0);
    machine_.FindClose(handle);
    return status;
}

void Walk::VisitFile(const std::string& source, const FindData& entry) {
    if (stopped_ || IsFolder(entry)) return;
    if (!visit_(WalkedFile{source + entry.name, entry.size})) stopped_ = true;
}

DWORD Walk::Folder(const std::string& path, const std::string& includeDirs,
                   const std::string& excludeDirs) {
    const std::string source = WithTrailingBackslash(path);
    const std::string all = source + "*.*";
    const bool takeFiles = !reports_.enterFolder || reports_.enterFolder(source);
    std::vector<FindData> listed;
    DWORD searched = 0;
    if (takeFiles && recurse_ != 0 && mask_ == "*.*" && !source.empty()) {
        // Where the files wanted are all of the folder's entries, one
        // listing serves for the files and then for the subfolders (the
        // copies add no folders to it).
        searched = Search(all, [&](const FindData& entry) { listed.push_back(entry); });
        for (const FindData& entry : listed) VisitFile(source, entry);
        if (stopped_) return 0;
        if (!SearchSucceeded(searched)) Failed(all, searched, true);
    } else {
        DWORD files = 0;
        if (takeFiles) {
            const std::string pattern = source + mask_;
            files = Search(pattern, [&](const FindData& entry) { VisitFile(source, entry); });
            if (stopped_) return 0;
            if (!SearchSucceeded(files)) Failed(pattern, files, true);
        }
        if (recurse_ == 0 || source.empty()) return SearchSucceeded(files) ? 0 : files;
        searched = Search(all, [&](const FindData& entry) { listed.push_back(entry); });
    }
    Subfolders(path, source, listed, includeDirs, excludeDirs);
    if (stopped_) return 0;
    if (SearchSucceeded(searched)) return 0;
    Failed(all, searched, false);
    return searched;
}

void Walk::Subfolders(const std::string& path, const std::string& source,
                      const std::vector<FindData>& listed, const std::string& includeDirs,
                      const std::string& excludeDirs) {
    const std::string counted = path.substr(std::min(depthFrom_, path.size()));
    const bool tooDeep =
        static_cast<std::size_t>(std::count(counted.begin(), counted.end(), '\\')) >=
        kMaxFolderDepth;
    for (const FindData& entry : listed) {
        if (!IsWalkedFolder(entry, includeDirs, excludeDirs)) continue;
        if (tooDeep) {
            if (reports_.tooDeep) reports_.tooDeep(source + entry.name);
            continue;
        }
        // Below the first level every subfolder is walked.
        Folder(source + entry.name, std::string(), std::string());
        if (stopped_) return;
    }
}

}  // namespace

std::int32_t WalkBackupFiles(platform::Platform& machine, const std::string& folder,
                             const std::string& mask, const std::string& includeDirs,
                             const std::string& excludeDirs, std::int32_t recurse,
                             const std::function<bool(const WalkedFile&)>& visit,
                             const WalkReports& reports, std::size_t depthFrom) {
    Walk walk(machine, mask, recurse, visit, reports, depthFrom);
    return static_cast<std::int32_t>(walk.Folder(folder, includeDirs, excludeDirs));
}

}  // namespace sl
