// The machine the kernel works on when none was installed: a Windows disk
// when the program named one (STOWLARK_WINDOWS_DISK), else the Wine prefix
// of WINEPREFIX (or ~/.wine).
#include <cstdlib>

#include "kernel/platform/offline/machine/offline_platform.h"
#include "kernel/platform/platform.h"
#include "kernel/platform/wine/wine_platform.h"

namespace sl::platform {
namespace {

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

std::shared_ptr<Platform> MakeDefault() {
    const std::string disk = Variable(kWindowsDiskVariable);
    if (!disk.empty()) {
        return std::make_shared<offline::OfflinePlatform>(disk, Variable(kWindowsUserVariable));
    }
    return std::make_shared<wine::WinePlatform>(wine::DefaultPrefixPath());
}

std::string DefaultMachineName() {
    const std::string disk = Variable(kWindowsDiskVariable);
    if (!disk.empty()) return "disk:" + disk + "\n" + Variable(kWindowsUserVariable);
    return Variable("WINEPREFIX");
}

}  // namespace sl::platform
