#include "kernel/platform/offline/windows_install.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "kernel/platform/offline/nt_hive_reader.h"
#include "kernel/testing/offline/hive_compare.h"
#include "kernel/testing/offline/nt_hive_writer.h"
#include "kernel/testing/offline/windows_layouts.h"

namespace sl::platform::offline {
namespace {

using namespace sl::testing::offline;
namespace fs = std::filesystem;

std::vector<std::string> Names(const std::vector<WindowsProfile>& profiles) {
    std::vector<std::string> names;
    for (const WindowsProfile& profile : profiles) names.push_back(profile.name);
    return names;
}

class WindowsInstallTest : public ::testing::Test {
protected:
    void Found(WindowsFamily family, const std::string& hive) {
        std::string message;
        ASSERT_EQ(FindWindowsInstallation(disk_.path(), &installation_, &message), 0u) << message;
        EXPECT_EQ(installation_.family, family);
        EXPECT_EQ(installation_.machineHive, disk_.path() + "/" + hive);
        ASSERT_EQ(ListProfiles(installation_, &profiles_, &message), 0u) << message;
    }
    std::string At(const std::string& relative) const { return disk_.path() + "/" + relative; }

    TempFolder disk_;
    WindowsInstallation installation_;
    std::vector<WindowsProfile> profiles_;
    std::string error_;
};

TEST_F(WindowsInstallTest, WindowsXpListsEveryUserAndChoosesNoneOfSeveral) {
    ASSERT_TRUE(BuildWindowsXp(disk_.path(), {"bob", "Jürgen"}, &error_)) << error_;
    Found(WindowsFamily::Nt, "WINDOWS/system32/config/SOFTWARE");
    EXPECT_EQ(installation_.windowsFolder, "WINDOWS");
    ASSERT_EQ(Names(profiles_), (std::vector<std::string>{"bob", "Jürgen"}));
    EXPECT_EQ(profiles_[1].folder, At("Documents and Settings/Jürgen"));
    EXPECT_EQ(profiles_[1].userHive, At("Documents and Settings/Jürgen/NTUSER.DAT"));
    EXPECT_EQ(ChooseDefaultProfile(profiles_), -1);
    EXPECT_EQ(FindProfile(profiles_, "BOB"), 0);
    EXPECT_EQ(FindProfile(profiles_, "carol"), -1);
}

TEST_F(WindowsInstallTest, WindowsSevenChoosesItsOnlyUserAndKeepsTheThirtyTwoBitView) {
    ASSERT_TRUE(BuildWindows7(disk_.path(), {"bob"}, &error_)) << error_;
    Found(WindowsFamily::Nt, "Windows/System32/config/SOFTWARE");
    ASSERT_EQ(Names(profiles_), (std::vector<std::string>{"bob"}));
    ASSERT_EQ(ChooseDefaultProfile(profiles_), 0);
    EXPECT_EQ(profiles_[0].userHive, At("Users/bob/NTUSER.DAT"));

    OfflineHive user;
    std::string message;
    ASSERT_EQ(ReadNtHive(profiles_[0].userHive, &user, &message), 0u) << message;
    const OfflineKey* winamp = FindKey(user.root, "Software\\Winamp", user.text);
    ASSERT_NE(winamp, nullptr);
    EXPECT_EQ(FindValue(*winamp, "", user.text)->data, NtText("C:\\Program Files (x86)\\Winamp"));
    EXPECT_TRUE(fs::is_regular_file(At("Program Files (x86)/Winamp/winamp.ini")));
}

// Without a usable ProfileList the profile folders count; Windows' own
// links there ("All Users", "Documents and Settings") are never followed.
TEST_F(WindowsInstallTest, FallsBackToTheProfileFoldersWithoutFollowingLinks) {
    ASSERT_TRUE(BuildWindows7(disk_.path(), {}, &error_)) << error_;
    fs::create_directories(At("Users/carol"));
    ASSERT_TRUE(WriteNtHive(At("Users/carol/NTUSER.DAT"), NtUserHive("carol", "C:\\x"), &error_)) << error_;
    fs::create_directories(At("Users/nohive/Desktop"));
    fs::create_directories(At("elsewhere/mallory"));
    ASSERT_TRUE(WriteNtHive(At("elsewhere/mallory/NTUSER.DAT"), NtUserHive("mallory", "C:\\x"), &error_));
    ASSERT_EQ(::symlink("../elsewhere/mallory", At("Users/mallory").c_str()), 0);
    Found(WindowsFamily::Nt, "Windows/System32/config/SOFTWARE");
    EXPECT_EQ(Names(profiles_), (std::vector<std::string>{"carol"}));
    EXPECT_EQ(ChooseDefaultProfile(profiles_), 0);
}

// ProfileList entries that cannot be this disk's users are left out.
TEST_F(WindowsInstallTest, SkipsProfileEntriesThatNameNoProfileOnThisDisk) {
    KeyPlan software = SevenSoftware({"bob"});
    KeyPlan& list = software.Key("Microsoft\\Windows NT\\CurrentVersion\\ProfileList");
    list.Key("S-1-5-21-1-2-3-2001").Set("ProfileImagePath", 2, NtText("D:\\Users\\other"));
    list.Key("S-1-5-21-1-2-3-2002").Set("ProfileImagePath", 2, NtText("%USERPROFILE%\\x"));
    list.Key("S-1-5-21-1-2-3-2003").Set("ProfileImagePath", 2, NtText("C:\\Users\\nohive"));
    list.Key("S-1-5-21-1-2-3-2004").Set("ProfileImagePath", 2, NtText("C:\\Users\\..\\Windows"));
    list.Key("S-1-5-21-1-2-3-2005.bak").Set("ProfileImagePath", 2, NtText("C:\\Users\\bob"));
    list.Key("S-1-5-21-1-2-3-2006").Set("ProfileImagePath", 4, Dword(1));
    list.Key("S-1-5-21-1-2-3-2007").Set("ProfileImagePath", 2, NtText("%SYSTEMDRIVE%\\USERS\\ALICE"));
    ASSERT_TRUE(BuildWindows7(disk_.path(), {"bob", "alice"}, &error_)) << error_;
    ASSERT_TRUE(WriteNtHive(At("Windows/System32/config/SOFTWARE"), software, &error_)) << error_;
    fs::create_directories(At("Users/nohive"));
    Found(WindowsFamily::Nt, "Windows/System32/config/SOFTWARE");
    // alice has no ProfileList entry of her own here but the upper-case one.
    EXPECT_EQ(Names(profiles_), (std::vector<std::string>{"alice", "bob"}));
}

TEST_F(WindowsInstallTest, WindowsNinetyEightWithAndWithoutUserProfiles) {
    ASSERT_TRUE(BuildWindows98(disk_.path(), {"bob", "alice"}, &error_)) << error_;
    Found(WindowsFamily::Win9x, "WINDOWS/SYSTEM.DAT");
    ASSERT_EQ(Names(profiles_), (std::vector<std::string>{"alice", "bob"}));
    EXPECT_EQ(profiles_[1].userHive, At("WINDOWS/Profiles/bob/USER.DAT"));
    EXPECT_EQ(ChooseDefaultProfile(profiles_), -1);

    TempFolder plain;
    ASSERT_TRUE(BuildWindows98(plain.path(), {}, &error_)) << error_;
    std::string message;
    ASSERT_EQ(FindWindowsInstallation(plain.path(), &installation_, &message), 0u) << message;
    ASSERT_EQ(ListProfiles(installation_, &profiles_, &message), 0u) << message;
    ASSERT_EQ(Names(profiles_), (std::vector<std::string>{"Default"}));
    EXPECT_EQ(profiles_[0].userHive, plain.path() + "/WINDOWS/USER.DAT");
    EXPECT_EQ(ChooseDefaultProfile(profiles_), 0);
}

TEST_F(WindowsInstallTest, FindsFoldersWhateverTheCaseOfTheirNames) {
    ASSERT_TRUE(BuildWindowsXp(disk_.path(), {"bob"}, &error_)) << error_;
    fs::rename(At("WINDOWS/system32/config/SOFTWARE"), At("WINDOWS/system32/config/software"));
    fs::rename(At("WINDOWS/system32/config"), At("WINDOWS/system32/Config"));
    fs::rename(At("WINDOWS/system32"), At("WINDOWS/SYSTEM32"));
    fs::rename(At("WINDOWS"), At("winnt"));
    fs::rename(At("Documents and Settings/bob/NTUSER.DAT"), At("Documents and Settings/bob/ntuser.dat"));
    fs::rename(At("Documents and Settings"), At("DOCUMENTS AND SETTINGS"));
    Found(WindowsFamily::Nt, "winnt/SYSTEM32/Config/software");
    EXPECT_EQ(installation_.windowsFolder, "winnt");
    ASSERT_EQ(Names(profiles_), (std::vector<std::string>{"bob"}));
    EXPECT_EQ(profiles_[0].userHive, At("DOCUMENTS AND SETTINGS/bob/ntuser.dat"));
}

TEST_F(WindowsInstallTest, RefusesFoldersThatHoldNoWindows) {
    WindowsInstallation installation;
    std::string message;
    EXPECT_EQ(FindWindowsInstallation(disk_.path(), &installation, &message), kErrorFileNotFound);
    EXPECT_NE(message.find(disk_.path()), std::string::npos) << message;
    EXPECT_EQ(FindWindowsInstallation(At("missing"), &installation, &message), kErrorPathNotFound);

    // A Windows folder reached through a link is not this disk's.
    TempFolder elsewhere;
    ASSERT_TRUE(BuildWindowsXp(elsewhere.path(), {"bob"}, &error_)) << error_;
    ASSERT_EQ(::symlink((elsewhere.path() + "/WINDOWS").c_str(), At("WINDOWS").c_str()), 0);
    EXPECT_EQ(FindWindowsInstallation(disk_.path(), &installation, &message), kErrorFileNotFound);
    fs::create_directories(At("Windows/system32"));
    ASSERT_EQ(::symlink((elsewhere.path() + "/WINDOWS/system32/config").c_str(),
                        At("Windows/system32/config").c_str()), 0);
    EXPECT_EQ(FindWindowsInstallation(disk_.path(), &installation, &message), kErrorFileNotFound);
}

TEST_F(WindowsInstallTest, ADamagedSoftwareHiveIsAnErrorNamingIt) {
    ASSERT_TRUE(BuildWindowsXp(disk_.path(), {"bob"}, &error_)) << error_;
    std::string hive = At("WINDOWS/system32/config/SOFTWARE");
    fs::resize_file(hive, 4096 + 100);
    WindowsInstallation installation;
    std::string message;
    ASSERT_EQ(FindWindowsInstallation(disk_.path(), &installation, &message), 0u) << message;
    std::vector<WindowsProfile> profiles;
    EXPECT_EQ(ListProfiles(installation, &profiles, &message), kErrorBadDatabase);
    EXPECT_NE(message.find(hive), std::string::npos) << message;
    EXPECT_TRUE(profiles.empty());
}

}  // namespace
}  // namespace sl::platform::offline
