// The completion scripts stowlark-cli writes: each parses in its shell, and
// bash and fish really complete commands, options and prefix names with them.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>

#include "cli/testing/cli_runner.h"

namespace sl::testing {
namespace {

namespace fs = std::filesystem;

struct ShellResult {
    int status = -1;
    std::string out;  // standard output and standard error together
};

// Runs command with /bin/sh, environment as this process has it.
ShellResult Shell(const std::string& command) {
    ShellResult result;
    std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool HaveShell(const std::string& shell) {
    return Shell("command -v " + shell + " >/dev/null").status == 0;
}

class CliCompletionTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = MakeTempFolder();
        for (const std::string shell : {"bash", "zsh", "fish"}) {
            CliResult run = RunCli({"completion", shell});
            ASSERT_EQ(run.status, 0) << run.err;
            ASSERT_NE(run.out, "");
            WriteFile(root_ + "/" + shell, run.out);
        }
        // The scripts call the program by name, as an installed one is.
        const std::string bin = fs::path(SL_CLI_BINARY).parent_path().string();
        const char* path = std::getenv("PATH");
        savedPath_ = path != nullptr ? path : "";
        ::setenv("PATH", (bin + ":" + savedPath_).c_str(), 1);
    }
    void TearDown() override {
        ::setenv("PATH", savedPath_.c_str(), 1);
        RemoveTree(root_);
    }

    // What bash offers for the words of line, the last one being completed.
    std::string BashComplete(const std::string& words) {
        const std::string script = "source '" + root_ + "/bash'; COMP_WORDS=(" + words +
                                   "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _stowlark_cli; "
                                   "for word in \"${COMPREPLY[@]}\"; do echo \"$word\"; done";
        WriteFile(root_ + "/ask.sh", script);
        return Shell("bash --norc '" + root_ + "/ask.sh'").out;
    }

    std::string root_;
    std::string savedPath_;
};

TEST_F(CliCompletionTest, EveryScriptParsesInItsShell) {
    for (const std::string shell : {"bash", "zsh", "fish"}) {
        ASSERT_TRUE(HaveShell(shell)) << shell << " is not installed (scripts/setup.sh installs it)";
        ShellResult check = Shell(shell + " -n '" + root_ + "/" + shell + "'");
        EXPECT_EQ(check.status, 0) << shell << ":\n" << check.out;
    }
    CliResult unknown = RunCli({"completion", "tcsh"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("tcsh"), std::string::npos);
}

TEST_F(CliCompletionTest, BashCompletesCommandsOptionsAndPrefixNames) {
    EXPECT_EQ(BashComplete("stowlark-cli ba"), "backup\n");
    EXPECT_EQ(BashComplete("stowlark-cli un"), "unrestore\n");
    EXPECT_EQ(BashComplete("stowlark-cli completion z"), "zsh\n");
    // Options belong to their command: --all to backup, not to restore.
    EXPECT_EQ(BashComplete("stowlark-cli backup /b --a"), "--all\n");
    EXPECT_EQ(BashComplete("stowlark-cli restore /b --a"), "");
    EXPECT_EQ(BashComplete("stowlark-cli --prefix /p restore /b --d"), "--dry-run\n");

    // --prefix offers the names the program finds.
    const std::string home = root_ + "/home";
    fs::create_directories(home);
    CopyDemoMachine(home, ".wine");
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome != nullptr ? oldHome : "";
    ::setenv("HOME", home.c_str(), 1);
    ::unsetenv("WINEPREFIX");
    const std::string names = BashComplete("stowlark-cli --prefix wine:");
    ::setenv("HOME", savedHome.c_str(), 1);
    EXPECT_EQ(names, "wine:default\n");
}

TEST_F(CliCompletionTest, FishCompletesCommandsAndOptions) {
    ASSERT_TRUE(HaveShell("fish"));
    auto ask = [&](const std::string& line) {
        return Shell("fish --no-config -c \"source '" + root_ + "/fish'; complete -C '" + line +
                     "'\" | cut -f1")
            .out;
    };
    EXPECT_EQ(ask("stowlark-cli ver"), "verify\n");
    EXPECT_EQ(ask("stowlark-cli backup /b --ty"), "--typical\n");
    EXPECT_EQ(ask("stowlark-cli restore /b --ty"), "");
}

}  // namespace
}  // namespace sl::testing
