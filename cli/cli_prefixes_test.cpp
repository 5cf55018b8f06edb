// The real stowlark-cli finding prefixes in a temporary home: 'prefixes'
// lists them, --prefix takes their names, and a named prefix that does not
// exist or is no prefix stops the program with status 2 before anything is
// read or written.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>

#include "cli/testing/cli_runner.h"

namespace fs = std::filesystem;

namespace sl::testing {
namespace {

// Sets (or unsets) a variable for the life of the object; the child
// processes inherit it.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) {
            ::setenv(name, value->c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

class CliPrefixesTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::canonical(MakeTempFolder()).string();
        home_ = root_ + "/home";
        fs::create_directories(home_ + "/.local/share/wineprefixes");
        fs::create_directories(home_ + "/.PlayOnLinux/wineprefix");
        office_ = CopyDemoMachine(home_ + "/.local/share/wineprefixes", "office");
        old_ = CopyDemoMachine(home_ + "/.PlayOnLinux/wineprefix", "Old Office");
        WriteFile(old_ + "/system.reg",
                  "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n");
    }
    void TearDown() override { RemoveTree(root_); }

    std::string root_;
    std::string home_;
    std::string office_;
    std::string old_;
};

TEST_F(CliPrefixesTest, ListsThePrefixesFoundAndTakesTheirNames) {
    ScopedEnv home("HOME", home_);
    ScopedEnv data("XDG_DATA_HOME", std::nullopt);
    ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
    ScopedEnv prefix("WINEPREFIX", std::nullopt);

    CliResult list = RunCli({"prefixes"});
    EXPECT_EQ(list.status, 0) << list.err;
    const std::string arch = list.out.substr(list.out.find('\t') + 1, 5);
    EXPECT_EQ(list.out, "winetricks:office\t" + arch + "\t" + office_ + "\n" +
                            "playonlinux:Old Office\twin32\t" + old_ + "\n");

    // The name stands for the folder: list works on that machine.
    CliResult byName = RunCli({"--prefix=winetricks:office", "list"});
    EXPECT_EQ(byName.status, 0) << byName.err;
    EXPECT_EQ(byName.out, RunCli({"--prefix", office_, "list"}).out);
    EXPECT_NE(byName.out.find("WinAmp"), std::string::npos) << byName.out;

    // An unknown name is bad usage, and the message names what there is.
    const auto before = Snapshot(root_);
    CliResult unknown = RunCli({"--prefix", "bottles:office", "list"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.out, "");
    for (const char* text : {"no Wine prefix is named 'bottles:office'", "winetricks:office",
                             "playonlinux:Old Office"}) {
        EXPECT_NE(unknown.err.find(text), std::string::npos) << unknown.err;
    }
    EXPECT_EQ(Snapshot(root_), before);
}

TEST_F(CliPrefixesTest, NothingFoundIsSaidOnStandardError) {
    ScopedEnv home("HOME", root_ + "/empty-home");
    ScopedEnv prefix("WINEPREFIX", std::nullopt);
    ScopedEnv data("XDG_DATA_HOME", std::nullopt);
    CliResult list = RunCli({"prefixes"});
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out, "");
    EXPECT_NE(list.err.find("no Wine prefix was found"), std::string::npos) << list.err;
    CliResult unknown = RunCli({"--prefix", "wine:default", "list"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("No prefix was found"), std::string::npos) << unknown.err;
}

// A WINEPREFIX or --prefix that names no prefix is an error, not an empty
// machine: nothing is created in it, no library log is written there.
TEST_F(CliPrefixesTest, AMissingOrEmptyPrefixStopsTheProgram) {
    ScopedEnv home("HOME", home_);
    fs::create_directories(root_ + "/empty/drive_c");
    WriteFile(root_ + "/plain", "x");
    const auto before = Snapshot(root_);
    struct Case {
        std::string folder;
        std::string message;
    };
    for (const Case& c :
         {Case{root_ + "/missing", root_ + "/missing named by WINEPREFIX does not exist."},
          Case{root_ + "/empty", root_ + "/empty named by WINEPREFIX is not a Wine prefix"},
          Case{root_ + "/plain", root_ + "/plain named by WINEPREFIX is not a folder."}}) {
        ScopedEnv prefix("WINEPREFIX", c.folder);
        for (const char* command : {"list", "unrestore"}) {
            CliResult run = RunCli({command});
            EXPECT_EQ(run.status, 2) << c.folder << " " << command;
            EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
            EXPECT_NE(run.err.find("stowlark-cli prefixes"), std::string::npos) << run.err;
        }
        // The same folder named with --prefix.
        CliResult given = RunCli({"--prefix", c.folder, "list"});
        EXPECT_EQ(given.status, 2) << c.folder;
        EXPECT_NE(given.err.find("given with --prefix"), std::string::npos) << given.err;
        // 'prefixes' still answers: it is how the user finds a good one.
        CliResult list = RunCli({"prefixes"});
        EXPECT_EQ(list.status, 0);
        EXPECT_NE(list.out.find("winetricks:office"), std::string::npos) << list.out;
    }
    EXPECT_EQ(Snapshot(root_), before);
}

}  // namespace
}  // namespace sl::testing
