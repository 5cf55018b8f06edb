// Reading and crafting a backup folder's bookkeeping file "Stowlark.dat"
// from the programs' tests, with the kernel's own code on a platform of its
// own over the prefix (not the process's current one).
#pragma once

#include <string>
#include <vector>

namespace sl::testing {

struct BookkeepingFile {
    int rc = -1;                         // the load result
    std::string saved;
    std::string restored;
    std::vector<std::string> regFiles;   // names of the registry archives
    std::vector<std::string> copyFiles;  // names of the file copies
};

// The bookkeeping file of unixFolder (a folder inside the prefix's reach).
BookkeepingFile ReadBookkeepingFile(const std::string& prefix, const std::string& unixFolder);

// A crafted folder: appends keyPathEnd to the first registry record's key,
// replaces the first file record's first source by firstSource and appends
// backupEnd to its first copy's name, then saves. False when the file does
// not load, lacks such records, or cannot be saved.
bool CraftBookkeepingFile(const std::string& prefix, const std::string& unixFolder,
                          const std::string& keyPathEnd, const std::string& firstSource,
                          const std::string& backupEnd);

}  // namespace sl::testing
