// The DOS and Unix forms of a path inside a Wine prefix, for the programs'
// folder choosers and arguments. The mapping is the one the kernel's Wine
// backend uses (drive links, names matched without regard to case).
#pragma once

#include <cstdint>
#include <string>

namespace sl::session {

// The Unix path of a DOS path ("C:\x", "Z:\home\...") in prefix: 0 with
// *unixPath set; 3 for a \\server path or an unmapped drive, 123 for a name
// Windows forbids.
std::uint32_t PrefixUnixPath(const std::string& prefix, const std::string& dosPath,
                             std::string* unixPath);

// The DOS form of a Unix path through the drive whose target holds it (the
// longest match, so C: wins over Z: inside drive_c); empty when no drive
// holds it.
std::string PrefixDosPath(const std::string& prefix, const std::string& unixPath);

}  // namespace sl::session
