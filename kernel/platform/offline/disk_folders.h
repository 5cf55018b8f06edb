// Walking the folders of a mounted Windows disk: names looked up without
// regard to case as Windows does, never through a symbolic link, and every
// listing bounded.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "kernel/platform/platform.h"
#include "kernel/platform/posix/fd.h"

namespace sl::platform::offline {

// Entries a folder of the disk may hold before a listing refuses it (1009).
inline constexpr std::size_t kMaxFolderEntries = 100'000;

// An open folder; closes its descriptor when destroyed.
class DiskFolder {
public:
    DiskFolder() = default;
    DiskFolder(DiskFolder&& other) noexcept = default;
    DiskFolder& operator=(DiskFolder&& other) noexcept = default;
    DiskFolder(const DiskFolder&) = delete;
    DiskFolder& operator=(const DiskFolder&) = delete;

    // Opens the disk's root folder (the path the user gave; it may itself be
    // reached through links). 0, 3 when it is missing or not a folder, 5.
    DWORD OpenRoot(const std::string& path);
    // Opens a folder inside this one by its exact name, never through a
    // link: 0, 3 missing or not a folder, 1921 a link, 5.
    DWORD OpenChild(const std::string& exactName, DiskFolder* child) const;

    enum class Kind { Folder, File, Other };
    struct Entry {
        std::string name;  // as on disk
        Kind kind = Kind::Other;  // links, FIFOs, devices and sockets are Other
    };
    // Every entry but "." and "..", in byte order of name. 0, or 1009 when
    // the folder holds more than kMaxFolderEntries, 5 when unreadable.
    DWORD List(std::vector<Entry>* entries) const;
    // The entry whose name equals name without regard to ASCII case (an
    // exact match wins over others) and is of that kind: 0 with *exactName
    // set, 2 when there is none.
    DWORD Find(std::string_view name, Kind kind, std::string* exactName) const;

    int fd() const { return fd_.get(); }
    const std::string& path() const { return path_; }  // the Unix path it was opened by

private:
    posix::Fd fd_;
    std::string path_;
};

// Whether two names are equal without regard to ASCII case (other bytes exact).
bool SameNameIgnoringCase(std::string_view a, std::string_view b);

// Resolves a relative Windows path ("Documents and Settings\bob") below
// folder, each element by case-free lookup, none of them a link; the last
// element must be of the given kind. 0 with *unixPath the path below
// folder.path() as on disk; 3 when an element is missing or names "." or
// "..", 2 when only the last one is missing.
DWORD ResolveOnDisk(const DiskFolder& folder, std::string_view windowsPath, DiskFolder::Kind kind,
                    std::string* unixPath);

}  // namespace sl::platform::offline
