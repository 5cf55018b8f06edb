// TEMP: replaced by the layers branch at merge
// The walk of a file instruction's folder as a backup does it: the files
// matching the mask, and with recurse those of every subfolder, where the
// first level passes the include/exclude folder lists and names starting
// with "." and linked folders are skipped.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "kernel/platform/platform.h"

namespace sl {

struct WalkedFile {
    std::string path;        // DOS path
    std::uint64_t size = 0;
};

// Calls visit for every file the walk finds below folder (DOS path), files
// of a folder before its subfolders; visit returns false to end the walk.
// Returns 0 (a missing folder holds no files).
std::int32_t WalkBackupFiles(platform::Platform& machine, const std::string& folder,
                             const std::string& mask, const std::string& includeDirs,
                             const std::string& excludeDirs, std::int32_t recurse,
                             const std::function<bool(const WalkedFile&)>& visit);

}  // namespace sl
