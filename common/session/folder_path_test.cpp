#include "common/session/folder_path.h"

#include <gtest/gtest.h>

#include "common/session/testing/session_prefix.h"

namespace sl::session {
namespace {

TEST(CreateFolderPath, CreatesEveryMissingLevel) {
    SessionPrefix prefix;
    EXPECT_FALSE(prefix.Exists("C:\\Stowlark"));
    EXPECT_EQ(CreateFolderPath("C:\\Stowlark\\Settings"), 0u);
    EXPECT_TRUE(PathExists("C:\\Stowlark\\"));
    EXPECT_TRUE(PathExists("C:\\Stowlark\\Settings\\"));
    // Every level exists now: a second walk succeeds without creating.
    EXPECT_EQ(CreateFolderPath("C:\\Stowlark\\Settings\\"), 0u);
}

TEST(CreateFolderPath, TrimsBlanksAroundComponents) {
    SessionPrefix prefix;
    EXPECT_EQ(CreateFolderPath("C:\\Temp \\ New"), 0u);
    EXPECT_TRUE(PathExists("C:\\Temp\\New"));
    EXPECT_FALSE(PathExists("C:\\Temp \\"));
}

TEST(CreateFolderPath, StopsAtTheFirstEmptyComponent) {
    SessionPrefix prefix;
    EXPECT_EQ(CreateFolderPath("\\Rooted\\Folder"), 0u);
    EXPECT_FALSE(prefix.Exists("C:\\Rooted"));
    EXPECT_EQ(CreateFolderPath("C:\\One\\\\Two"), 0u);
    EXPECT_TRUE(prefix.Exists("C:\\One"));
    EXPECT_FALSE(prefix.Exists("C:\\One\\Two"));
}

TEST(CreateFolderPath, ReportsTheErrorOfTheFirstLevelThatFails) {
    SessionPrefix prefix;
    EXPECT_NE(CreateFolderPath("Q:\\Nowhere\\Folder"), 0u);  // an unmapped drive
    prefix.WriteFile("C:\\Blocker", "a file, not a folder");
    EXPECT_NE(CreateFolderPath("C:\\Blocker\\Sub"), 0u);
}

TEST(EntryFound, FindsFilesAndFoldersByTheirExactName) {
    SessionPrefix prefix;
    prefix.MakeFolder("C:\\Backups");
    prefix.WriteFile("C:\\notes.txt", "x");
    EXPECT_TRUE(EntryFound("C:\\Backups"));
    EXPECT_TRUE(EntryFound("C:\\BACKUPS"));  // names compare without regard to case
    EXPECT_TRUE(EntryFound("C:\\notes.txt"));
    // A trailing backslash names no entry, so the folder page asks to create.
    EXPECT_FALSE(EntryFound("C:\\Backups\\"));
    EXPECT_FALSE(EntryFound("C:\\Missing"));
}

TEST(CreateOneFolder, TreatsAnExistingFolderAsSuccess) {
    SessionPrefix prefix;
    EXPECT_EQ(CreateOneFolder("C:\\Once"), 0u);
    EXPECT_EQ(CreateOneFolder("C:\\Once"), 0u);
    EXPECT_NE(CreateOneFolder("C:\\Missing\\Child"), 0u);
}

}  // namespace
}  // namespace sl::session
