// The drives of a machine that is no Wine prefix, described the way a Wine
// prefix describes its own: a private folder holding dosdevices/<letter>:
// links, so that the DOS path mapping of the Wine backend (wine/paths, with
// its case-free lookup) and its file code serve that machine unchanged.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace sl::platform::wine {

class DriveTable {
public:
    // Makes the folder (mode 0700) under $XDG_RUNTIME_DIR, else $TMPDIR,
    // else /tmp, with one link per drive: {'c', "/mnt/oldpc"}, {'z', "/"}.
    // ok() tells whether it worked; error() then says why.
    explicit DriveTable(const std::vector<std::pair<char, std::string>>& drives);
    // Removes the links and the folder (never what they point to).
    ~DriveTable();
    DriveTable(const DriveTable&) = delete;
    DriveTable& operator=(const DriveTable&) = delete;

    bool ok() const { return !folder_.empty(); }
    const std::string& error() const { return error_; }
    // The folder to hand to the Wine backend's path mapping as the prefix.
    const std::string& folder() const { return folder_; }

private:
    void Remove();

    std::string folder_;
    std::string error_;
    std::vector<std::string> links_;
};

}  // namespace sl::platform::wine
