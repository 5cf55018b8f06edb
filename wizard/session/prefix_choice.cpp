#include "wizard/session/prefix_choice.h"

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "kernel/platform/wine/wine_platform.h"

namespace fs = std::filesystem;

namespace sl::session {
namespace {

bool IsFolder(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_directory(path, ec);
}

std::string TempRoot(const std::string& tempRoot) {
    if (!tempRoot.empty()) return tempRoot;
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp";
}

}  // namespace

std::vector<std::string> DefaultDemoSources() {
    std::vector<std::string> sources;
#ifdef SL_DEMO_PREFIX_DIR
    sources.push_back(SL_DEMO_PREFIX_DIR);
#endif
#ifdef SL_INSTALL_DATADIR
    sources.push_back(std::string(SL_INSTALL_DATADIR) + "/stowlark/demo-prefix");
#endif
    return sources;
}

std::string MakeScratchPrefix(const std::string& source, const std::string& tempRoot,
                              std::string* error) {
    std::string pattern = TempRoot(tempRoot) + "/stowlark-demo-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        *error = "cannot create a temporary folder below " + TempRoot(tempRoot);
        return {};
    }
    std::error_code ec;
    fs::copy(source, pattern, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
    if (ec) {
        *error = "cannot copy the demo machine " + source + " to " + pattern + ": " + ec.message();
        fs::remove_all(pattern, ec);
        return {};
    }
    const fs::path dosdevices = fs::path(pattern) / "dosdevices";
    const fs::path driveC = dosdevices / "c:";
    if (!fs::exists(fs::symlink_status(driveC, ec))) {
        fs::create_directories(dosdevices, ec);
        fs::create_directory_symlink("../drive_c", driveC, ec);
    }
    return pattern;
}

PrefixChoice ChoosePrefix(const std::vector<std::string>& demoSources,
                          const std::string& tempRoot) {
    PrefixChoice choice;
    const char* env = std::getenv("WINEPREFIX");
    if (env != nullptr && env[0] != '\0') {
        choice.path = env;
        return choice;
    }
    const std::string home = platform::wine::DefaultPrefixPath();  // ~/.wine here
    if (IsFolder(home)) {
        choice.path = home;
        return choice;
    }
    for (const std::string& source : demoSources) {
        if (!IsFolder(source)) continue;
        std::string error;
        std::string scratch = MakeScratchPrefix(source, tempRoot, &error);
        if (scratch.empty()) {
            choice.error = error;
            return choice;
        }
        ::setenv("WINEPREFIX", scratch.c_str(), 1);
        choice.path = scratch;
        choice.scratchDemo = true;
        choice.demoSource = source;
        return choice;
    }
    choice.error = "No Wine prefix was found: WINEPREFIX is not set, " + home +
                   " does not exist, and the demo machine is not installed.";
    return choice;
}

}  // namespace sl::session
