// The real stowlark-cli refuses what it cannot do, with status 2 and a
// message, and changes nothing; --help and list answer without a folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/testing/demo_machine_fixture.h"

namespace sl::testing {
namespace {

class CliUsageTest : public DemoMachineTest {};

TEST_F(CliUsageTest, BadCommandLinesExitWithTwoAndChangeNothing) {
    const auto before = Snapshot(root_);
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const std::vector<Case> cases = {
        {{}, "no command given"},
        {{"frobnicate"}, "unknown command 'frobnicate'"},
        {{"backup"}, "backup needs a FOLDER"},
        {{"list", "--bogus"}, "unknown option '--bogus'"},
        {{"show", root_, "--dry-run"}, "--dry-run is for backup and restore"},
        {{"backup", root_ + "/b", "--all", "4"}, "give either component IDs or --all"},
        {{"backup", root_ + "/b", "x7"}, "'x7' is not a component ID"},
        {{"backup", root_ + "/b", "999"}, "no component 999 is installed on this machine"},
        {{"restore", root_}, "does not contain Stowlark backup files"},
        {{"show", root_}, "is not a Stowlark backup folder"},
        {{"verify", root_ + "/none"}, "is not a Stowlark backup folder"},
        {{"unrestore"}, "nothing has been restored on this machine"},
    };
    for (const Case& c : cases) {
        CliResult run = Cli(c.args);
        EXPECT_EQ(run.status, 2) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    EXPECT_EQ(RunCli({"--prefix", root_ + "/missing", "list"}).status, 2);
    EXPECT_EQ(Snapshot(root_), before);
}

TEST_F(CliUsageTest, BackupIntoAFileIsRefused) {
    WriteFile(root_ + "/plain", "text");
    CliResult run = Cli({"backup", root_ + "/plain", "58"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("is a file, not a folder"), std::string::npos) << run.err;
    EXPECT_EQ(ReadFile(root_ + "/plain"), "text");
}

TEST_F(CliUsageTest, HelpReadsLikeAManual) {
    CliResult help = RunCli({"backup", "--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* section : {"SYNOPSIS", "COMMANDS", "OPTIONS", "EXIT STATUS", "130"}) {
        EXPECT_NE(help.out.find(section), std::string::npos) << section;
    }
}

TEST_F(CliUsageTest, ListShowsTheTreeWithInstalledAndTypical) {
    // Without its registry key the demo machine has no ICQ.
    std::string reg = ReadFile(prefix_ + "/user.reg");
    int renamed = 0;
    for (std::size_t at = reg.find("[Software\\\\Mirabilis"); at != std::string::npos;
         at = reg.find("[Software\\\\Mirabilis", at)) {
        reg.replace(at, 20, "[Software\\\\Nobodyxxx");
        ++renamed;
    }
    ASSERT_GT(renamed, 0);
    WriteFile(prefix_ + "/user.reg", reg);

    CliResult list = Cli({"list"});
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_NE(list.out.find("Installed  Typical"), std::string::npos);
    auto line = [&](const std::string& start) {
        std::size_t at = list.out.find("\n" + start);
        return at == std::string::npos ? std::string()
                                       : list.out.substr(at + 1, list.out.find('\n', at + 1) - at - 1);
    };
    const std::string explorer = line("   1  Windows File Explorer Settings");
    EXPECT_NE(explorer.find("yes        yes"), std::string::npos) << explorer;
    const std::string icq = line("  54      ICQ User Settings");
    EXPECT_NE(icq.find("no         yes"), std::string::npos) << list.out;
    const std::string external = line("  55      ICQ External Application");
    EXPECT_NE(external.find("no         no"), std::string::npos) << external;
    const std::string common = line("  10      Common Settings");
    EXPECT_NE(common.find("yes        no"), std::string::npos) << common;
}

}  // namespace
}  // namespace sl::testing
