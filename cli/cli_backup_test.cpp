// The real stowlark-cli on scratch copies of the demo machine: backups with
// each choice, show, and verify on whole and on damaged folders.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "cli/catalogue_selection.h"
#include "cli/testing/demo_machine_fixture.h"

namespace sl::testing {
namespace {

std::set<int> IdSet(const std::string& list) {
    std::vector<int> ids = cli::IdsOf(list);
    return {ids.begin(), ids.end()};
}

class CliBackupTest : public DemoMachineTest {};

TEST_F(CliBackupTest, TypicalIsTheDefaultAndLeavesOutTheUntypicalRows) {
    CliResult run = Cli({"backup", folder_});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("Your personal settings are now safe"), std::string::npos);
    EXPECT_NE(run.out.find("Log: "), std::string::npos);

    Bookkeeping book = ReadBookkeeping(prefix_, folder_);
    ASSERT_EQ(book.rc, 0);
    std::set<int> saved = IdSet(book.saved);
    // The typical preset checks every row but 38, 55 and 56; typical groups
    // carry all their rows (WinAmp 57 brings 58 to 60).
    for (int id : {1, 10, 11, 12, 24, 31, 54, 58, 59, 60}) EXPECT_EQ(saved.count(id), 1u) << id;
    for (int id : {38, 55, 56}) EXPECT_EQ(saved.count(id), 0u) << id;

    // A second typical backup into the same folder skips what it holds.
    ASSERT_EQ(Cli({"backup", folder_, "--typical"}).status, 0);
    Bookkeeping again = ReadBookkeeping(prefix_, folder_);
    EXPECT_EQ(again.saved, book.saved);
    EXPECT_EQ(again.regFiles, book.regFiles);
    EXPECT_EQ(again.copyFiles, book.copyFiles);
}

TEST_F(CliBackupTest, AllSavesTheUntypicalRowsToo) {
    CliResult run = Cli({"backup", folder_, "--all"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    std::set<int> saved = IdSet(ReadBookkeeping(prefix_, folder_).saved);
    for (int id : {38, 55, 56, 1, 60}) EXPECT_EQ(saved.count(id), 1u) << id;
}

TEST_F(CliBackupTest, NamedGroupCarriesItsRowsAndTheFolderPathIsCreated) {
    const std::string deep = folder_ + "/one/two";
    CliResult run = Cli({"backup", deep, "4", "'58'"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(IdSet(ReadBookkeeping(prefix_, deep).saved), (std::set<int>{10, 11, 12, 58}));
}

TEST_F(CliBackupTest, DosFolderOfThePrefixIsTakenAsItIs) {
    CliResult run = Cli({"backup", "C:\\Backups\\Mine", "58"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_TRUE(std::filesystem::exists(prefix_ + "/drive_c/Backups/Mine/Stowlark.dat"));
}

TEST_F(CliBackupTest, ShowNamesComponentsRecordsAndSizes) {
    ASSERT_EQ(Cli({"backup", folder_, "4", "58"}).status, 0);
    CliResult show = Cli({"show", folder_});
    ASSERT_EQ(show.status, 0) << show.err;
    EXPECT_NE(show.out.find("Saved components (4)"), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("Microsoft Word Settings / Common Settings"), std::string::npos);
    EXPECT_NE(show.out.find("WinAmp / WinAmp Settings"), std::string::npos);
    EXPECT_NE(show.out.find("Restored components (0)"), std::string::npos);
    EXPECT_NE(show.out.find("HKEY_CURRENT_USER\\SOFTWARE\\WINAMP"), std::string::npos);
    // winamp.ini's copy with its real size.
    const std::string ini =
        ReadFile(prefix_ + "/drive_c/Program Files/Winamp/winamp.ini");
    EXPECT_NE(show.out.find(std::to_string(ini.size()) + " bytes  winamp.ini"), std::string::npos)
        << show.out;
}

TEST_F(CliBackupTest, VerifyPassesOnAWholeFolderAndNamesEveryDamage) {
    ASSERT_EQ(Cli({"backup", folder_, "--all"}).status, 0);
    CliResult whole = Cli({"verify", folder_});
    EXPECT_EQ(whole.status, 0) << whole.out;
    EXPECT_NE(whole.out.find("complete"), std::string::npos);

    Bookkeeping book = ReadBookkeeping(prefix_, folder_);
    ASSERT_GE(book.copyFiles.size(), 2u);
    ASSERT_GE(book.regFiles.size(), 2u);
    const std::string lostCopy = book.copyFiles[1];
    const std::string cutArchive = book.regFiles[1];
    std::filesystem::remove(folder_ + "/" + lostCopy);
    const std::string archive = ReadFile(folder_ + "/" + cutArchive);
    WriteFile(folder_ + "/" + cutArchive, archive.substr(0, archive.size() / 2));

    CliResult damaged = Cli({"verify", folder_});
    EXPECT_EQ(damaged.status, 1) << damaged.out;
    EXPECT_NE(damaged.out.find(lostCopy + " is missing"), std::string::npos) << damaged.out;
    EXPECT_NE(damaged.out.find(cutArchive + " does not load completely: it is truncated"),
              std::string::npos)
        << damaged.out;
    EXPECT_NE(damaged.out.find("2 problem(s)"), std::string::npos) << damaged.out;
}

TEST_F(CliBackupTest, VerifyReportsADamagedBookkeepingFile) {
    ASSERT_EQ(Cli({"backup", folder_, "58"}).status, 0);
    const std::string book = ReadFile(folder_ + "/Stowlark.dat");
    WriteFile(folder_ + "/Stowlark.dat", book.substr(0, 3));
    CliResult verify = Cli({"verify", folder_});
    EXPECT_EQ(verify.status, 1);
    EXPECT_NE(verify.out.find("Stowlark.dat is truncated or empty"), std::string::npos)
        << verify.out;
}

}  // namespace
}  // namespace sl::testing
