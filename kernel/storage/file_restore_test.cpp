#include "kernel/storage/file_restore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "kernel/storage/file_copy_test_support.h"
#include "kernel/testing/fault_injection.h"
#include "kernel/testing/temp_prefix.h"

namespace sl {
namespace {

constexpr std::int32_t kWindowsDir = 1;  // C:\windows\ in a test prefix
constexpr std::int32_t kOfficeDir = 4;   // unresolvable without registry values
constexpr std::int32_t kWordDir = 5;     // HKLM ...\Word\InstallRoot "Path"

class FileRestoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        files.SetFolder("C:\\Backup");
        prefix.WriteFile("C:\\Backup\\1.dat", "one");
        prefix.WriteFile("C:\\Backup\\2.dat", "two");
        prefix.WriteFile("C:\\Backup\\3.dat", "three");
    }

    CSLFileItem Record(std::int32_t pathID, std::vector<std::string> sources,
                       std::vector<std::string> backups) {
        CSLFileItem record;
        record.ID = "'3'";
        record.PathID = pathID;
        record.SourceFiles = std::move(sources);
        record.BackupFiles = std::move(backups);
        return record;
    }

    testing::TempPrefix prefix;
    testing::StorageRun files;
};

TEST_F(FileRestoreTest, RestoresBelowTheFolderResolvedOnThisMachine) {
    // Saved from another Word folder; this machine has it in C:\Apps\Word.
    platform::HKEY key = 0;
    ASSERT_EQ(platform::Current().RegCreateKeyEx(platform::kHkeyLocalMachine,
                                                 "SOFTWARE\\Microsoft\\Office\\8.0\\Word\\InstallRoot",
                                                 nullptr, 0, platform::kKeyAllAccess, &key, nullptr),
              0);
    const std::string path = "\"C:\\Apps\\Word\"";
    ASSERT_EQ(platform::Current().RegSetValueEx(key, "Path", platform::kRegSz,
                                                reinterpret_cast<const std::uint8_t*>(path.c_str()),
                                                static_cast<platform::DWORD>(path.size() + 1)),
              0);
    platform::Current().RegCloseKey(key);
    prefix.WriteFile("C:\\Apps\\Word\\word.ini", "current");
    prefix.WriteFile("C:\\Apps\\Word\\newer.ini", "added since");

    // The longer list's extra entry is ignored.
    CSLFileItem record = Record(kWordDir, {"TEMPLATES\\Deep\\Normal.dot", "word.ini", "extra.ini"},
                                {"1.dat", "2.dat"});
    EXPECT_EQ(files.RestoreRecordFiles(record), 0);
    EXPECT_EQ(prefix.ReadFile("C:\\Apps\\Word\\TEMPLATES\\Deep\\Normal.dot"), "one");
    EXPECT_EQ(prefix.ReadFile("C:\\Apps\\Word\\word.ini"), "two");
    EXPECT_EQ(prefix.ReadFile("C:\\Apps\\Word\\newer.ini"), "added since");
    EXPECT_FALSE(prefix.Exists("C:\\Apps\\Word\\extra.ini"));
    EXPECT_EQ(files.ErrorText, "");
}

TEST_F(FileRestoreTest, AbsoluteRecordsGoBackToTheirPaths) {
    CSLFileItem record = Record(0, {"C:\\NS\\Alice\\prefs.js", "C:\\NS\\Bob\\prefs.js"},
                                {"1.dat", "2.dat"});
    EXPECT_EQ(files.RestoreRecordFiles(record), 0);
    EXPECT_EQ(prefix.ReadFile("C:\\NS\\Alice\\prefs.js"), "one");
    EXPECT_EQ(prefix.ReadFile("C:\\NS\\Bob\\prefs.js"), "two");
}

