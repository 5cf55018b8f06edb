#include "common/session/prefix_paths.h"

#include "kernel/platform/wine/paths/dos_paths.h"

namespace sl::session {

std::uint32_t PrefixUnixPath(const std::string& prefix, const std::string& dosPath,
                             std::string* unixPath) {
    return platform::wine::DosToUnixPath(prefix, dosPath, unixPath);
}

std::string PrefixDosPath(const std::string& prefix, const std::string& unixPath) {
    return platform::wine::UnixToDosPath(prefix, unixPath);
}

}  // namespace sl::session
