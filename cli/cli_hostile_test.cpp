// stowlark-cli on folders someone else made: names in a bookkeeping file that
// carry terminal escape sequences, and folder arguments that would climb out
// of the folder they name.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/terminal_text.h"
#include "cli/testing/cli_runner.h"
#include "kernel/interface/kernel.h"
#include "kernel/platform/wine/dos_paths.h"
#include "kernel/platform/wine/wine_platform.h"

namespace sl::testing {
namespace {

// Set the window title, clear the screen, a line of its own.
const std::string kTitle = "\x1b]0;owned\x07";
const std::string kClear = "\x1b[2J";

class CliHostileTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = MakeTempFolder();
        prefix_ = CopyDemoMachine(root_, "machine");
        folder_ = root_ + "/backup";
    }
    void TearDown() override { RemoveTree(root_); }

    CliResult Cli(std::vector<std::string> args) {
        args.insert(args.begin(), {"--prefix", prefix_});
        return RunCli(args);
    }

    // Rewrites the folder's bookkeeping file with escape sequences in the
    // names of its records, as a crafted folder would hold them.
    void PlantEscapes() {
        auto previous =
            platform::Install(std::make_shared<platform::wine::WinePlatform>(prefix_));
        CSLKernel kernel;
        kernel.SetFolder(platform::wine::UnixToDosPath(prefix_, folder_));
        ASSERT_EQ(kernel.Load(kernel.Folder), 0);
        ASSERT_FALSE(kernel.RegItems.empty());
        ASSERT_FALSE(kernel.FileItems.empty());
        kernel.RegItems[0]->KeyPath += kClear;
        kernel.FileItems[0]->SourceFiles[0] = kTitle + "\nforged line.ini";
        kernel.FileItems[0]->BackupFiles[0] += kClear;
        ASSERT_EQ(kernel.Save(kernel.Folder), 0);
        platform::Install(previous);
    }

    std::string root_, prefix_, folder_;
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

TEST(TerminalTextTest, ControlCharactersAreEscapedAndTheRestKept) {
    const std::string text = std::string("a\\b \x1b[1m\r\n\t\x7f\x00z\xe9", 15);
    EXPECT_EQ(cli::Printable(text), "a\\b \\x1B[1m\\x0D\\x0A\\x09\\x7F\\x00z\xe9");
    EXPECT_EQ(cli::WithoutTerminalControls(text), "a\\b \\x1B[1m\r\n\t\\x7F\\x00z\xe9");
}

}  // namespace
}  // namespace sl::testing