TEST_F(FileRestoreTest, FailuresAreReportedAndLaterFilesStillTried) {
    prefix.WriteFile("C:\\windows\\Blocker", "a file where a folder is needed");
    CSLFileItem record = Record(kWindowsDir, {"Blocker\\x.ini", "ok.ini", "gone.ini"},
                                {"1.dat", "2.dat", "9.dat"});
    // Every pair is tried; the last failed copy's error becomes the status, so
    // the component is reported as failed.
    EXPECT_EQ(files.RestoreRecordFiles(record), 2);
    EXPECT_EQ(prefix.ReadFile("C:\\windows\\ok.ini"), "two");
    EXPECT_EQ(prefix.ReadFile("C:\\windows\\Blocker"), "a file where a folder is needed");
    EXPECT_NE(files.ErrorText.find("SLRestoreFiles CopyFile 'C:\\Backup\\1.dat' --> "
                                    "'C:\\windows\\Blocker\\x.ini' returned error "),
              std::string::npos)
        << files.ErrorText;
    EXPECT_NE(files.ErrorText.find("SLRestoreFiles CopyFile 'C:\\Backup\\9.dat' --> "
                                    "'C:\\windows\\gone.ini' returned error 2\n"),
              std::string::npos)
        << files.ErrorText;

    // A folder that cannot be created: its code becomes the status.
    files.ErrorText.clear();
    CSLFileItem unmapped = Record(0, {"Q:\\dir\\f.ini", "C:\\Later\\f.ini"}, {"1.dat", "2.dat"});
    EXPECT_EQ(files.RestoreRecordFiles(unmapped), 3);
    EXPECT_EQ(files.ErrorText, "SLRestoreFiles CreateDirectory 'Q:\\dir' returned error 3\n");
    EXPECT_EQ(prefix.ReadFile("C:\\Later\\f.ini"), "two");
}

TEST_F(FileRestoreTest, AFolderRemovedDuringTheRestoreIsMadeAgain) {
    // Each folder is made once for all the files going into it; another
    // program removing it half way must not cost the files still to come.
    auto faults = std::make_shared<platform::FaultInjectingPlatform>(prefix.Platform());
    faults->SetCallHook([&](platform::CallKind kind, unsigned number) {
        if (kind == platform::CallKind::CopyFile && number == 2) {
            std::filesystem::remove_all(prefix.DriveC() + "/windows/Deep");
        }
    });
    platform::Install(faults);
    CSLFileItem record = Record(kWindowsDir, {"Deep\\Er\\a.ini", "Deep\\Er\\b.ini", "Deep\\c.ini"},
                                {"1.dat", "2.dat", "3.dat"});
    EXPECT_EQ(files.RestoreRecordFiles(record), 0);
    platform::Install(prefix.Platform());
    EXPECT_EQ(prefix.ReadFile("C:\\windows\\Deep\\Er\\b.ini"), "two");
    EXPECT_EQ(prefix.ReadFile("C:\\windows\\Deep\\c.ini"), "three");
    EXPECT_FALSE(prefix.Exists("C:\\windows\\Deep\\Er\\a.ini"));  // removed with its folder
}

TEST_F(FileRestoreTest, UnresolvedPathIDRestoresNothing) {
    CSLFileItem record = Record(kOfficeDir, {"a.ini"}, {"1.dat"});
    EXPECT_EQ(files.RestoreRecordFiles(record), 2135);
    EXPECT_EQ(files.ErrorText, "");
    EXPECT_NE(prefix.LogText().find("Cannot resolve PathID 4"), std::string::npos);
}

TEST_F(FileRestoreTest, PairsLeavingTheirFolderAreRefused) {
    CSLFileItem record = Record(kWindowsDir,
                                {"..\\evil1.ini", "C:\\evil2.ini", "\\evil3.ini",
                                 "sub\\..\\..\\evil4.ini", "sub/../../evil5.ini", "ok.ini",
                                 "good.ini"},
                                {"1.dat", "1.dat", "1.dat", "1.dat", "1.dat", "..\\Backup\\3.dat",
                                 "2.dat"});
    EXPECT_EQ(files.RestoreRecordFiles(record), 123);
    EXPECT_EQ(prefix.ReadFile("C:\\windows\\good.ini"), "two");
    for (const char* path : {"C:\\evil1.ini", "C:\\evil2.ini", "C:\\evil3.ini", "C:\\evil4.ini",
                             "C:\\evil5.ini", "C:\\windows\\sub", "C:\\windows\\ok.ini"}) {
        EXPECT_FALSE(prefix.Exists(path)) << path;
    }
    EXPECT_EQ(files.ErrorText.rfind("SLRestoreFiles refused '1.dat' --> '..\\evil1.ini'\n", 0), 0u);
    EXPECT_NE(files.ErrorText.find("SLRestoreFiles refused '..\\Backup\\3.dat' --> 'ok.ini'\n"),
              std::string::npos);
    EXPECT_NE(prefix.LogText().find("SLRestoreFiles refused '1.dat' --> 'C:\\evil2.ini'"),
              std::string::npos);

    // Absolute paths are what a PathID 0 record holds, but never with "..".
    files.ErrorText.clear();
    CSLFileItem absolute = Record(0, {"C:\\Abs\\f.ini", "C:\\Abs\\..\\g.ini"}, {"1.dat", "2.dat"});
    EXPECT_EQ(files.RestoreRecordFiles(absolute), 123);
    EXPECT_EQ(prefix.ReadFile("C:\\Abs\\f.ini"), "one");
    EXPECT_FALSE(prefix.Exists("C:\\g.ini"));
}

