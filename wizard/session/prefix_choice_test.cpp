#include "wizard/session/prefix_choice.h"

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

    std::string root_;
};

TEST_F(PrefixChoiceTest, TakesWinePrefixWhenSet) {
    ScopedEnv prefix("WINEPREFIX", root_ + "/mine");
    PrefixChoice choice = ChoosePrefix({root_ + "/demo"}, root_ + "/tmp");
    EXPECT_EQ(choice.path, root_ + "/mine");
    EXPECT_FALSE(choice.scratchDemo);
    EXPECT_TRUE(fs::is_empty(root_ + "/tmp"));
}

TEST_F(PrefixChoiceTest, TakesTheHomePrefixWhenItExists) {
    ScopedEnv prefix("WINEPREFIX", std::nullopt);
    ScopedEnv home("HOME", root_ + "/home");
    fs::create_directories(root_ + "/home/.wine");
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

TEST_F(PrefixChoiceTest, SaysSoWhenThereIsNoPrefixAtAll) {
    ScopedEnv prefix("WINEPREFIX", std::nullopt);
    ScopedEnv home("HOME", root_ + "/home");
    PrefixChoice choice = ChoosePrefix({root_ + "/missing"}, root_ + "/tmp");
    EXPECT_TRUE(choice.path.empty());
    EXPECT_FALSE(choice.error.empty());
}

}  // namespace
}  // namespace sl::session
