#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "kernel/storage/file_copy_test_support.h"
#include "kernel/testing/registry_values.h"
#include "kernel/testing/temp_prefix.h"

namespace sl {
namespace {

using Names = std::vector<std::string>;

constexpr std::int32_t kWindowsDir = 1;     // C:\windows\ in a test prefix
constexpr std::int32_t kOfficeDir = 4;      // unresolvable without registry values
constexpr std::int32_t kNetscapeUsers = 11; // a folder list

class FileBackupTest : public ::testing::Test {
protected:
    void SetUp() override {
        prefix.MakeFolder("C:\\Backup");
        files.SetFolder("C:\\Backup");
        record.ID = "'7'";
        record.PathID = kWindowsDir;
    }

    std::string Backup(const std::string& name) { return prefix.ReadFile("C:\\Backup\\" + name); }

    testing::TempPrefix prefix;
    testing::StorageRun files;
    CSLFileItem record;
};

TEST_F(FileBackupTest, NumbersCopiesInSearchOrderBelowTheSubPath) {
    prefix.WriteFile("C:\\windows\\App\\c.ini", "third");
    prefix.WriteFile("C:\\windows\\App\\A.ini", "first");
    prefix.WriteFile("C:\\windows\\App\\b.INI", "second");
    prefix.WriteFile("C:\\windows\\App\\notes.txt", "not matched");

    EXPECT_EQ(files.BackupFileTree(record, "APP", "", "", "*.ini", 0), 0);
    EXPECT_EQ(record.SourceFiles, (Names{"APP\\A.ini", "APP\\b.INI", "APP\\c.ini"}));
    EXPECT_EQ(record.BackupFiles, (Names{"1.dat", "2.dat", "3.dat"}));
    EXPECT_EQ(Backup("1.dat"), "first");
    EXPECT_EQ(Backup("2.dat"), "second");
    EXPECT_EQ(Backup("3.dat"), "third");
    EXPECT_EQ(files.BackupCounter, 3u);
    EXPECT_EQ(record.PathID, kWindowsDir);

    // An empty SubPath gives bare names; numbering goes on from the counter.
    prefix.WriteFile("C:\\windows\\win.ini", "w");
    CSLFileItem second;
    second.PathID = kWindowsDir;
    files.BackupCounter = 41;
    EXPECT_EQ(files.BackupFileTree(second, "", "", "", "WIN.INI", 0), 0);
    EXPECT_EQ(second.SourceFiles, Names{"win.ini"});
    EXPECT_EQ(second.BackupFiles, Names{"42.dat"});
    EXPECT_EQ(files.ErrorText, "");
}

TEST_F(FileBackupTest, NothingFoundIsSuccessWithEmptyLists) {
    prefix.WriteFile("C:\\windows\\App\\a.ini", "x");
    EXPECT_EQ(files.BackupFileTree(record, "APP", "", "", "*.none", 1), 0);
    EXPECT_EQ(files.BackupFileTree(record, "NOSUCHDIR", "", "", "*.*", 1), 0);
    EXPECT_TRUE(record.SourceFiles.empty());
    EXPECT_TRUE(record.BackupFiles.empty());
    EXPECT_EQ(files.BackupCounter, 0u);
    EXPECT_EQ(files.ErrorText, "");
}

TEST_F(FileBackupTest, FolderFiltersActOnTheFirstLevelOnly) {
    prefix.WriteFile("C:\\windows\\App\\top.ini", "t");
    prefix.WriteFile("C:\\windows\\App\\Keep\\k.ini", "k");
    prefix.WriteFile("C:\\windows\\App\\Keep\\Inner\\i.ini", "i");
    prefix.WriteFile("C:\\windows\\App\\Keep\\Skip\\s.ini", "s");
    prefix.WriteFile("C:\\windows\\App\\Skip\\x.ini", "x");

    EXPECT_EQ(files.BackupFileTree(record, "APP", "'KEEP'", "", "*.ini", 1), 0);
    EXPECT_EQ(record.SourceFiles, (Names{"APP\\top.ini", "APP\\Keep\\k.ini",
                                         "APP\\Keep\\Inner\\i.ini", "APP\\Keep\\Skip\\s.ini"}));
    EXPECT_EQ(record.BackupFiles, (Names{"1.dat", "2.dat", "3.dat", "4.dat"}));
    EXPECT_EQ(Backup("3.dat"), "i");

    CSLFileItem excluded;
    excluded.PathID = kWindowsDir;
    EXPECT_EQ(files.BackupFileTree(excluded, "APP", "", "'KEEP'", "*.ini", 1), 0);
    EXPECT_EQ(excluded.SourceFiles, (Names{"APP\\top.ini", "APP\\Skip\\x.ini"}));
}

TEST_F(FileBackupTest, DotFoldersAndLinkedFoldersAreNotEntered) {
    prefix.WriteFile("C:\\windows\\App\\.dot.ini", "dot file");
    prefix.WriteFile("C:\\windows\\App\\.hidden\\h.ini", "hidden folder");
    prefix.WriteFile("C:\\windows\\App\\Real\\r.ini", "real");
    // A linked folder, as Wine links Documents to the Unix home.
    const std::filesystem::path home = prefix.Root() + "/home";
    std::filesystem::create_directories(home);
    std::ofstream(home / "private.ini") << "home";
    std::filesystem::create_directory_symlink(home, prefix.UnixPath("C:\\windows\\App") + "/Linked");
    ASSERT_EQ(prefix.ReadFile("C:\\windows\\App\\Linked\\private.ini"), "home");

    EXPECT_EQ(files.BackupFileTree(record, "APP", "", "", "*.ini", 1), 0);
    EXPECT_EQ(record.SourceFiles, (Names{"APP\\.dot.ini", "APP\\Real\\r.ini"}));
    EXPECT_EQ(Backup("1.dat"), "dot file");
}

// A prefix may hold a folder tree of any depth: the walk stops at a depth
// no Windows path reaches, says so, and keeps what it found above.
TEST_F(FileBackupTest, FolderTreesDeeperThanAnyWindowsPathAreCutShort) {
    std::string unix = prefix.UnixPath("C:\\windows") + "/APP";
    for (int level = 0; level < 200; ++level) {
        unix += "/d";
        if (level == 10 || level == 199) {
            std::filesystem::create_directories(unix);
            std::ofstream(unix + "/x.ini") << level;
        }
    }
    EXPECT_EQ(files.BackupFileTree(record, "APP", "", "", "*.ini", 1), 0);
    ASSERT_EQ(record.SourceFiles.size(), 1u);
    EXPECT_EQ(Backup("1.dat"), "10");
    EXPECT_NE(files.ErrorText.find("lies too deep: not copied"), std::string::npos);
}

TEST_F(FileBackupTest, FolderListCopiesFromEveryFolderWithAbsolutePaths) {
    const std::string users = "SOFTWARE\\Netscape\\Netscape Navigator\\Users";
    testing::SetString(platform::Current(), platform::kHkeyLocalMachine, users + "\\alice",
                       "DirRoot", "C:\\NS\\Alice");
    testing::SetString(platform::Current(), platform::kHkeyLocalMachine, users + "\\bob", "DirRoot",
                       "C:\\NS\\Bob\\");
    prefix.WriteFile("C:\\NS\\Alice\\prefs.js", "alice");
    prefix.WriteFile("C:\\NS\\Alice\\Mail\\inbox.js", "alice mail");
    prefix.WriteFile("C:\\NS\\Bob\\prefs.js", "bob");

    record.PathID = kNetscapeUsers;
    EXPECT_EQ(files.BackupFileTree(record, "", "", "", "*.js", 1), 0);
    EXPECT_EQ(record.PathID, 0);
    EXPECT_EQ(record.SourceFiles, (Names{"C:\\NS\\Alice\\prefs.js", "C:\\NS\\Alice\\Mail\\inbox.js",
                                         "C:\\NS\\Bob\\prefs.js"}));
    EXPECT_EQ(record.BackupFiles, (Names{"1.dat", "2.dat", "3.dat"}));
    EXPECT_EQ(Backup("3.dat"), "bob");
}

TEST_F(FileBackupTest, FailedCopyUsesUpItsNumber) {
    prefix.WriteFile("C:\\windows\\App\\a.ini", "a");
    prefix.WriteFile("C:\\windows\\App\\b.ini", "b");
    prefix.WriteFile("C:\\windows\\App\\c.ini", "c");
    prefix.MakeFolder("C:\\Backup\\2.dat");  // a folder where the second copy should go

    EXPECT_EQ(files.BackupFileTree(record, "APP", "", "", "*.ini", 0), 0);
    EXPECT_EQ(record.SourceFiles, (Names{"APP\\a.ini", "APP\\c.ini"}));
    EXPECT_EQ(record.BackupFiles, (Names{"1.dat", "3.dat"}));
    EXPECT_EQ(files.BackupCounter, 3u);
    const std::string prefixText =
        "SLFileCopyFiles CopyFile 'C:\\windows\\APP\\b.ini' --> 'C:\\Backup\\2.dat' returned error ";
    EXPECT_EQ(files.ErrorText.rfind(prefixText, 0), 0u) << files.ErrorText;
    EXPECT_NE(prefix.LogText().find(prefixText), std::string::npos);
}

TEST_F(FileBackupTest, UnresolvedFoldersAreReported) {
    record.PathID = kOfficeDir;
    EXPECT_EQ(files.BackupFileTree(record, "", "", "", "*.*", 0), 0);
    EXPECT_EQ(files.ErrorText, "SLFileCopyFiles ResolvePathID(4) returned empty string\n");
    EXPECT_TRUE(record.SourceFiles.empty());

    // Recursion without any source folder.
    files.ErrorText.clear();
    EXPECT_EQ(files.BackupFileTree(record, "", "", "", "*.*", 1), 4322);
    EXPECT_NE(prefix.LogText().find("SLFileCopyEx sSourcePath == \"\""), std::string::npos);
    EXPECT_EQ(files.BackupCounter, 0u);
}

}  // namespace
}  // namespace sl
