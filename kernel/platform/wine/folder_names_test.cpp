#include "kernel/platform/wine/folder_names.h"

#include <gtest/gtest.h>
#include <stdlib.h>

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

}  // namespace
}  // namespace sl::platform::wine
