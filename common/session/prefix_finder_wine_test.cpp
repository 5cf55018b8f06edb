// The prefix finder on prefixes that real Wine made (wineboot), laid out as
// winetricks and Bottles keep them: found, named and given the architecture
// from Wine's own system.reg.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>

#include "common/session/prefix_files.h"
#include "common/session/prefix_finder.h"
#include "kernel/testing/wine_runner.h"

namespace fs = std::filesystem;

namespace sl::session {
namespace {

TEST(PrefixFinderWine, FindsWhatWinebootMade) {
    if (std::system("command -v wine >/dev/null 2>&1 && command -v wineboot >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "Wine is not installed (wine, wineboot)";
    }
    std::string pattern = fs::temp_directory_path().string() + "/sl-finder-wine-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const std::string root = fs::canonical(pattern).string();
    const std::string home = root + "/home";
    const std::string tricks = home + "/.local/share/wineprefixes/office";
    fs::create_directories(fs::path(tricks).parent_path());
    if (!sl::testing::BootPrefix(tricks) || CheckPrefixFolder(tricks) != PrefixState::Prefix) {
        fs::remove_all(root);
        GTEST_SKIP() << "wineboot -i could not make a prefix";
    }
    const std::string bottle = home + "/.local/share/bottles/bottles/Games";
    fs::create_directories(fs::path(bottle).parent_path());
    fs::copy(tricks, bottle, fs::copy_options::recursive | fs::copy_options::copy_symlinks);

    FinderEnvironment env;
    env.home = home;
    const std::vector<FoundPrefix> found = FindPrefixes(env);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].name, "winetricks:office");
    EXPECT_EQ(found[0].folder, tricks);
    EXPECT_EQ(found[1].name, "bottles:Games");
    EXPECT_EQ(found[1].folder, bottle);
    // Debian's wine makes a 64-bit prefix by default.
    EXPECT_EQ(found[0].architecture, "win64");
    EXPECT_EQ(found[1].architecture, "win64");
    fs::remove_all(root);
}

}  // namespace
}  // namespace sl::session
