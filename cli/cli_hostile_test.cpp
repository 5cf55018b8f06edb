// stowlark-cli on folders someone else made: names in a bookkeeping file that
// carry terminal escape sequences, and folder arguments that would climb out
// of the folder they name, and links, FIFOs and devices in place of backup
// files.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>

#include "cli/terminal_text.h"
#include "cli/testing/demo_machine_fixture.h"

namespace sl::testing {
namespace {

// Set the window title, clear the screen, a line of its own.
const std::string kTitle = "\x1b]0;owned\x07";
const std::string kClear = "\x1b[2J";

class CliHostileTest : public DemoMachineTest {
protected:
    // Rewrites the folder's bookkeeping file with escape sequences in the
    // names of its records, as a crafted folder would hold them.
    void PlantEscapes() {
        ASSERT_TRUE(sl::testing::CraftBookkeepingFile(prefix_, folder_, kClear,
                                                      kTitle + "\nforged line.ini", kClear));
    }
};

TEST_F(CliHostileTest, ShowVerifyAndDryRunPrintNoEscapeSequences) {
    ASSERT_EQ(Cli({"backup", folder_, "58"}).status, 0);
    PlantEscapes();
    const std::vector<std::vector<std::string>> commands = {
        {"show", folder_}, {"verify", folder_}, {"restore", folder_, "--all", "--dry-run"}};
    for (const auto& command : commands) {
        CliResult run = Cli(command);
        const std::string all = run.out + run.err;
        EXPECT_EQ(all.find('\x1b'), std::string::npos) << command[0] << ": " << all;
        EXPECT_EQ(all.find('\x07'), std::string::npos) << command[0];
        EXPECT_EQ(all.find("\nforged line"), std::string::npos) << command[0];
    }
    CliResult show = Cli({"show", folder_});
    EXPECT_NE(show.out.find("\\x1B]0;owned\\x07\\x0Aforged line.ini"), std::string::npos)
        << show.out;
    EXPECT_NE(show.out.find("\\x1B[2J"), std::string::npos) << show.out;
}

TEST_F(CliHostileTest, FolderArgumentsThatClimbOutAreRefused) {
    const auto before = Snapshot(root_);
    // A Unix folder whose name holds backslashes: in DOS form it would climb.
    const std::string evil = root_ + "/evil\\..\\..\\target";
    std::filesystem::create_directories(evil);
    for (const std::string& folder : {evil, std::string("C:\\Backups\\..\\..\\target"),
                                      std::string("C:\\Backups\\..")}) {
        CliResult run = Cli({"backup", folder, "58"});
        EXPECT_EQ(run.status, 2) << folder << run.out << run.err;
        EXPECT_EQ(Cli({"show", folder}).status, 2) << folder;
    }
    std::filesystem::remove(evil);
    EXPECT_EQ(Snapshot(root_), before);
    EXPECT_FALSE(std::filesystem::exists(root_ + "/target"));
    EXPECT_FALSE(std::filesystem::exists(prefix_ + "/drive_c/target"));
}

// verify calls a folder complete only when a restore could read every file:
// a FIFO, a device or a link in place of a copy or an archive is named, and
// neither verify nor show waits on it.
TEST_F(CliHostileTest, VerifyNamesLinksFifosAndDevicesAndNothingWaits) {
    ASSERT_EQ(Cli({"backup", folder_, "58"}).status, 0);
    const Bookkeeping book = ReadBookkeeping(prefix_, folder_);
    ASSERT_FALSE(book.regFiles.empty());
    ASSERT_GE(book.copyFiles.size(), 2u);
    const std::string secret = root_ + "/secret.txt";
    WriteFile(secret, "secret");
    std::filesystem::remove(folder_ + "/" + book.regFiles[0]);
    ASSERT_EQ(::mkfifo((folder_ + "/" + book.regFiles[0]).c_str(), 0600), 0);
    std::filesystem::remove(folder_ + "/" + book.copyFiles[0]);
    std::filesystem::create_symlink("/dev/zero", folder_ + "/" + book.copyFiles[0]);
    std::filesystem::remove(folder_ + "/" + book.copyFiles[1]);
    std::filesystem::create_symlink(secret, folder_ + "/" + book.copyFiles[1]);

    CliResult verify = RunCli({"--prefix", prefix_, "verify", folder_}, std::chrono::seconds(30));
    EXPECT_EQ(verify.status, 1) << verify.out << verify.err;
    for (const std::string& name : {book.regFiles[0], book.copyFiles[0], book.copyFiles[1]}) {
        EXPECT_NE(verify.out.find("Problem: " + name + " is no plain file"), std::string::npos)
            << name << "\n" << verify.out;
    }
    CliResult show = RunCli({"--prefix", prefix_, "show", folder_}, std::chrono::seconds(30));
    EXPECT_EQ(show.status, 0) << show.err;
    EXPECT_NE(show.out.find("not plain"), std::string::npos) << show.out;
}

TEST(TerminalTextTest, ControlCharactersAreEscapedAndTheRestKept) {
    const std::string text = std::string("a\\b \x1b[1m\r\n\t\x7f\x00z\xe9", 15);
    EXPECT_EQ(cli::Printable(text), "a\\b \\x1B[1m\\x0D\\x0A\\x09\\x7F\\x00z\xe9");
    EXPECT_EQ(cli::WithoutTerminalControls(text), "a\\b \\x1B[1m\r\n\t\\x7F\\x00z\xe9");
}

}  // namespace
}  // namespace sl::testing
