// Dry runs of the real stowlark-cli print what would happen, component by
// component, and change no file of the prefix or the backup folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/testing/demo_machine_fixture.h"

namespace sl::testing {
namespace {

class CliDryRunTest : public DemoMachineTest {};

TEST_F(CliDryRunTest, BackupIntoANewFolderCreatesNothing) {
    const auto before = Snapshot(prefix_);
    CliResult dry = Cli({"backup", folder_ + "/new", "58", "24", "--dry-run"});
    ASSERT_EQ(dry.status, 0) << dry.out << dry.err;
    EXPECT_EQ(Snapshot(prefix_), before);
    EXPECT_FALSE(std::filesystem::exists(folder_));

    EXPECT_NE(dry.out.find("Dry run: nothing is written."), std::string::npos);
    EXPECT_NE(dry.out.find("it would be created"), std::string::npos);
    // Component by component, with their keys and files.
    const std::size_t winamp = dry.out.find("'58' WinAmp / WinAmp Settings");
    const std::size_t favorites = dry.out.find("'24' Internet Settings / Microsoft Internet "
                                               "Explorer Settings / Favorites");
    ASSERT_NE(winamp, std::string::npos) << dry.out;
    ASSERT_NE(favorites, std::string::npos) << dry.out;
    EXPECT_NE(dry.out.find("HKEY_CURRENT_USER\\SOFTWARE\\WINAMP", winamp), std::string::npos);
    EXPECT_NE(dry.out.find("C:\\Program Files\\Winamp\\winamp.ini", winamp), std::string::npos);
    EXPECT_NE(dry.out.find("Favorites\\Links\\Demo Site.url", favorites), std::string::npos)
        << "files of subfolders are listed";
}

TEST_F(CliDryRunTest, BackupIntoAFolderThatHoldsComponentsSkipsThemAndChangesNothing) {
    ASSERT_EQ(Cli({"backup", folder_, "58"}).status, 0);
    const auto prefixBefore = Snapshot(prefix_);
    const auto folderBefore = Snapshot(folder_);
    CliResult dry = Cli({"backup", folder_, "--all", "-n"});
    ASSERT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(Snapshot(prefix_), prefixBefore);
    EXPECT_EQ(Snapshot(folder_), folderBefore);
    const std::size_t winamp = dry.out.find("'58' WinAmp / WinAmp Settings");
    ASSERT_NE(winamp, std::string::npos);
    EXPECT_EQ(dry.out.find("already in the folder: skipped", winamp),
              dry.out.find("\n", winamp) + 5);
    EXPECT_NE(dry.out.find("'38' "), std::string::npos) << "--all includes untypical rows";
}

TEST_F(CliDryRunTest, RestoreNamesWhatItWouldWriteAndChangesNothing) {
    const std::string other = CopyDemoMachine(root_, "other");
    ASSERT_EQ(RunCli({"--prefix", other, "backup", folder_, "58", "59"}).status, 0);
    const auto prefixBefore = Snapshot(prefix_);
    const auto folderBefore = Snapshot(folder_);

    CliResult dry = Cli({"restore", folder_, "--dry-run"});
    ASSERT_EQ(dry.status, 0) << dry.out << dry.err;
    EXPECT_EQ(Snapshot(prefix_), prefixBefore);
    EXPECT_EQ(Snapshot(folder_), folderBefore);
    EXPECT_FALSE(std::filesystem::exists(prefix_ + "/drive_c/windows/Stowlark.Bak"));

    EXPECT_NE(dry.out.find("would be saved into C:\\windows\\Stowlark.Bak"), std::string::npos)
        << dry.out;
    EXPECT_NE(dry.out.find("-> C:\\Program Files\\Winamp\\winamp.ini"), std::string::npos);
    EXPECT_NE(dry.out.find("-> HKEY_CURRENT_USER\\SOFTWARE\\WINAMP: "),
              std::string::npos)
        << dry.out;
    EXPECT_NE(dry.out.find("'59' WinAmp / WinAmp Skins"), std::string::npos);
}

TEST_F(CliDryRunTest, RestoreDryRunShowsMissingCopies) {
    ASSERT_EQ(Cli({"backup", folder_, "58"}).status, 0);
    Bookkeeping book = ReadBookkeeping(prefix_, folder_);
    ASSERT_FALSE(book.copyFiles.empty());
    std::filesystem::remove(folder_ + "/" + book.copyFiles[0]);
    CliResult dry = Cli({"restore", folder_, "-n"});
    ASSERT_EQ(dry.status, 0) << dry.err;
    EXPECT_NE(dry.out.find(book.copyFiles[0] + " -> "), std::string::npos);
    EXPECT_NE(dry.out.find("(the copy is missing)"), std::string::npos) << dry.out;
}

}  // namespace
}  // namespace sl::testing
