#include "kernel/platform/wine/paths/folder_names.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace sl::platform::wine {
namespace {

namespace fs = std::filesystem;

class FolderNamesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string templ = (fs::temp_directory_path() / "slnamesXXXXXX").string();
        ASSERT_NE(::mkdtemp(templ.data()), nullptr);
        root_ = templ;
        folder_ = root_ + "/folder";
        fs::create_directory(folder_);
    }
    void TearDown() override { fs::remove_all(root_); }

    // "found NAME", "none" or "unknown".
    std::string LookUp(const std::string& ansiName, FolderStamp* stamp = nullptr) {
        struct stat st;
        if (::stat(folder_.c_str(), &st) != 0) return "no folder";
        std::string real;
        switch (LookUpNoCase(folder_, st, ansiName, &real, stamp)) {
            case NameMatch::Found: return "found " + real;
            case NameMatch::None: return "none";
            case NameMatch::Unknown: return "unknown";
        }
        return "?";
    }
    void Touch(const std::string& name) { std::ofstream(folder_ + "/" + name) << "x"; }

    std::string root_;
    std::string folder_;
};

TEST_F(FolderNamesTest, AnswersFollowEveryChangeToTheFolder) {
    fs::create_directory(folder_ + "/Skins");
    EXPECT_EQ(LookUp("SKINS"), "found Skins");
    EXPECT_EQ(LookUp("skins.ini"), "none");

    // Entries added, renamed and removed after the folder was listed.
    Touch("Skins.INI");
    EXPECT_EQ(LookUp("skins.ini"), "found Skins.INI");
    fs::rename(folder_ + "/Skins", folder_ + "/Themes");
    EXPECT_EQ(LookUp("SKINS"), "none");
    EXPECT_EQ(LookUp("THEMES"), "found Themes");
    fs::remove(folder_ + "/Skins.INI");
    EXPECT_EQ(LookUp("skins.ini"), "none");

    // ANSI names are matched in code page 1252 (here "\xc9" is É).
    Touch("\xc3\xa9t\xc3\xa9.txt");
    EXPECT_EQ(LookUp("\xc9T\xc9.TXT"), "found \xc3\xa9t\xc3\xa9.txt");

    // The exact spelling wins; between two others the folder's order decides,
    // which only the caller's own reading of the folder can tell.
    Touch("Abc");
    Touch("ABC");
    EXPECT_EQ(LookUp("ABC"), "found ABC");
    EXPECT_EQ(LookUp("abc"), "unknown");
    fs::remove(folder_ + "/ABC");
    EXPECT_EQ(LookUp("abc"), "found Abc");
}

TEST_F(FolderNamesTest, AFolderPutInPlaceOfAnotherIsListedAnew) {
    Touch("One");
    EXPECT_EQ(LookUp("ONE"), "found One");
    fs::rename(folder_, root_ + "/old");
    fs::create_directory(folder_);
    Touch("Two");
    EXPECT_EQ(LookUp("ONE"), "none");
    EXPECT_EQ(LookUp("TWO"), "found Two");
    // The folder moved away is no longer followed: changes there do not
    // reach the folder now at the path.
    std::ofstream(root_ + "/old/Three") << "x";
    EXPECT_EQ(LookUp("THREE"), "none");
}

TEST_F(FolderNamesTest, StampsHoldUntilTheFolderOrItsPathChanges) {
    Touch("Kept");
    FolderStamp stamp;
    ASSERT_EQ(LookUp("kept", &stamp), "found Kept");
    EXPECT_TRUE(StampsHold({stamp}));
    // Writing to an entry changes no name.
    std::ofstream(folder_ + "/Kept", std::ios::app) << "more";
    EXPECT_TRUE(StampsHold({stamp}));

    Touch("New");
    EXPECT_FALSE(StampsHold({stamp}));
    ASSERT_EQ(LookUp("kept", &stamp), "found Kept");
    EXPECT_TRUE(StampsHold({stamp}));

    // A folder above renamed and another folder put at the same path: the
    // watched folder itself saw nothing, its path leads elsewhere.
    fs::create_directories(root_ + "/deep/inner");
    folder_ = root_ + "/deep/inner";
    Touch("Mine");
    ASSERT_EQ(LookUp("MINE", &stamp), "found Mine");
    fs::rename(root_ + "/deep", root_ + "/deep.old");
    fs::create_directories(root_ + "/deep/inner");
    EXPECT_FALSE(StampsHold({stamp}));
    EXPECT_EQ(LookUp("MINE"), "none");

    // A folder removed: its stamps fail, and so does any list holding one.
    FolderStamp other;
    ASSERT_EQ(LookUp("nothing", &other), "none");
    fs::remove_all(root_ + "/deep.old");
    EXPECT_TRUE(StampsHold({other}));
    fs::remove_all(root_ + "/deep");
    EXPECT_FALSE(StampsHold({other}));
}

// "link -> TEXT", "folder", "file", "nothing" or "unwatched".
std::string Look(const std::string& path) {
    PathLook look;
    if (!LookAtWatchedPath(path, &look)) return "unwatched";
    if (!look.exists) return "nothing";
    if (S_ISLNK(look.st.st_mode)) return "link -> " + look.linkText;
    return S_ISDIR(look.st.st_mode) ? "folder" : "file";
}

