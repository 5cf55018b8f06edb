// Choosing another prefix between two calls of the real kernel library
// takes effect: the library works on the machine WINEPREFIX names at each
// call, reading it afresh, not on the one it first touched.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/session/kernel_binding.h"
#include "common/session/prefix_choice.h"

namespace fs = std::filesystem;

namespace sl::session {
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(PrefixSwitch, TheLibraryFollowsTheChosenPrefix) {
    std::string pattern = fs::temp_directory_path().string() + "/sl-switch-XXXXXX";
    const std::string root = ::mkdtemp(pattern.data());
    const std::vector<std::string> demo = DefaultDemoSources();
    ASSERT_FALSE(demo.empty());
    std::string error;
    const std::string full = MakeScratchPrefix(demo[0], root, &error);
    ASSERT_FALSE(full.empty()) << error;
    const std::string bare = root + "/bare";
    fs::create_directories(bare + "/drive_c");
    std::ofstream(bare + "/system.reg") << "WINE REGISTRY Version 2\n;; All keys relative to "
                                           "\\\\Machine\n\n#arch=win32\n";

    KernelBinding kernel;
    ASSERT_TRUE(kernel.Load({SL_KERNEL_BIN_DIR})) << kernel.Error();
    UsePrefix(full);
    const std::string missingOnFull = kernel.Api().GetInstalledIDsN("");
    UsePrefix(bare);
    const std::string missingOnBare = kernel.Api().GetInstalledIDsN("");
    EXPECT_NE(missingOnBare, missingOnFull);
    EXPECT_GT(missingOnBare.size(), missingOnFull.size());

    // Meanwhile the first machine loses ICQ's key; back on it, the library
    // reads it as it is now.
    std::string userReg = ReadAll(full + "/user.reg");
    std::size_t renamed = 0;
    for (std::size_t at = userReg.find("Mirabilis"); at != std::string::npos;
         at = userReg.find("Mirabilis", at)) {
        userReg.replace(at, 9, "Nobodyxxx");
        ++renamed;
    }
    ASSERT_GT(renamed, 0u);
    std::ofstream(full + "/user.reg", std::ios::trunc) << userReg;
    UsePrefix(full);
    const std::string missingNow = kernel.Api().GetInstalledIDsN("");
    EXPECT_NE(missingNow, missingOnFull);
    EXPECT_EQ(missingOnFull, "");   // the demo machine has every application
    EXPECT_EQ(missingNow, "'9'");   // now without ICQ (the catalogue's group 9)
    ::unsetenv("WINEPREFIX");
    fs::remove_all(root);
}

}  // namespace
}  // namespace sl::session
