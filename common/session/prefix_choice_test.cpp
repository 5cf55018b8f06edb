#include "common/session/prefix_choice.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>

namespace fs = std::filesystem;

namespace sl::session {
namespace {

// Sets or clears an environment variable for the test's lifetime.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) ::setenv(name, value->c_str(), 1);
        else ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_) ::setenv(name_, old_->c_str(), 1);
        else ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

class PrefixChoiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = fs::temp_directory_path().string() + "/sl-prefix-XXXXXX";
        root_ = ::mkdtemp(pattern.data());
        fs::create_directories(root_ + "/home");
        fs::create_directories(root_ + "/tmp");
        // A tiny demo machine without dosdevices.
        fs::create_directories(root_ + "/demo/drive_c/windows");
        std::ofstream(root_ + "/demo/system.reg") << "WINE REGISTRY Version 2\n";
        std::ofstream(root_ + "/demo/drive_c/windows/win.ini") << "[windows]\n";
    }
    void TearDown() override { fs::remove_all(root_); }

    std::string MakePrefix(const std::string& folder) {
        fs::create_directories(folder);
        std::ofstream(folder + "/system.reg") << "WINE REGISTRY Version 2\n";
        return folder;
    }

    std::string root_;
};

TEST_F(PrefixChoiceTest, TakesWinePrefixWhenSet) {
    ScopedEnv prefix("WINEPREFIX", MakePrefix(root_ + "/mine"));
    PrefixChoice choice = ChoosePrefix({root_ + "/demo"}, root_ + "/tmp");
    EXPECT_EQ(choice.path, root_ + "/mine");
    EXPECT_FALSE(choice.scratchDemo);
    EXPECT_TRUE(fs::is_empty(root_ + "/tmp"));
}

TEST_F(PrefixChoiceTest, TakesTheHomePrefixWhenItExists) {
    ScopedEnv prefix("WINEPREFIX", std::nullopt);
    ScopedEnv home("HOME", root_ + "/home");
    MakePrefix(root_ + "/home/.wine");
    PrefixChoice choice = ChoosePrefix({root_ + "/demo"}, root_ + "/tmp");
    EXPECT_EQ(choice.path, root_ + "/home/.wine");
    EXPECT_FALSE(choice.scratchDemo);
}

TEST_F(PrefixChoiceTest, OtherwiseWorksOnAScratchCopyOfTheDemoMachine) {
    ScopedEnv prefix("WINEPREFIX", std::nullopt);
    ScopedEnv home("HOME", root_ + "/home");
    PrefixChoice choice = ChoosePrefix({root_ + "/missing", root_ + "/demo"}, root_ + "/tmp");
    ASSERT_TRUE(choice.scratchDemo) << choice.error;
    EXPECT_EQ(choice.demoSource, root_ + "/demo");
    EXPECT_EQ(choice.path.rfind(root_ + "/tmp/stowlark-demo-", 0), 0u);
    EXPECT_TRUE(fs::exists(choice.path + "/drive_c/windows/win.ini"));
    EXPECT_TRUE(fs::exists(choice.path + "/dosdevices/c:/windows/win.ini"));
    // The library, loaded later, takes the prefix from the environment.
    ASSERT_NE(std::getenv("WINEPREFIX"), nullptr);
    EXPECT_EQ(std::string(std::getenv("WINEPREFIX")), choice.path);
    // The demo machine itself is never touched.
    EXPECT_FALSE(fs::exists(root_ + "/demo/dosdevices"));
}

// A WINEPREFIX or ~/.wine that is no prefix is said so; nothing runs on an
// empty machine and no demo machine stands in for the user's.
TEST_F(PrefixChoiceTest, RefusesAWinePrefixThatIsNoPrefix) {
    ScopedEnv home("HOME", root_ + "/home");
    fs::create_directories(root_ + "/empty");
    std::ofstream(root_ + "/file") << "x";
    struct Case {
        std::string folder;
        std::string message;
    };
    for (const Case& c : {Case{root_ + "/none", root_ + "/none named by WINEPREFIX does not exist."},
                          Case{root_ + "/empty", "is not a Wine prefix: it holds no system.reg."},
                          Case{root_ + "/file", root_ + "/file named by WINEPREFIX is not a folder."}}) {
        ScopedEnv prefix("WINEPREFIX", c.folder);
        PrefixChoice choice = ChoosePrefix({root_ + "/demo"}, root_ + "/tmp", MakePrefix(root_ + "/r"));
        EXPECT_TRUE(choice.path.empty()) << c.folder;
        EXPECT_TRUE(choice.notAPrefix);
        EXPECT_NE(choice.error.find(c.message), std::string::npos) << choice.error;
    }
    // ~/.wine that exists but is no prefix (here a dangling link).
    ScopedEnv prefix("WINEPREFIX", std::nullopt);
    fs::create_directory_symlink(root_ + "/gone", root_ + "/home/.wine");
    PrefixChoice choice = ChoosePrefix({root_ + "/demo"}, root_ + "/tmp");
    EXPECT_TRUE(choice.notAPrefix);
    EXPECT_EQ(choice.error, "The Wine prefix " + root_ + "/home/.wine does not exist.");
    EXPECT_TRUE(fs::is_empty(root_ + "/tmp"));
}

TEST_F(PrefixChoiceTest, TheRememberedPrefixComesAfterWinePrefixAndBeforeHome) {
    ScopedEnv home("HOME", root_ + "/home");
    MakePrefix(root_ + "/home/.wine");
    const std::string remembered = MakePrefix(root_ + "/remembered");
    {
        ScopedEnv prefix("WINEPREFIX", MakePrefix(root_ + "/env"));
        EXPECT_EQ(ChoosePrefix({}, root_ + "/tmp", remembered).path, root_ + "/env");
    }
    ScopedEnv prefix("WINEPREFIX", std::nullopt);
    EXPECT_EQ(ChoosePrefix({}, root_ + "/tmp", remembered).path, remembered);
    // The library, loaded later, takes it from the environment.
    EXPECT_EQ(std::string(std::getenv("WINEPREFIX")), remembered);
    ::unsetenv("WINEPREFIX");
    fs::remove(remembered + "/system.reg");
    EXPECT_EQ(ChoosePrefix({}, root_ + "/tmp", remembered).path, root_ + "/home/.wine");
}

TEST_F(PrefixChoiceTest, SaysSoWhenThereIsNoPrefixAtAll) {
    ScopedEnv prefix("WINEPREFIX", std::nullopt);
    ScopedEnv home("HOME", root_ + "/home");
    PrefixChoice choice = ChoosePrefix({root_ + "/missing"}, root_ + "/tmp");
    EXPECT_TRUE(choice.path.empty());
    EXPECT_FALSE(choice.error.empty());
}

}  // namespace
}  // namespace sl::session
