// Progress code 4: the run names every registry key and every file before it
// handles it, with the count of files copied so far, in backup and restore.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kernel/interface/e2e_test_support.h"
#include "kernel/interface/kernel.h"

namespace sl {
namespace {

const char kFolder[] = "C:\\Backup";
const char kSkins[] = "C:\\Program Files\\Winamp\\Skins";
// The skins folder as the script names it, which is how items name it.
const char kScriptSkins[] = "C:\\Program Files\\Winamp\\SKINS\\";

class ProgressItemTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::LoadDemoMachine(demo);
        demo.MakeFolder(kFolder);
        // How many items had come before each step.
        progress.onMessage = [this](const testing::ProgressRecorder::Message& m) {
            if (m.code == PROGRESS_STEP) itemsBeforeStep.push_back(progress.items.size());
        };
    }

    int32_t Run(const std::string& ids, int32_t mode) {
        std::string bad;
        const int32_t result =
            SL_RunInstructions(ids.c_str(), kFolder, mode, bad, progress.Window());
        badIDs = bad;
        return result;
    }

    std::vector<std::string> Paths() const {
        std::vector<std::string> paths;
        for (const auto& item : progress.items) paths.push_back(item.path);
        return paths;
    }

    testing::TempPrefix demo;
    testing::ProgressRecorder progress;
    std::vector<std::size_t> itemsBeforeStep;
    std::string badIDs;
};

TEST_F(ProgressItemTest, BackupNamesTheKeyThenEachFileBeforeItsStep) {
    ASSERT_EQ(Run("'58'", SL_MODE_BACKUP), 1);
    // The key as the script names it, the files as found. One key and two
    // single files: three steps, each after its own item.
    EXPECT_EQ(Paths(), (std::vector<std::string>{
                           "HKEY_CURRENT_USER\\SOFTWARE\\WINAMP",
                           "C:\\Program Files\\Winamp\\winamp.ini",
                           "C:\\Program Files\\Winamp\\winamp.q1"}));
    EXPECT_EQ(itemsBeforeStep, (std::vector<std::size_t>{1, 2, 3}));
    for (const auto& item : progress.items) EXPECT_EQ(item.id, "'58'");
    EXPECT_EQ(progress.items[1].filesCopied, 0u);
    EXPECT_EQ(progress.items[2].filesCopied, 1u);
}

TEST_F(ProgressItemTest, ALargeComponentNamesEveryFileAndCountsTheCopies) {
    constexpr int kFiles = 300;
    for (int i = 0; i < kFiles; ++i) {
        demo.WriteFile(std::string(kSkins) + "\\many\\skin" + std::to_string(i) + ".bmp", "x");
    }
    ASSERT_EQ(Run("'59'", SL_MODE_BACKUP), 1);
    // One step for the whole component, but an item for every file.
    ASSERT_EQ(itemsBeforeStep.size(), 1u);
    ASSERT_GE(progress.items.size(), static_cast<std::size_t>(kFiles));
    EXPECT_EQ(itemsBeforeStep[0], progress.items.size());
    for (std::size_t i = 0; i < progress.items.size(); ++i) {
        EXPECT_EQ(progress.items[i].filesCopied, i) << progress.items[i].path;
        EXPECT_EQ(progress.items[i].path.rfind(kScriptSkins, 0), 0u) << progress.items[i].path;
    }
}

TEST_F(ProgressItemTest, AFileThatCannotBeCopiedIsNamedButNotCounted) {
    // A folder where winamp.ini's backup copy would go: the copy fails.
    demo.MakeFolder(std::string(kFolder) + "\\2.dat");
    ASSERT_EQ(Run("'58'", SL_MODE_BACKUP), 1);
    EXPECT_EQ(badIDs, "'58'");
    ASSERT_EQ(progress.items.size(), 3u);
    EXPECT_EQ(progress.items[1].path, "C:\\Program Files\\Winamp\\winamp.ini");
    // The failed copy of winamp.ini left the count where it was.
    EXPECT_EQ(progress.items[2].filesCopied, 0u);
}

TEST_F(ProgressItemTest, RestoreNamesFilesWhereTheyGoThenTheKey) {
    ASSERT_EQ(Run("'58'", SL_MODE_BACKUP), 1);
    progress.items.clear();
    itemsBeforeStep.clear();
    ASSERT_EQ(Run("'58'", SL_MODE_RESTORE), 1);
    // Files first (one record per file instruction), then the registry.
    EXPECT_EQ(Paths(), (std::vector<std::string>{
                           "C:\\Program Files\\Winamp\\winamp.ini",
                           "C:\\Program Files\\Winamp\\winamp.q1",
                           "HKEY_CURRENT_USER\\SOFTWARE\\WINAMP"}));
    EXPECT_EQ(itemsBeforeStep, (std::vector<std::size_t>{1, 2, 3}));
    EXPECT_EQ(progress.items[2].filesCopied, 2u);
}

TEST_F(ProgressItemTest, AWindowWithoutSendGetsNothingAndTheRunWorks) {
    SLProgressWindow silent{nullptr, nullptr};
    std::string bad;
    EXPECT_EQ(SL_RunInstructions("'58'", kFolder, SL_MODE_BACKUP, bad, &silent), 1);
    EXPECT_EQ(SL_RunInstructions("'58'", kFolder, SL_MODE_RESTORE, bad, nullptr), 1);
    EXPECT_EQ(bad, "");
}

}  // namespace
}  // namespace sl
