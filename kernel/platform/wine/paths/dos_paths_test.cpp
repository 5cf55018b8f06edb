#include "kernel/platform/wine/paths/dos_paths.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "kernel/testing/temp_prefix.h"

namespace sl::platform::wine {
namespace {

namespace fs = std::filesystem;

// Runs a test body with the process's current folder changed, restoring it.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::string& folder) : saved_(fs::current_path()) {
        fs::current_path(folder);
    }
    ~CurrentFolder() { fs::current_path(saved_); }

private:
    fs::path saved_;
};

class DosPathsTest : public ::testing::Test {
protected:
    std::string Map(const std::string& dos) {
        std::string unixPath;
        DWORD error = DosToUnixPath(prefix_.PrefixPath(), dos, &unixPath);
        return error == 0 ? unixPath : "error " + std::to_string(error);
    }
    std::string DriveC() { return fs::canonical(prefix_.DriveC()).string(); }
    void ExpectOtherCasesFound();

    sl::testing::TempPrefix prefix_{false};
};

TEST_F(DosPathsTest, DriveRootAndElements) {
    EXPECT_EQ(Map("C:\\"), DriveC());
    EXPECT_EQ(Map("C:"), DriveC());
    EXPECT_EQ(Map("c:\\windows\\system32"), DriveC() + "/windows/system32");
    EXPECT_EQ(Map("C:/windows/"), DriveC() + "/windows");  // '/' separates too
    EXPECT_EQ(Map("C:\\\\windows\\.\\system32\\"), DriveC() + "/windows/system32");
}

TEST_F(DosPathsTest, ElementsMatchWithoutCaseAndMissingOnesKeepTheirCase) {
    fs::create_directories(prefix_.DriveC() + "/Program Files/WinAmp");
    EXPECT_EQ(Map("C:\\PROGRAM FILES\\winamp\\Skins\\Base.wsz"),
              DriveC() + "/Program Files/WinAmp/Skins/Base.wsz");
    // An exact match wins over another entry differing only in case.
    fs::create_directories(prefix_.DriveC() + "/program files");
    EXPECT_EQ(Map("C:\\program files"), DriveC() + "/program files");
    EXPECT_EQ(Map("C:\\Program Files"), DriveC() + "/Program Files");
}

TEST_F(DosPathsTest, AMissingLastElementFindsItsOtherCase) {
    // In a large folder short names are looked up spelling by spelling, long
    // ones by reading the folder; in a small one always by reading it. All
    // must find the same entries.
    for (int fill : {0, 600}) {
        SCOPED_TRACE(fill);
        fs::remove_all(prefix_.DriveC() + "/Backup");
        fs::create_directories(prefix_.DriveC() + "/Backup");
        for (int i = 0; i < fill; ++i) {
            std::ofstream(prefix_.DriveC() + "/Backup/filler number " + std::to_string(i));
        }
        for (const char* name : {"7.DAT", "Settings Of A Long Name.INI", "\xc3\x89t\xc3\xa9.txt"}) {
            std::ofstream(prefix_.DriveC() + "/Backup/" + name) << "x";
        }
        ExpectOtherCasesFound();
    }
}

void DosPathsTest::ExpectOtherCasesFound() {
    EXPECT_EQ(Map("C:\\backup\\7.dat"), DriveC() + "/Backup/7.DAT");
    EXPECT_EQ(Map("C:\\Backup\\7.Dat"), DriveC() + "/Backup/7.DAT");
    EXPECT_EQ(Map("C:\\Backup\\settings of a long name.ini"),
              DriveC() + "/Backup/Settings Of A Long Name.INI");
    EXPECT_EQ(Map("C:\\Backup\\\xe9T\xc9.TXT"), DriveC() + "/Backup/\xc3\x89t\xc3\xa9.txt");
    // Names that exist in no case keep the case given.
    EXPECT_EQ(Map("C:\\Backup\\8.dat"), DriveC() + "/Backup/8.dat");
    EXPECT_EQ(Map("C:\\Backup\\123"), DriveC() + "/Backup/123");
    EXPECT_EQ(Map("C:\\BACKUP\\New\\9.dat"), DriveC() + "/Backup/New/9.dat");
    // Below a file nothing matches, and the path keeps its case.
    EXPECT_EQ(Map("C:\\Backup\\7.dat\\x"), DriveC() + "/Backup/7.DAT/x");
}

TEST_F(DosPathsTest, SeveralSpellingsGiveTheFirstTheFolderLists) {
    for (int fill : {0, 600}) {
        SCOPED_TRACE(fill);
        const std::string folder = prefix_.DriveC() + "/d" + std::to_string(fill);
        fs::create_directories(folder);
        for (int i = 0; i < fill; ++i) std::ofstream(folder + "/filler " + std::to_string(i));
        std::ofstream(folder + "/A.B") << "1";
        std::ofstream(folder + "/a.B") << "2";
        std::string first;
        for (const auto& entry : fs::directory_iterator(folder)) {
            std::string name = entry.path().filename().string();
            if (name == "A.B" || name == "a.B") {
                first = name;
                break;
            }
        }
        EXPECT_EQ(Map("C:\\d" + std::to_string(fill) + "\\a.b"),
                  DriveC() + "/d" + std::to_string(fill) + "/" + first);
    }
}

