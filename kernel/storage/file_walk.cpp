// TEMP: replaced by the layers branch at merge
#include "kernel/storage/file_walk.h"

#include <vector>

#include "kernel/resolve/path_text.h"
#include "kernel/storage/name_filter.h"

namespace sl {
namespace {

// Subfolders deeper than this below the folder are not descended into.
constexpr int kDepthLimit = 64;

// The entries of one folder search, "." and ".." left out.
std::vector<platform::FindData> Search(platform::Platform& machine, const std::string& pattern) {
    std::vector<platform::FindData> entries;
    platform::FindHandle handle = 0;
    platform::FindData entry;
    if (machine.FindFirstFile(pattern, &handle, &entry) != 0) return entries;
    do {
        if (entry.name != "." && entry.name != "..") entries.push_back(entry);
        entry = platform::FindData();
    } while (machine.FindNextFile(handle, &entry) == 0);
    machine.FindClose(handle);
    return entries;
}

bool IsFolder(const platform::FindData& entry) {
    return (entry.attributes & platform::kFileAttributeDirectory) != 0;
}

struct Walk {
    platform::Platform& machine;
    const std::string& mask;
    const std::string& includeDirs;
    const std::string& excludeDirs;
    std::int32_t recurse;
    const std::function<bool(const WalkedFile&)>& visit;

    // False once visit asked to end the walk.
    bool Folder(const std::string& folder, bool firstLevel, int depth) {
        if (depth > kDepthLimit) return true;
        const std::string base = WithTrailingBackslash(folder);
        for (const platform::FindData& entry : Search(machine, base + mask)) {
            if (!IsFolder(entry) && !visit({base + entry.name, entry.size})) return false;
        }
        if (recurse == 0) return true;
        for (const platform::FindData& entry : Search(machine, base + "*.*")) {
            if (entry.name.empty() || entry.name[0] == '.' || !IsFolder(entry)) continue;
            if ((entry.attributes & platform::kFileAttributeReparsePoint) != 0) continue;
            if (firstLevel && !PassesNameFilter(entry.name, includeDirs, excludeDirs)) continue;
            if (!Folder(base + entry.name, false, depth + 1)) return false;
        }
        return true;
    }
};

}  // namespace

std::int32_t WalkBackupFiles(platform::Platform& machine, const std::string& folder,
                             const std::string& mask, const std::string& includeDirs,
                             const std::string& excludeDirs, std::int32_t recurse,
                             const std::function<bool(const WalkedFile&)>& visit) {
    Walk walk{machine, mask, includeDirs, excludeDirs, recurse, visit};
    walk.Folder(folder, true, 0);
    return 0;
}

}  // namespace sl
