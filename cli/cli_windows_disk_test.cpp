// The real stowlark-cli on Windows disks the test support builds (XP, 7
// and 98): the profiles, the usage it refuses and why, and backups from
// the disk into a folder on the Linux side that leave the disk untouched.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "cli/testing/cli_runner.h"
#include "kernel/testing/offline/windows_layouts.h"

namespace sl::testing {
namespace {

namespace fs = std::filesystem;

// The files of a backup folder whose content equals bytes.
int CopiesOf(const std::string& folder, const std::string& bytes) {
    int count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file() && ReadFile(entry.path().string()) == bytes) ++count;
    }
    return count;
}

class CliWindowsDiskTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = MakeTempFolder();
        disk_ = root_ + "/oldpc";
        folder_ = root_ + "/backup";
        fs::create_directory(disk_);
    }
    void TearDown() override { RemoveTree(root_); }

    std::string root_, disk_, folder_;
    std::string error_;
};

TEST_F(CliWindowsDiskTest, UsersListsTheProfilesAndMarksTheDefault) {
    ASSERT_TRUE(offline::BuildWindowsXp(disk_, {"bob"}, &error_)) << error_;
    CliResult run = RunCli({"--windows-disk", disk_, "users"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "bob\t" + fs::canonical(disk_).string() + "/Documents and Settings/bob\tdefault\n");

    // Two profiles: neither is the default, and a backup must name one.
    ASSERT_TRUE(offline::BuildWindowsXp(disk_, {"bob", "eve"}, &error_)) << error_;
    run = RunCli({"--windows-disk", disk_, "users", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\"name\": \"eve\""), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("\"default\": true"), std::string::npos) << run.out;
    run = RunCli({"--windows-disk", disk_, "backup", folder_, "58"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("several user profiles; choose one with --windows-user NAME"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("\n  bob\n  eve"), std::string::npos) << run.err;
    run = RunCli({"--windows-disk", disk_, "--windows-user", "mallory", "list"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("no user profile named 'mallory'. The profiles found:\n  bob\n  eve"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(folder_));
}

TEST_F(CliWindowsDiskTest, RefusesWhatCannotBeDoneWithADisk) {
    CliResult run = RunCli({"--windows-disk", disk_, "list"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("holds no Windows installation"), std::string::npos) << run.err;

    ASSERT_TRUE(offline::BuildWindowsXp(disk_, {"bob"}, &error_)) << error_;
    for (const char* command : {"restore", "unrestore"}) {
        std::vector<std::string> args{"--windows-disk", disk_, command};
        if (std::string(command) == "restore") args.push_back(folder_);
        run = RunCli(args);
        EXPECT_EQ(run.status, 2) << command;
        EXPECT_NE(run.err.find("a Windows disk is only read"), std::string::npos) << run.err;
    }
    run = RunCli({"--windows-user", "bob", "list"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("--windows-user needs --windows-disk"), std::string::npos) << run.err;
    run = RunCli({"--windows-disk", disk_, "--prefix", root_, "list"});
    EXPECT_EQ(run.status, 2);

    // A damaged user hive is named before anything is done.
    ASSERT_TRUE(offline::PutFile(disk_, "Documents and Settings/bob/NTUSER.DAT", "regf, cut short", &error_));
    run = RunCli({"--windows-disk", disk_, "backup", folder_, "58"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("NTUSER.DAT"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(folder_));
    ASSERT_TRUE(offline::BuildWindowsXp(disk_, {"bob"}, &error_)) << error_;

    // A backup folder on the disk itself is refused before anything is made.
    const auto before = offline::DiskStamp(disk_);
    run = RunCli({"--windows-disk", disk_, "backup", disk_ + "/backup", "58"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("which is only read"), std::string::npos) << run.err;
    EXPECT_EQ(offline::DiskStamp(disk_), before);
}

// A WinAmp backup (its registry key and winamp.ini) from each layout,
// into a folder on the Linux side; the disk stays as it was, byte for
// byte and time for time.
void BackUpWinamp(const std::string& disk, const std::string& folder, const std::string& user,
                  const std::string& ini) {
    const auto before = offline::DiskStamp(disk);
    CliResult list = RunCli({"--windows-disk", disk, "--windows-user", user, "list"});
    ASSERT_EQ(list.status, 0) << list.err;
    const std::size_t row = list.out.find("  58  ");
    ASSERT_NE(row, std::string::npos) << list.out;
    EXPECT_NE(list.out.substr(row, list.out.find('\n', row) - row).find("  yes"), std::string::npos)
        << "WinAmp is not seen as installed:\n" << list.out;

    // The dry run names the disk's file and makes nothing.
    CliResult dry = RunCli({"--windows-disk", disk, "--windows-user", user, "backup", folder, "58", "--dry-run"});
    ASSERT_EQ(dry.status, 0) << dry.out << dry.err;
    EXPECT_NE(dry.out.find(fs::path(ini).filename().string()), std::string::npos) << dry.out;
    EXPECT_FALSE(fs::exists(folder));

    CliResult run = RunCli({"--windows-disk", disk, "--windows-user", user, "backup", folder, "58"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_TRUE(fs::exists(folder + "/Stowlark.dat"));
    EXPECT_EQ(CopiesOf(folder, ReadFile(ini)), 1);

    CliResult json = RunCli({"--windows-disk", disk, "--windows-user", user, "list", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_NE(json.out.find("\"prefix\": null"), std::string::npos);
    EXPECT_NE(json.out.find("\"windowsDisk\": \"" + fs::canonical(disk).string() + "\""), std::string::npos);

    CliResult show = RunCli({"--windows-disk", disk, "--windows-user", user, "show", folder});
    ASSERT_EQ(show.status, 0) << show.err;
    EXPECT_NE(show.out.find("HKEY_CURRENT_USER\\SOFTWARE\\WINAMP"), std::string::npos) << show.out;
    EXPECT_NE(show.out.find(fs::path(ini).filename().string()), std::string::npos) << show.out;
    EXPECT_EQ(offline::DiskStamp(disk), before);
}

TEST_F(CliWindowsDiskTest, BacksUpWinampFromXp) {
    ASSERT_TRUE(offline::BuildWindowsXp(disk_, {"bob", "eve"}, &error_)) << error_;
    BackUpWinamp(disk_, folder_, "EVE", disk_ + "/Program Files/Winamp/winamp.ini");
}

TEST_F(CliWindowsDiskTest, BacksUpWinampFromSevenThroughWow6432Node) {
    ASSERT_TRUE(offline::BuildWindows7(disk_, {"ann"}, &error_)) << error_;
    BackUpWinamp(disk_, folder_, "ann", disk_ + "/Program Files (x86)/Winamp/winamp.ini");
}

TEST_F(CliWindowsDiskTest, BacksUpWinampFromNinetyEight) {
    ASSERT_TRUE(offline::BuildWindows98(disk_, {"carl"}, &error_)) << error_;
    BackUpWinamp(disk_, folder_, "carl", disk_ + "/Program Files/Winamp/WINAMP.INI");
}

}  // namespace
}  // namespace sl::testing
