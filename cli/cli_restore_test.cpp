// The real stowlark-cli carrying settings from one machine to another:
// restore with the pre-restore copy, unrestore, and the refusal while a
// wineserver owns the prefix.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "cli/testing/cli_runner.h"

namespace sl::testing {
namespace {

const char* const kWinampIni = "/drive_c/Program Files/Winamp/winamp.ini";

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    std::size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

class CliRestoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = MakeTempFolder();
        source_ = CopyDemoMachine(root_, "source");
        target_ = CopyDemoMachine(root_, "target");
        folder_ = root_ + "/backup";
        // The source machine's WinAmp differs from the target's.
        WriteFile(source_ + kWinampIni, "[Winamp]\r\nskin=From The Source\r\n");
        const std::string reg = ReadFile(source_ + "/user.reg");
        ASSERT_NE(reg.find("\"Language\"=dword:00000409"), std::string::npos);
        WriteFile(source_ + "/user.reg",
                  Replace(reg, "\"Language\"=dword:00000409", "\"Language\"=dword:00000407"));
        ASSERT_EQ(RunCli({"--prefix", source_, "backup", folder_, "--all"}).status, 0);
    }
    void TearDown() override { RemoveTree(root_); }

    CliResult OnTarget(std::vector<std::string> args) {
        args.insert(args.begin(), {"--prefix", target_});
        return RunCli(args);
    }

    std::string root_;
    std::string source_;
    std::string target_;
    std::string folder_;
};

TEST_F(CliRestoreTest, RestoreCarriesSettingsAndUnrestoreTakesThemBack) {
    const std::string targetIni = ReadFile(target_ + kWinampIni);

    CliResult restore = OnTarget({"restore", folder_, "58"});
    ASSERT_EQ(restore.status, 0) << restore.out << restore.err;
    EXPECT_NE(restore.out.find("restore more components"), std::string::npos);
    EXPECT_EQ(ReadFile(target_ + kWinampIni), ReadFile(source_ + kWinampIni));
    EXPECT_NE(ReadFile(target_ + "/user.reg").find("\"Language\"=dword:00000407"),
              std::string::npos);

    // The target's own settings went into the pre-restore folder first.
    const std::string preRestore = target_ + "/drive_c/windows/Stowlark.Bak";
    Bookkeeping undo = ReadBookkeeping(target_, preRestore);
    ASSERT_EQ(undo.rc, 0);
    EXPECT_NE(undo.saved.find("'58'"), std::string::npos);
    EXPECT_NE(ReadBookkeeping(target_, folder_).restored.find("'58'"), std::string::npos);

    CliResult unrestore = OnTarget({"unrestore"});
    ASSERT_EQ(unrestore.status, 0) << unrestore.out << unrestore.err;
    EXPECT_NE(unrestore.out.find("unrestore more components"), std::string::npos);
    EXPECT_EQ(ReadFile(target_ + kWinampIni), targetIni);
    EXPECT_NE(ReadFile(target_ + "/user.reg").find("\"Language\"=dword:00000409"),
              std::string::npos);
    EXPECT_EQ(ReadFile(target_ + "/user.reg").find("00000407"), std::string::npos);
}

// Two restores from different folders into one prefix at the same time:
// both succeed, and neither loses what the other wrote.
TEST_F(CliRestoreTest, TwoRestoresAtOnceKeepBothSidesWrites) {
    const std::string netscape = CopyDemoMachine(root_, "netscape");
    const std::string system = ReadFile(netscape + "/system.reg");
    ASSERT_NE(system.find("\"Start Page\"=\"http://home.example.org/\""), std::string::npos);
    WriteFile(netscape + "/system.reg", Replace(system, "\"Start Page\"=\"http://home.example.org/\"",
                                                "\"Start Page\"=\"http://other.example.org/\""));
    const std::string other = root_ + "/other";
    ASSERT_EQ(RunCli({"--prefix", netscape, "backup", other, "33"}).status, 0);
    for (int round = 0; round < 3; ++round) {
        const std::string target = CopyDemoMachine(root_, "together" + std::to_string(round));
        CliProcess winamp({"--prefix", target, "restore", folder_, "58"});
        CliProcess navigator({"--prefix", target, "restore", other, "33"});
        CliResult first = winamp.Finish();
        CliResult second = navigator.Finish();
        EXPECT_EQ(first.status, 0) << first.out << first.err;
        EXPECT_EQ(second.status, 0) << second.out << second.err;
        EXPECT_NE(ReadFile(target + "/user.reg").find("\"Language\"=dword:00000407"), std::string::npos);
        EXPECT_NE(ReadFile(target + "/system.reg").find("\"Start Page\"=\"http://other.example.org/\""),
                  std::string::npos);
    }
}

