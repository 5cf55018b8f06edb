#include "kernel/platform/file_mask.h"

#include "kernel/platform/wine/paths/wildcard.h"

namespace sl::platform {

// One rule for every backend: the Wine backend's search implements
// Windows' own, so both sides of a backup agree on it.
bool MatchesFileMask(const std::string& mask, const std::string& name) {
    return wine::MatchesWildcard(mask, name);
}

}  // namespace sl::platform
