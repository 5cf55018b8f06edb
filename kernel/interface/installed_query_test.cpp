// SL_GetInstalledIDsN with the embedded installed-tests script: the demo
// machine has everything, and a machine without an application hides exactly
// that application's group.
#include <gtest/gtest.h>

#include <filesystem>

#include "kernel/interface/e2e_test_support.h"
#include "kernel/interface/stowlark_kernel.h"

namespace sl {
namespace {

using platform::kHkeyLocalMachine;

class InstalledQueryTest : public ::testing::Test {
protected:
    void SetUp() override { testing::LoadDemoMachine(demo); }

    // Drops a key and its subtree from a hive file of the demo copy.
    void RemoveKey(const std::string& hive, const std::string& keyPath) {
        const std::string before = demo.ReadHive(hive);
        const std::string after = testing::WithoutKey(before, keyPath);
        ASSERT_NE(before, after) << keyPath;
        demo.WriteHive(hive, after);
        demo.ReloadPlatform();
    }

    testing::TempPrefix demo;
};

TEST_F(InstalledQueryTest, DemoMachineHasEveryApplication) {
    EXPECT_EQ(SL_GetInstalledIDsN(""), "");
    EXPECT_EQ(demo.LogText(), "");
}

TEST_F(InstalledQueryTest, EmptyMachineListsEveryApplicationGroupOncePerFailingTest) {
    testing::TempPrefix empty;
    // In script order; Netscape and WinAmp have two tests each. Explorer (1)
    // and Active Desktop (26) have none and so always count as installed.
    EXPECT_EQ(SL_GetInstalledIDsN(""), "'4''5''7''8''8''41''9''51''57''57'");
    EXPECT_EQ(SL_GetInstalledIDsN("'57'"), "'57''57'");
    EXPECT_EQ(SL_GetInstalledIDsN("'7','26'"), "'7'");
    EXPECT_EQ(SL_GetInstalledIDsN("'26','1','58'"), "");
}

TEST_F(InstalledQueryTest, MissingOfficePartsHideOnlyTheirGroup) {
    RemoveKey("system.reg", "Software\\\\Microsoft\\\\Office\\\\8.0\\\\Word");
    EXPECT_EQ(SL_GetInstalledIDsN(""), "'4'");
    RemoveKey("system.reg", "Software\\\\Microsoft\\\\Office\\\\8.0\\\\Excel");
    EXPECT_EQ(SL_GetInstalledIDsN(""), "'4''5'");
}

TEST_F(InstalledQueryTest, BrowsersAreRecognisedByTheirVersions) {
    testing::SetString(kHkeyLocalMachine, "Software\\Microsoft\\Internet Explorer", "Version",
                       "5.00.2614.3500");
    testing::SetString(kHkeyLocalMachine, "Software\\Netscape\\Netscape Navigator",
                       "CurrentVersion", "4.5");
    EXPECT_EQ(SL_GetInstalledIDsN(""), "'7''8'");
}

TEST_F(InstalledQueryTest, NetscapeWithoutUserFoldersIsNotInstalled) {
    RemoveKey("system.reg", "Software\\\\Netscape\\\\Netscape Navigator\\\\Users");
    EXPECT_EQ(SL_GetInstalledIDsN(""), "'8'");
}

TEST_F(InstalledQueryTest, EachInternetApplicationByItsKey) {
    RemoveKey("system.reg", "Software\\\\Microsoft\\\\Outlook Express");
    EXPECT_EQ(SL_GetInstalledIDsN(""), "'41'");
    RemoveKey("user.reg", "Software\\\\Mirabilis");
    EXPECT_EQ(SL_GetInstalledIDsN(""), "'41''9'");
    RemoveKey("user.reg", "Software\\\\FTP Explorer");
    EXPECT_EQ(SL_GetInstalledIDsN(""), "'41''9''51'");
}

TEST_F(InstalledQueryTest, WinampNeedsItsUninstallEntryAndItsIniFile) {
    std::filesystem::remove(demo.UnixPath("C:\\Program Files\\Winamp\\winamp.ini"));
    EXPECT_EQ(SL_GetInstalledIDsN(""), "'57'");
    RemoveKey("system.reg",
              "Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Winamp");
    EXPECT_EQ(SL_GetInstalledIDsN(""), "'57''57'");
}

}  // namespace
}  // namespace sl
