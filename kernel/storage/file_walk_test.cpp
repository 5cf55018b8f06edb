// The walk over a file instruction's files, as the backup and the command
// line's dry run see it.
#include "kernel/storage/file_walk.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "kernel/testing/fault_injection.h"
#include "kernel/testing/temp_prefix.h"

namespace sl {
namespace {

using Paths = std::vector<std::string>;
using platform::CallKind;
using platform::FaultInjectingPlatform;

class FileWalkTest : public ::testing::Test {
protected:
    void SetUp() override {
        prefix.WriteFile("C:\\App\\top.ini", "12345");
        prefix.WriteFile("C:\\App\\Sub\\a.ini", "a");
        prefix.WriteFile("C:\\App\\Sub\\Deeper\\b.ini", "bb");
        prefix.WriteFile("C:\\App\\Other\\c.txt", "c");
    }

    // Walks folder, collecting every file's path; status in *status.
    Paths Walk(const std::string& folder, const std::string& mask, std::int32_t recurse,
               const WalkReports& reports = WalkReports(), std::int32_t* status = nullptr) {
        Paths paths;
        std::int32_t rc = WalkBackupFiles(
            platform::Current(), folder, mask, "", "", recurse,
            [&](const WalkedFile& file) {
                paths.push_back(file.path);
                return true;
            },
            reports);
        if (status != nullptr) *status = rc;
        return paths;
    }

    testing::TempPrefix prefix;
};

TEST_F(FileWalkTest, GivesDosPathsAndSizesAFoldersOwnFilesFirst) {
    std::vector<std::pair<std::string, std::uint64_t>> seen;
    EXPECT_EQ(WalkBackupFiles(platform::Current(), "C:\\App", "*.ini", "", "", 1,
                              [&](const WalkedFile& file) {
                                  seen.emplace_back(file.path, file.size);
                                  return true;
                              }),
              0);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], std::make_pair(std::string("C:\\App\\top.ini"), std::uint64_t{5}));
    EXPECT_EQ(seen[1].first, "C:\\App\\Sub\\a.ini");
    EXPECT_EQ(seen[2], std::make_pair(std::string("C:\\App\\Sub\\Deeper\\b.ini"), std::uint64_t{2}));

    // Without recursion only the folder itself; one listing for "*.*".
    EXPECT_EQ(Walk("C:\\App\\", "*.*", 0), (Paths{"C:\\App\\top.ini"}));
    EXPECT_EQ(Walk("C:\\App", "*.*", 1).size(), 4u);
}

TEST_F(FileWalkTest, VisitEndsTheWalkAndAMissingFolderIsNoError) {
    int visits = 0;
    EXPECT_EQ(WalkBackupFiles(platform::Current(), "C:\\App", "*.*", "", "", 1,
                              [&](const WalkedFile&) { return ++visits < 2; }),
              0);
    EXPECT_EQ(visits, 2);

    int reports = 0;
    WalkReports count;
    count.listingFailed = [&](const std::string&, std::int32_t, bool) { ++reports; };
    std::int32_t status = -1;
    EXPECT_TRUE(Walk("C:\\Missing", "*.ini", 1, count, &status).empty());
    EXPECT_EQ(status, 0);
    EXPECT_EQ(reports, 0);
}

TEST_F(FileWalkTest, EnterFolderCanLeaveFilesOutButNotSubfolders) {
    Paths entered;
    WalkReports reports;
    reports.enterFolder = [&](const std::string& folder) {
        entered.push_back(folder);
        return folder != "C:\\App\\";
    };
    EXPECT_EQ(Walk("C:\\App", "*.ini", 1, reports),
              (Paths{"C:\\App\\Sub\\a.ini", "C:\\App\\Sub\\Deeper\\b.ini"}));
    EXPECT_EQ(entered.front(), "C:\\App\\");
    EXPECT_EQ(entered.size(), 4u);  // App, Other, Sub, Deeper in some order
}

// A listing that fails is told with its pattern and which step listed; the
// folder's own failure is the walk's result.
TEST_F(FileWalkTest, FailedListingsAreToldAndReturned) {
    auto faults = std::make_shared<FaultInjectingPlatform>(prefix.Platform());
    auto previous = platform::Install(faults);
    faults->FailNth(CallKind::FindNextFile, 1, platform::kErrorAccessDenied);

    std::vector<std::pair<std::string, bool>> failed;
    WalkReports reports;
    reports.listingFailed = [&](const std::string& pattern, std::int32_t error, bool files) {
        EXPECT_EQ(error, static_cast<std::int32_t>(platform::kErrorAccessDenied));
        failed.emplace_back(pattern, files);
    };
    std::int32_t status = 0;
    Walk("C:\\App", "*.*", 0, reports, &status);
    EXPECT_EQ(status, static_cast<std::int32_t>(platform::kErrorAccessDenied));
    EXPECT_EQ(failed, (std::vector<std::pair<std::string, bool>>{{"C:\\App\\*.*", true}}));

    // One listing serving files and subfolders is told for both.
    failed.clear();
    faults->FailNth(CallKind::FindNextFile, 2, platform::kErrorAccessDenied);
    Walk("C:\\App\\Other", "*.*", 1, reports, &status);
    EXPECT_EQ(status, static_cast<std::int32_t>(platform::kErrorAccessDenied));
    EXPECT_EQ(failed, (std::vector<std::pair<std::string, bool>>{{"C:\\App\\Other\\*.*", true},
                                                                  {"C:\\App\\Other\\*.*", false}}));
    platform::Install(previous);
}

}  // namespace
}  // namespace sl