TEST_F(FileRestoreTest, SafePairRules) {
    EXPECT_TRUE(IsSafeRestorePair(1, "a\\b.ini", "1.dat"));
    EXPECT_TRUE(IsSafeRestorePair(1, "a\\..b\\c..ini", "1.dat"));
    EXPECT_FALSE(IsSafeRestorePair(1, "a\\.. \\b.ini", "1.dat"));
    EXPECT_FALSE(IsSafeRestorePair(1, "x:b.ini", "1.dat"));
    EXPECT_FALSE(IsSafeRestorePair(1, "/etc/passwd", "1.dat"));
    EXPECT_TRUE(IsSafeRestorePair(0, "D:\\a.ini", "1.dat"));
    EXPECT_FALSE(IsSafeRestorePair(0, "a.ini", ".."));
    EXPECT_FALSE(IsSafeRestorePair(0, "a.ini", "C:1.dat"));
    EXPECT_FALSE(IsSafeRestorePair(0, "a.ini", "sub/1.dat"));
}

TEST_F(FileRestoreTest, InsideFolderRules) {
    const std::string users = "C:\\Program Files\\Netscape\\Users\\alice\\";
    EXPECT_TRUE(IsInsideFolder(users + "prefs.js", users));
    EXPECT_TRUE(IsInsideFolder("c:/program files/NETSCAPE/users/Alice/Mail/Inbox", users));
    EXPECT_FALSE(IsInsideFolder(users, users));                       // the folder itself
    EXPECT_FALSE(IsInsideFolder("C:\\Program Files\\Netscape\\Users\\alicex\\p.js", users));
    EXPECT_FALSE(IsInsideFolder(users + "..\\bob\\prefs.js", users));
    EXPECT_FALSE(IsInsideFolder(users + "a\\\\b.js", users));         // empty element
    EXPECT_FALSE(IsInsideFolder(users + "prefs.js:stream", users));
    EXPECT_FALSE(IsInsideFolder("D:\\Program Files\\Netscape\\Users\\alice\\p.js", users));
    EXPECT_FALSE(IsInsideFolder("Program Files\\Netscape\\Users\\alice\\p.js", users));
    // A folder is taken as the drive mapping takes it.
    EXPECT_TRUE(IsInsideFolder("C:\\Apps\\Winamp\\winamp.ini", "C:\\Apps\\.\\Old\\..\\Winamp\\"));
    EXPECT_TRUE(IsInsideFolder("C:\\x.ini", "C:\\..\\..\\"));
    // A relative folder holds relative paths only.
    EXPECT_TRUE(IsInsideFolder("SKINS\\Neon\\main.bmp", "Skins"));
    EXPECT_TRUE(IsInsideFolder("winamp.ini", ""));
    EXPECT_FALSE(IsInsideFolder("C:\\winamp.ini", ""));
    EXPECT_FALSE(IsInsideFolder("\\winamp.ini", ""));
    EXPECT_FALSE(IsInsideFolder("Plugins\\in.dll", "Skins"));
}

TEST_F(FileRestoreTest, MakePathCreatesEveryMissingFolderTrimmed) {
    EXPECT_EQ(MakePath("C:\\One\\ Two \\Three"), 0);
    EXPECT_TRUE(PathExists("C:\\One\\Two\\Three"));
    EXPECT_EQ(MakePath("C:\\One\\Two"), 0);  // existing folders are fine
    // Two backslashes in a row end the walk there.
    EXPECT_EQ(MakePath("C:\\Stop\\\\Deeper"), 0);
    EXPECT_TRUE(PathExists("C:\\Stop"));
    EXPECT_FALSE(PathExists("C:\\Stop\\Deeper"));
    EXPECT_EQ(CreateOneFolder("C:\\One"), 0);
    EXPECT_EQ(CreateOneFolder("C:\\Missing\\Child"), 3);
}

}  // namespace
}  // namespace sl
