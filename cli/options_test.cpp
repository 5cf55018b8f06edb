#include "cli/options.h"

#include <gtest/gtest.h>

namespace sl::cli {
namespace {

ParsedCommandLine Parse(std::vector<std::string> args) { return ParseCommandLine(args); }

TEST(OptionsTest, OptionsMayStandBeforeOrAfterTheCommand) {
    ParsedCommandLine a = Parse({"--prefix", "/p", "backup", "/b", "4", "'58'", "-n"});
    ASSERT_EQ(a.error, "");
    EXPECT_EQ(a.line.command, Command::Backup);
    EXPECT_EQ(a.line.prefix, "/p");
    EXPECT_EQ(a.line.folder, "/b");
    EXPECT_EQ(a.line.ids, (std::vector<int>{4, 58}));
    EXPECT_EQ(a.line.preset, Preset::Ids);
    EXPECT_TRUE(a.line.dryRun);

    ParsedCommandLine b = Parse({"restore", "--prefix=/q", "/b", "--dry-run"});
    ASSERT_EQ(b.error, "");
    EXPECT_EQ(b.line.prefix, "/q");
    EXPECT_EQ(b.line.folder, "/b");
    EXPECT_TRUE(b.line.ids.empty());

    // "--" lets a folder start with a dash.
    ParsedCommandLine c = Parse({"show", "--", "-odd"});
    ASSERT_EQ(c.error, "");
    EXPECT_EQ(c.line.folder, "-odd");
}

TEST(OptionsTest, BackupDefaultsToTypical) {
    EXPECT_EQ(Parse({"backup", "/b"}).line.preset, Preset::Typical);
    EXPECT_EQ(Parse({"backup", "/b", "--typical"}).line.preset, Preset::Typical);
    EXPECT_EQ(Parse({"backup", "/b", "--all"}).line.preset, Preset::All);
    EXPECT_EQ(Parse({"unrestore", "58", "59"}).line.ids, (std::vector<int>{58, 59}));
}

TEST(OptionsTest, JsonGoesWithEveryCommandButCompletion) {
    for (const char* command : {"list", "prefixes", "unrestore"}) {
        ParsedCommandLine parsed = Parse({command, "--json"});
        EXPECT_EQ(parsed.error, "") << command;
        EXPECT_TRUE(parsed.line.json) << command;
    }
    EXPECT_TRUE(Parse({"--json", "backup", "/b", "-n"}).line.json);
    EXPECT_FALSE(Parse({"show", "/b"}).line.json);

    ParsedCommandLine fish = Parse({"completion", "fish"});
    ASSERT_EQ(fish.error, "");
    EXPECT_EQ(fish.line.command, Command::Completion);
    EXPECT_EQ(fish.line.folder, "fish");
    EXPECT_EQ(Parse({"completion"}).error, "completion needs a SHELL (bash, zsh or fish)");
    EXPECT_EQ(Parse({"completion", "csh"}).error, "no completion for the shell 'csh' (bash, zsh or fish)");
    EXPECT_EQ(Parse({"completion", "bash", "--json"}).error, "--json is not for completion");
    EXPECT_EQ(Parse({"completion", "bash", "zsh"}).error, "completion takes no argument 'zsh'");
}

TEST(OptionsTest, HelpWinsOverEverythingElse) {
    ParsedCommandLine help = Parse({"frobnicate", "--bogus", "-h"});
    EXPECT_TRUE(help.line.help);
    EXPECT_EQ(help.error, "");
    EXPECT_TRUE(Parse({"--version"}).line.version);
}

TEST(OptionsTest, EachMistakeIsNamed) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "no command given"},
        {{"backups", "/b"}, "unknown command 'backups'"},
        {{"restore"}, "restore needs a FOLDER"},
        {{"list", "x"}, "list takes no argument 'x'"},
        {{"prefixes", "wine:default"}, "prefixes takes no argument 'wine:default'"},
        {{"verify", "/b", "4"}, "verify takes no argument '4'"},
        {{"backup", "/b", "0"}, "'0' is not a component ID (a number from 1 to 32767)"},
        {{"backup", "/b", "32768"}, "'32768' is not a component ID (a number from 1 to 32767)"},
        {{"backup", "/b", "'4"}, "''4' is not a component ID (a number from 1 to 32767)"},
        {{"backup", "/b", "--typical", "--all"}, "choose either --typical or --all"},
        {{"backup", "/b", "--typical", "4"}, "give either component IDs or --typical"},
        {{"restore", "/b", "--all"}, "--all is for backup only"},
        {{"unrestore", "-n"}, "--dry-run is for backup and restore, not unrestore"},
        {{"list", "--prefix"}, "option --prefix needs a folder or a prefix name"},
        {{"list", "--prefix="}, "option --prefix needs a folder or a prefix name"},
        {{"list", "--frob"}, "unknown option '--frob'"},
    };
    for (const auto& [args, message] : cases) {
        EXPECT_EQ(Parse(args).error, message);
    }
}

}  // namespace
}  // namespace sl::cli