TEST_F(DosPathsTest, AFolderMatchedWithoutCaseFollowsLaterChanges) {
    // The same folder spelt in another case, path after path, as a backup of
    // a folder tree names it; every answer must be the one a fresh match
    // gives, whatever changed in between.
    const std::string winamp = prefix_.DriveC() + "/Program Files/Winamp";
    fs::create_directories(winamp + "/Skins/Base");
    const std::string dos = "C:\\Program Files\\Winamp\\SKINS\\Base\\";
    const std::string real = DriveC() + "/Program Files/Winamp/";
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Map(dos + "a" + std::to_string(i) + ".bmp"),
                  real + "Skins/Base/a" + std::to_string(i) + ".bmp");
    }
    // The exact spelling appears: it wins from then on; gone again, the
    // other spelling is found again.
    fs::create_directories(winamp + "/SKINS/Base");
    EXPECT_EQ(Map(dos + "a.bmp"), real + "SKINS/Base/a.bmp");
    fs::remove_all(winamp + "/SKINS");
    EXPECT_EQ(Map(dos + "a.bmp"), real + "Skins/Base/a.bmp");
    // Renamed to yet another spelling.
    fs::rename(winamp + "/Skins", winamp + "/sKINS");
    EXPECT_EQ(Map(dos + "a.bmp"), real + "sKINS/Base/a.bmp");
    // A folder above replaced by another holding a third spelling.
    fs::rename(winamp, winamp + ".old");
    fs::create_directories(winamp + "/skins/Base");
    EXPECT_EQ(Map(dos + "a.bmp"), real + "skins/Base/a.bmp");
    // A folder below the matched one removed: the path keeps the case given
    // from there on.
    fs::remove_all(winamp + "/skins/Base");
    EXPECT_EQ(Map(dos + "a.bmp"), real + "skins/Base/a.bmp");
    fs::create_directories(winamp + "/skins/BASE");
    EXPECT_EQ(Map(dos + "a.bmp"), real + "skins/BASE/a.bmp");
}

TEST_F(DosPathsTest, OverlongUtf8NamesMatchNothing) {
    // "\xc1\x81" is an over-long form of 'A': no DOS name is spelt that way
    // (Wine does not decode it either), so "a" stays a name of its own.
    fs::create_directories(prefix_.DriveC() + "/d");
    std::ofstream(prefix_.DriveC() + "/d/\xc1\x81") << "x";
    EXPECT_EQ(Map("C:\\d\\a"), DriveC() + "/d/a");
    std::ofstream(prefix_.DriveC() + "/d/Long\xc1\x81Name.txt") << "x";
    EXPECT_EQ(Map("C:\\d\\longaname.txt"), DriveC() + "/d/longaname.txt");
}

TEST_F(DosPathsTest, AnsiNamesMapToUtf8) {
    fs::create_directories(prefix_.DriveC() + "/Caf\xc3\xa9");
    EXPECT_EQ(Map("C:\\CAF\xc9"), DriveC() + "/Caf\xc3\xa9");
    EXPECT_EQ(Map("C:\\new\x80"), DriveC() + "/new\xe2\x82\xac");  // euro sign
}

TEST_F(DosPathsTest, ADriveLinkPointedElsewhereIsFollowed) {
    fs::create_directories(prefix_.Root() + "/one/Data");
    fs::create_directories(prefix_.Root() + "/two/Data");
    const std::string link = prefix_.PrefixPath() + "/dosdevices/d:";
    fs::create_directory_symlink(prefix_.Root() + "/one", link);
    EXPECT_EQ(Map("D:\\data"), fs::canonical(prefix_.Root() + "/one").string() + "/Data");
    fs::remove(link);
    fs::create_directory_symlink(prefix_.Root() + "/two", link);
    EXPECT_EQ(Map("D:\\data"), fs::canonical(prefix_.Root() + "/two").string() + "/Data");
    // The folder renamed away and another put in its place.
    fs::rename(prefix_.Root() + "/two", prefix_.Root() + "/gone");
    fs::create_directories(prefix_.Root() + "/two/DATA");
    EXPECT_EQ(Map("D:\\data"), fs::canonical(prefix_.Root() + "/two").string() + "/DATA");
    fs::remove(link);
    EXPECT_EQ(Map("D:\\data"), "error 3");
    // The whole prefix renamed away and another put at its path.
    fs::create_directory_symlink(prefix_.Root() + "/one", link);
    EXPECT_EQ(Map("D:\\data"), fs::canonical(prefix_.Root() + "/one").string() + "/Data");
    fs::rename(prefix_.PrefixPath(), prefix_.Root() + "/prefix.old");
    fs::create_directories(prefix_.PrefixPath() + "/dosdevices");
    fs::create_directory_symlink(prefix_.Root() + "/two", link);
    EXPECT_EQ(Map("D:\\data"), fs::canonical(prefix_.Root() + "/two").string() + "/DATA");
}

