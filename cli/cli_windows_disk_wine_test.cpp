// Migration from an old Windows disk into a real Wine prefix, end to end:
// stowlark-cli backs WinAmp up from a disk the test support builds (XP,
// 64-bit Windows 7 with WinAmp under Wow6432Node, and 98), then restores it into a
// wineboot prefix where WinAmp sits in another folder. Wine's own reg query
// and the files then show the settings where WinAmp finds them, and the disk
// is unchanged, byte for byte and time for time.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "cli/testing/cli_runner.h"
#include "kernel/testing/offline/windows_layouts.h"
#include "kernel/testing/wine_runner.h"

namespace sl::testing {
namespace {

namespace fs = std::filesystem;

class CliWindowsDiskWineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        root_ = MakeTempFolder();
        booted_ = BootPrefix(root_ + "/booted");
    }
    static void TearDownTestSuite() { RemoveTree(root_); }

    void SetUp() override {
        if (!booted_) GTEST_SKIP() << "wineboot failed; no Wine prefix to test with";
        prefix_ = root_ + "/prefix";
        disk_ = root_ + "/oldpc";
        folder_ = root_ + "/backup";
        for (const std::string& path : {prefix_, disk_, folder_}) fs::remove_all(path);
        fs::create_directory(disk_);
        ASSERT_TRUE(CopyPrefix(root_ + "/booted", prefix_));
        // WinAmp is installed in the prefix, in another folder than on the
        // old PC, by a 32-bit installer (its entry in the 32-bit view).
        ASSERT_EQ(RegAdd(prefix_, "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Winamp",
                         "UninstallString", "REG_SZ", "C:\\Apps\\Winamp\\UNINSTWA.EXE", "/reg:32"),
                  0);
        WaitForServer(prefix_);
        fs::create_directories(prefix_ + "/drive_c/Apps/Winamp");
        WriteFile(prefix_ + "/drive_c/Apps/Winamp/winamp.ini", "[Winamp]\r\nvolume=5\r\n");
    }

    void Migrate(const std::string& user, const std::string& diskIni) {
        const auto before = offline::DiskStamp(disk_);
        CliResult backup = RunCli({"--windows-disk", disk_, "--windows-user", user, "backup", folder_, "58"});
        ASSERT_EQ(backup.status, 0) << backup.out << backup.err;
        CliResult restore = RunCli({"--prefix", prefix_, "restore", folder_, "58"});
        ASSERT_EQ(restore.status, 0) << restore.out << restore.err;

        std::string out;
        EXPECT_EQ(Wine(prefix_, "reg query " + ShellQuote("HKCU\\Software\\Winamp") + " /v Language", &out), 0);
        EXPECT_NE(out.find("0x409"), std::string::npos) << out;
        EXPECT_EQ(ReadFile(prefix_ + "/drive_c/Apps/Winamp/winamp.ini"), ReadFile(diskIni));
        EXPECT_EQ(offline::DiskStamp(disk_), before);
    }

    static inline std::string root_;
    static inline bool booted_ = false;
    std::string prefix_, disk_, folder_;
    std::string error_;
};

TEST_F(CliWindowsDiskWineTest, WinampFromAnXpDiskLandsWhereThePrefixHasIt) {
    ASSERT_TRUE(offline::BuildWindowsXp(disk_, {"bob", "eve"}, &error_)) << error_;
    Migrate("bob", disk_ + "/Program Files/Winamp/winamp.ini");
}

TEST_F(CliWindowsDiskWineTest, WinampFromASevenDiskLandsWhereThePrefixHasIt) {
    ASSERT_TRUE(offline::BuildWindows7(disk_, {"ann"}, &error_)) << error_;
    Migrate("ann", disk_ + "/Program Files (x86)/Winamp/winamp.ini");
}

TEST_F(CliWindowsDiskWineTest, WinampFromANinetyEightDiskLandsWhereThePrefixHasIt) {
    ASSERT_TRUE(offline::BuildWindows98(disk_, {"carl"}, &error_)) << error_;
    Migrate("carl", disk_ + "/Program Files/Winamp/WINAMP.INI");
}

}  // namespace
}  // namespace sl::testing