TEST_F(CliRestoreTest, DefaultRestoreTakesEverythingTheFolderHolds) {
    CliResult restore = OnTarget({"restore", folder_});
    ASSERT_EQ(restore.status, 0) << restore.out << restore.err;
    Bookkeeping folder = ReadBookkeeping(target_, folder_);
    for (const char* token : {"'1'", "'38'", "'55'", "'58'", "'60'"}) {
        EXPECT_NE(folder.restored.find(token), std::string::npos) << token;
    }
    // Both runs counted on one bar: the pre-restore backup and the restore.
    EXPECT_NE(restore.out.find("Progress: 1 of "), std::string::npos);
}

// A folder of the target's WinAmp that is a link out of the prefix is never
// written through: the skins component fails, the command says so with
// exit status 1, and the linked folder keeps what it held.
TEST_F(CliRestoreTest, LinkedFolderInTheTargetIsNotWrittenThrough) {
    namespace fs = std::filesystem;
    const std::string skins = target_ + "/drive_c/Program Files/Winamp/Skins";
    const std::string shared = root_ + "/shared-skins";
    fs::rename(skins, shared);
    fs::create_directory_symlink(shared, skins);
    const auto before = Snapshot(shared);

    CliResult restore = OnTarget({"restore", folder_, "58", "59"});
    EXPECT_EQ(restore.status, 1) << restore.out << restore.err;
    EXPECT_NE(restore.out.find("Skins"), std::string::npos) << restore.out;
    EXPECT_EQ(Snapshot(shared), before);
    EXPECT_TRUE(fs::is_symlink(skins));
    // WinAmp's own settings came back all the same.
    EXPECT_EQ(ReadFile(target_ + kWinampIni), ReadFile(source_ + kWinampIni));
}

TEST_F(CliRestoreTest, UnrestoreOfAComponentNeverRestoredIsRefused) {
    ASSERT_EQ(OnTarget({"restore", folder_, "58"}).status, 0);
    CliResult unrestore = OnTarget({"unrestore", "1"});
    EXPECT_EQ(unrestore.status, 2);
    EXPECT_NE(unrestore.err.find("no component 1 restored on this machine"), std::string::npos)
        << unrestore.err;
}

TEST_F(CliRestoreTest, RestoreAndUnrestoreRefuseWhileAWineserverRuns) {
    // A wineserver of Debian's Wine lives in the folder the prefix's
    // "wineserver" file names, and holds a write lock on its "lock" file.
    struct stat st {};
    ASSERT_EQ(::stat(target_.c_str(), &st), 0);
    char server[64];
    std::snprintf(server, sizeof server, "server-%llx-%llx",
                  static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    const std::string serverFolder = root_ + "/wine/" + server;
    std::filesystem::create_directories(serverFolder);
    WriteFile(target_ + "/wineserver", root_ + "/wine\n");
    WriteFile(serverFolder + "/lock", "");
    int fd = ::open((serverFolder + "/lock").c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_len = 1;
    ASSERT_EQ(::fcntl(fd, F_SETLK, &lock), 0);

    const auto before = Snapshot(target_);
    CliResult restore = OnTarget({"restore", folder_, "58"});
    EXPECT_EQ(restore.status, 2);
    EXPECT_NE(restore.err.find("Windows programs are still running"), std::string::npos)
        << restore.err;
    EXPECT_EQ(Snapshot(target_), before);
    // A backup only reads, and goes on.
    EXPECT_EQ(OnTarget({"backup", root_ + "/other", "58"}).status, 0);
    ::close(fd);

    EXPECT_EQ(OnTarget({"restore", folder_, "58"}).status, 0);
}

TEST_F(CliRestoreTest, ComponentsOfApplicationsMissingHereAreNamedAndLeftOut) {
    // The target machine has no ICQ.
    std::string reg = ReadFile(target_ + "/user.reg");
    for (std::size_t at = reg.find("[Software\\\\Mirabilis"); at != std::string::npos;
         at = reg.find("[Software\\\\Mirabilis", at)) {
        reg.replace(at, 20, "[Software\\\\Nobodyxxx");
    }
    WriteFile(target_ + "/user.reg", reg);

    CliResult restore = OnTarget({"restore", folder_});
    ASSERT_EQ(restore.status, 0) << restore.out << restore.err;
    EXPECT_NE(restore.err.find("'54' Internet Settings / ICQ Settings / ICQ User Settings"),
              std::string::npos)
        << restore.err;
    const std::string restored = ReadBookkeeping(target_, folder_).restored;
    EXPECT_EQ(restored.find("'54'"), std::string::npos);
    EXPECT_NE(restored.find("'58'"), std::string::npos);

    CliResult named = OnTarget({"restore", folder_, "54"});
    EXPECT_EQ(named.status, 2);
    EXPECT_NE(named.err.find("no component 54 in this backup folder"), std::string::npos);
}

}  // namespace
}  // namespace sl::testing