TEST_F(DosPathsTest, RefusesServersUnmappedDrivesAndBadNames) {
    EXPECT_EQ(Map("\\\\server\\share\\file"), "error 3");
    EXPECT_EQ(Map("//server/share"), "error 3");
    EXPECT_EQ(Map("Q:\\file"), "error 3");
    EXPECT_EQ(Map("C:\\a*b"), "error 123");
    EXPECT_EQ(Map("C:\\a\\b:c"), "error 123");
    EXPECT_EQ(Map("C:\\a|b"), "error 123");
    EXPECT_EQ(Map("C:\\a\x01" "b\\c"), "error 123");
    EXPECT_EQ(Map("C:\\caf\xe9\"\\c"), "error 123");
}

TEST_F(DosPathsTest, DotDotNeverClimbsAboveTheDrive) {
    EXPECT_EQ(Map("C:\\windows\\..\\.."), DriveC());
    EXPECT_EQ(Map("C:\\..\\..\\etc\\passwd"), DriveC() + "/etc/passwd");
    EXPECT_EQ(Map("C:\\a\\..\\windows"), DriveC() + "/windows");
}

TEST_F(DosPathsTest, RelativePathsUseTheCurrentFolder) {
    fs::create_directories(prefix_.Root() + "/work/Sub");
    std::string work = fs::canonical(prefix_.Root() + "/work").string();
    CurrentFolder cwd(work);
    EXPECT_EQ(Map("sub\\file.txt"), work + "/Sub/file.txt");
    EXPECT_EQ(Map(""), work);
    EXPECT_EQ(Map("..\\x"), fs::path(work).parent_path().string() + "/x");
    // A root-relative path needs a drive holding the current folder; this
    // prefix has no z:, so there is none.
    EXPECT_EQ(Map("\\windows"), "error 3");
}

TEST_F(DosPathsTest, RootRelativePathUsesTheDriveOfTheCurrentFolder) {
    CurrentFolder cwd(prefix_.DriveC() + "/windows");
    EXPECT_EQ(Map("\\windows\\system32"), DriveC() + "/windows/system32");
}

TEST_F(DosPathsTest, UnixToDosPicksTheLongestDrive) {
    fs::create_directory_symlink("/", prefix_.PrefixPath() + "/dosdevices/z:");
    fs::create_directories(prefix_.DriveC() + "/Stowlark/Settings");
    std::string driveC = fs::canonical(prefix_.DriveC()).string();
    EXPECT_EQ(UnixToDosPath(prefix_.PrefixPath(), driveC + "/Stowlark/Settings"),
              "C:\\Stowlark\\Settings");
    EXPECT_EQ(UnixToDosPath(prefix_.PrefixPath(), driveC), "C:\\");
    EXPECT_EQ(UnixToDosPath(prefix_.PrefixPath(), "/usr/share"), "Z:\\usr\\share");
    EXPECT_EQ(UnixToDosPath(prefix_.PrefixPath(), "/"), "Z:\\");
    // Through a link the target counts, and a missing tail is kept.
    fs::create_directory_symlink(driveC + "/Stowlark", prefix_.Root() + "/link");
    EXPECT_EQ(UnixToDosPath(prefix_.PrefixPath(), prefix_.Root() + "/link/Settings/new"),
              "C:\\Stowlark\\Settings\\new");
}

TEST_F(DosPathsTest, UnixToDosOutsideEveryDriveIsEmpty) {
    EXPECT_EQ(UnixToDosPath(prefix_.PrefixPath(), "/usr/share"), "");
    // drive_c's name only shares a beginning with this folder.
    fs::create_directories(prefix_.PrefixPath() + "/drive_cx");
    EXPECT_EQ(UnixToDosPath(prefix_.PrefixPath(), prefix_.PrefixPath() + "/drive_cx"), "");
}

TEST(CodePageTest, RoundTripsAndReplacesWhatDoesNotFit) {
    std::string all;
    for (int c = 1; c < 256; ++c) all.push_back(static_cast<char>(c));
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all)), all);
    EXPECT_EQ(Utf8ToAnsi("\xe2\x82\xac"), "\x80");
    EXPECT_EQ(Utf8ToAnsi("a\xe4\xb8\xad" "b"), "a?b");  // CJK character
    EXPECT_EQ(Utf8ToAnsi("a\xff" "b"), "a?b");          // not UTF-8
    EXPECT_EQ(Utf8ToAnsi("a\xc3"), "a?");               // cut short
}

}  // namespace
}  // namespace sl::platform::wine
