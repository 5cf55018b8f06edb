#include "common/session/prefix_paths.h"

#include "kernel/platform/wine/paths/dos_paths.h"
#include "kernel/platform/wine/paths/drive_table.h"

namespace sl::session {

std::uint32_t PrefixUnixPath(const std::string& prefix, const std::string& dosPath,
                             std::string* unixPath) {
    return platform::wine::DosToUnixPath(prefix, dosPath, unixPath);
}

std::string PrefixDosPath(const std::string& prefix, const std::string& unixPath) {
    return platform::wine::UnixToDosPath(prefix, unixPath);
}

DriveFolder::DriveFolder(const std::vector<std::pair<char, std::string>>& drives)
    : table_(std::make_unique<platform::wine::DriveTable>(drives)) {}

DriveFolder::~DriveFolder() = default;

bool DriveFolder::ok() const { return table_->ok(); }
const std::string& DriveFolder::error() const { return table_->error(); }
const std::string& DriveFolder::folder() const { return table_->folder(); }

}  // namespace sl::session
