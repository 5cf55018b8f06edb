#include "kernel/platform/wine/dos_paths.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

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

TEST_F(DosPathsTest, AnsiNamesMapToUtf8) {
    fs::create_directories(prefix_.DriveC() + "/Caf\xc3\xa9");
    EXPECT_EQ(Map("C:\\CAF\xc9"), DriveC() + "/Caf\xc3\xa9");
    EXPECT_EQ(Map("C:\\new\x80"), DriveC() + "/new\xe2\x82\xac");  // euro sign
}

TEST_F(DosPathsTest, RefusesServersUnmappedDrivesAndBadNames) {
    EXPECT_EQ(Map("\\\\server\\share\\file"), "error 3");
    EXPECT_EQ(Map("//server/share"), "error 3");
    EXPECT_EQ(Map("Q:\\file"), "error 3");
    EXPECT_EQ(Map("C:\\a*b"), "error 123");
    EXPECT_EQ(Map("C:\\a\\b:c"), "error 123");
    EXPECT_EQ(Map("C:\\a|b"), "error 123");
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
