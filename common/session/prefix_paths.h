// The DOS and Unix forms of a path inside a Wine prefix, for the programs'
// folder choosers and arguments. The mapping is the one the kernel's Wine
// backend uses (drive links, names matched without regard to case).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace sl::platform::wine {
class DriveTable;
}

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

// The drives of a machine that is no Wine prefix (a Windows disk: C: the
// disk, Z: /), described the way a prefix describes its own, so that the
// two functions above serve it: folder() is the "prefix" to pass them. The
// description lives in a private folder that goes with this object.
class DriveFolder {
public:
    explicit DriveFolder(const std::vector<std::pair<char, std::string>>& drives);
    ~DriveFolder();
    DriveFolder(const DriveFolder&) = delete;
    DriveFolder& operator=(const DriveFolder&) = delete;

    bool ok() const;                  // the folder was made
    const std::string& error() const; // why not
    const std::string& folder() const;

private:
    std::unique_ptr<platform::wine::DriveTable> table_;
};

}  // namespace sl::session
