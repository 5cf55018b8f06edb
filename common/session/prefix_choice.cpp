#include "common/session/prefix_choice.h"

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "common/session/kernel_binding.h"
#include "common/session/prefix_files.h"
#include "common/session/prefix_finder.h"

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
#ifdef SL_DATADIR_FROM_BINDIR
    // The data folder of the installation the program belongs to.
    const std::string own = ProgramFolder();
    if (!own.empty()) {
        sources.push_back(
            fs::path(own + "/" + SL_DATADIR_FROM_BINDIR + "/stowlark/demo-prefix")
                .lexically_normal()
                .string());
    }
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

std::string PrefixProblem(const std::string& folder, const std::string& origin) {
    const std::string named = "The Wine prefix " + folder + (origin.empty() ? "" : " ") + origin;
    switch (CheckPrefixFolder(folder)) {
        case PrefixState::Prefix: return {};
        case PrefixState::Missing: return named + " does not exist.";
        case PrefixState::NotAFolder: return named + " is not a folder.";
        case PrefixState::NoSystemReg:
            return named + " is not a Wine prefix: it holds no system.reg.";
    }
    return {};
}

void UsePrefix(const std::string& folder) { ::setenv("WINEPREFIX", folder.c_str(), 1); }

PrefixChoice ChoosePrefix(const std::vector<std::string>& demoSources,
                          const std::string& tempRoot, const std::string& remembered) {
    PrefixChoice choice;
    auto take = [&choice](const std::string& folder, const std::string& origin) {
        choice.error = PrefixProblem(folder, origin);
        choice.notAPrefix = !choice.error.empty();
        if (!choice.notAPrefix) choice.path = folder;
        return choice;
    };
    const char* env = std::getenv("WINEPREFIX");
    if (env != nullptr && env[0] != '\0') return take(env, "named by WINEPREFIX");
    if (!remembered.empty() && CheckPrefixFolder(remembered) == PrefixState::Prefix) {
        UsePrefix(remembered);
        choice.path = remembered;
        return choice;
    }
    const std::string home = JoinPath(ProcessFinderEnvironment().home, ".wine");
    std::error_code ec;
    if (fs::exists(fs::symlink_status(home, ec))) return take(home, "");
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
