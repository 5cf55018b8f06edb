// The inspect exports in-process, on a copy of the demo machine backed up by
// the kernel's own run: what they read must be what the folder holds, and
// nothing they do may change the machine.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "kernel/interface/e2e_test_support.h"
#include "kernel/interface/stowlark_kernel.h"
#include "kernel/testing/temp_prefix.h"

namespace sl {
namespace {

namespace fs = std::filesystem;

constexpr const char* kWinampIDs = "'57','58','59','60'";

class InspectTest : public ::testing::Test {
protected:
    // The read-only view is made over the machine WINEPREFIX names, as in
    // the library; here that is the fixture's prefix.
    void SetUp() override {
        ::setenv("WINEPREFIX", prefix_.PrefixPath().c_str(), 1);
        testing::LoadDemoMachine(prefix_);
        prefix_.MakeFolder("C:\\Backup");
        std::string bad;
        ASSERT_EQ(SL_RunInstructions(kWinampIDs, "C:\\Backup", SL_MODE_BACKUP, bad, nullptr), 1)
            << bad;
    }

    void TearDown() override { ::unsetenv("WINEPREFIX"); }

    SLIBackupFolder Read() {
        SLIBackupFolder read;
        EXPECT_EQ(SLI_ReadBackupFolder("C:\\Backup", read), 0);
        return read;
    }

    testing::TempPrefix prefix_;
};

TEST_F(InspectTest, ReadsEveryRecordWithTheSizesOnDisk) {
    const SLIBackupFolder read = Read();
    EXPECT_EQ(read.folder, "C:\\Backup\\");
    EXPECT_TRUE(SLI_IdListContains(read.savedIDs, "'58'"));
    EXPECT_EQ(read.restoredIDs, "");
    ASSERT_FALSE(read.registryArchives.empty());
    ASSERT_FALSE(read.fileCopies.empty());
    std::uint32_t highest = 0;
    for (const SLIRegistryArchive& archive : read.registryArchives) {
        EXPECT_TRUE(archive.plainName) << archive.fileName;
        EXPECT_EQ(archive.size, static_cast<std::int64_t>(fs::file_size(
                                    prefix_.UnixPath("C:\\Backup\\" + archive.fileName))));
        highest = std::max<std::uint32_t>(highest, std::stoul(archive.fileName));
    }
    for (const SLIFileCopies& copies : read.fileCopies) {
        ASSERT_EQ(copies.backupSizes.size(), copies.backupFiles.size());
        EXPECT_EQ(copies.safePairs.size(), copies.sourceFiles.size());
        EXPECT_TRUE(std::all_of(copies.safePairs.begin(), copies.safePairs.end(),
                                [](std::uint8_t safe) { return safe == 1; }));
        EXPECT_EQ(copies.pathId != 0, !copies.from.empty());
        for (std::size_t i = 0; i < copies.backupFiles.size(); ++i) {
            EXPECT_EQ(copies.backupSizes[i],
                      static_cast<std::int64_t>(fs::file_size(
                          prefix_.UnixPath("C:\\Backup\\" + copies.backupFiles[i]))));
            highest = std::max<std::uint32_t>(highest, std::stoul(copies.backupFiles[i]));
        }
    }
    EXPECT_EQ(read.backupCounter, highest);
}

TEST_F(InspectTest, MissingCopiesAndFifosAreToldApart) {
    SLIBackupFolder read = Read();
    const SLIFileCopies& copies = read.fileCopies.front();
    ASSERT_FALSE(copies.backupFiles.empty());
    const std::string copy = prefix_.UnixPath("C:\\Backup\\" + copies.backupFiles[0]);
    fs::remove(copy);
    EXPECT_EQ(Read().fileCopies.front().backupSizes[0], SLI_NO_FILE);
    ASSERT_EQ(::mkfifo(copy.c_str(), 0600), 0);
    // Looking must not wait for a writer on the FIFO.
    EXPECT_EQ(Read().fileCopies.front().backupSizes[0], SLI_NOT_A_PLAIN_FILE);
    const std::string archive =
        prefix_.UnixPath("C:\\Backup\\" + read.registryArchives.front().fileName);
    fs::remove(archive);
    fs::create_symlink(copy, archive);
    EXPECT_EQ(Read().registryArchives.front().size, SLI_NOT_A_PLAIN_FILE);
}

TEST_F(InspectTest, ArchiveRecordsOutsideTheAskedKeyAreCounted) {
    const SLIRegistryArchive archive = Read().registryArchives.front();
    const std::string path = "C:\\Backup\\" + archive.fileName;
    SLIArchiveContents own;
    ASSERT_EQ(SLI_ReadRegistryArchive(path.c_str(), archive.root, archive.keyPath.c_str(), own),
              0);
    EXPECT_GT(own.values + own.keys, 0);
    EXPECT_EQ(own.outside, 0);
    SLIArchiveContents other;
    ASSERT_EQ(SLI_ReadRegistryArchive(path.c_str(), archive.root, "Software\\Elsewhere", other), 0);
    EXPECT_EQ(other.values, own.values);
    EXPECT_EQ(other.outside, own.values + own.keys);
    SLIArchiveContents missing;
    EXPECT_NE(SLI_ReadRegistryArchive("C:\\Backup\\nothing.bin", archive.root, "", missing), 0);
}

TEST_F(InspectTest, PlansSkipWhatTheFolderHoldsAndWriteNothing) {
    const auto files = testing::SnapshotFiles(prefix_);
    SLIBackupPlan held;
    ASSERT_EQ(SLI_PlanBackup(kWinampIDs, "C:\\Backup", held), 0);
    EXPECT_TRUE(held.holdsBookkeeping);
    // 57 is a group of the catalogue; the script has lines for 58 to 60.
    EXPECT_EQ(held.scriptIds, (std::vector<std::string>{"'58'", "'59'", "'60'"}));
    EXPECT_TRUE(held.items.empty());  // everything asked is in the folder already

    SLIBackupPlan fresh;
    ASSERT_EQ(SLI_PlanBackup(kWinampIDs, "C:\\New", fresh), 0);
    EXPECT_FALSE(fresh.holdsBookkeeping);
    EXPECT_FALSE(fresh.folderExists);
    EXPECT_EQ(fresh.scriptIds, held.scriptIds);
    bool registry = false;
    std::size_t walked = 0;
    for (const SLIPlannedItem& item : fresh.items) {
        registry = registry || (item.registry && item.keyFound && item.values > 0);
        EXPECT_EQ(item.folders.size(), item.files.size());
        for (const auto& found : item.files) walked += found.size();
    }
    EXPECT_TRUE(registry);
    EXPECT_GT(walked, 0u);
    EXPECT_EQ(testing::SnapshotFiles(prefix_), files);
    EXPECT_FALSE(prefix_.Exists("C:\\New"));
}

TEST_F(InspectTest, APlanIntoADamagedFolderStopsAtItsBookkeepingFile) {
    prefix_.WriteFile("C:\\Backup\\Stowlark.dat", "not an archive");
    SLIBackupPlan plan;
    EXPECT_NE(SLI_PlanBackup(kWinampIDs, "C:\\Backup", plan), 0);
    EXPECT_TRUE(plan.holdsBookkeeping);
    EXPECT_NE(plan.bookkeeping, 0);
    EXPECT_TRUE(plan.items.empty());
    EXPECT_TRUE(plan.scriptIds.empty());
}

}  // namespace
}  // namespace sl