TEST_F(FolderNamesTest, AWatchedWayAnswersWhatThePathLeadsToNow) {
    // As a drive link is looked at: a link some folders down.
    fs::create_directories(root_ + "/prefix/dosdevices");
    const std::string link = root_ + "/prefix/dosdevices/d:";
    fs::create_symlink("../one", link);
    EXPECT_EQ(Look(link), "link -> ../one");
    EXPECT_EQ(Look(link), "link -> ../one");
    // The link replaced, removed, and made again.
    fs::remove(link);
    fs::create_symlink("../two", link);
    EXPECT_EQ(Look(link), "link -> ../two");
    fs::remove(link);
    EXPECT_EQ(Look(link), "nothing");
    fs::create_symlink("../three", link);
    EXPECT_EQ(Look(link), "link -> ../three");
    // A folder on the way renamed and another put at its path, at each
    // depth; a sibling changing is no change to the way.
    fs::create_directories(root_ + "/prefix/drive_c");
    EXPECT_EQ(Look(link), "link -> ../three");
    fs::rename(root_ + "/prefix/dosdevices", root_ + "/prefix/old");
    fs::create_directories(root_ + "/prefix/dosdevices");
    fs::create_symlink("../four", link);
    EXPECT_EQ(Look(link), "link -> ../four");
    fs::rename(root_ + "/prefix", root_ + "/prefix.old");
    fs::create_directories(root_ + "/prefix/dosdevices");
    fs::create_symlink("../five", link);
    EXPECT_EQ(Look(link), "link -> ../five");
    fs::rename(root_, root_ + ".old");
    fs::create_directories(root_ + "/prefix/dosdevices");
    EXPECT_EQ(Look(link), "nothing");
    fs::remove_all(root_ + ".old");
    // A way through a link is not watched: the folders it leads through are
    // not on the way.
    fs::create_directory_symlink(root_ + "/prefix", root_ + "/via");
    EXPECT_EQ(Look(root_ + "/via/dosdevices"), "unwatched");
    EXPECT_EQ(Look(root_ + "/prefix/dosdevices"), "folder");
    fs::remove(root_ + "/prefix/dosdevices");
    EXPECT_EQ(Look(root_ + "/prefix/dosdevices"), "nothing");
    std::ofstream(root_ + "/prefix/dosdevices") << "x";
    EXPECT_EQ(Look(root_ + "/prefix/dosdevices"), "file");
}

TEST_F(FolderNamesTest, TheWaysVersionHoldsUntilALookedAtPathChanges) {
    fs::create_directories(root_ + "/prefix/dosdevices");
    const std::string link = root_ + "/prefix/dosdevices/c:";
    fs::create_symlink("../drive_c", link);
    ASSERT_EQ(Look(link), "link -> ../drive_c");
    const std::uint64_t version = WatchedWaysVersion();
    ASSERT_NE(version, 0u);
    // New names beside the way, and in folders off it, change nothing.
    fs::create_directories(root_ + "/prefix/drive_c/windows");
    std::ofstream(root_ + "/prefix/dosdevices/z:") << "x";
    Touch("Copied.dat");
    EXPECT_EQ(WatchedWaysVersion(), version);
    EXPECT_EQ(Look(link), "link -> ../drive_c");
    EXPECT_EQ(WatchedWaysVersion(), version);
    // The link replaced: the number changes, and stays at its new value.
    fs::remove(link);
    fs::create_symlink("../elsewhere", link);
    const std::uint64_t after = WatchedWaysVersion();
    EXPECT_NE(after, version);
    EXPECT_EQ(Look(link), "link -> ../elsewhere");
    EXPECT_EQ(WatchedWaysVersion(), after);
    // A folder on the way renamed.
    fs::rename(root_ + "/prefix", root_ + "/prefix.old");
    EXPECT_NE(WatchedWaysVersion(), after);
}

TEST_F(FolderNamesTest, ALookWithinAScopeSeesTheChangesOfItsFirstLook) {
    EXPECT_EQ(LookUp("late"), "none");
    {
        ChangesScope scope;
        EXPECT_EQ(LookUp("late"), "none");
        Touch("Late");
        {
            ChangesScope inner;
            EXPECT_EQ(LookUp("late"), "none");
        }
        EXPECT_EQ(LookUp("late"), "none");
    }
    // Each scope, and every look outside one, reads the changes anew.
    EXPECT_EQ(LookUp("late"), "found Late");
    fs::remove(folder_ + "/Late");
    ChangesScope next;
    EXPECT_EQ(LookUp("late"), "none");
}

// A mount changes where a path leads without any folder seeing a change;
// every watched way is looked at anew after one. Mounting needs a mount
// namespace of one's own, so the check runs in a fresh process (one that has
// watched nothing yet) and is skipped where namespaces are not permitted.
bool MayMountPrivately() {
    pid_t child = ::fork();
    if (child == 0) {
        _exit(::unshare(CLONE_NEWNS) == 0 &&
                      ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0
                  ? 0
                  : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

TEST_F(FolderNamesTest, AMountEndsEveryWatchedWay) {
    if (!MayMountPrivately()) GTEST_SKIP() << "no private mount namespace here";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    fs::create_directories(folder_ + "/inner");
    EXPECT_EXIT(
        {
            if (::unshare(CLONE_NEWNS) != 0 ||
                ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
                _exit(3);
            }
            if (Look(folder_ + "/inner") != "folder") _exit(4);
            if (::mount("tmpfs", folder_.c_str(), "tmpfs", 0, nullptr) != 0) _exit(5);
            _exit(Look(folder_ + "/inner") == "nothing" ? 0 : 6);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace sl::platform::wine
