// The --json output of the real stowlark-cli, parsed with a JSON parser and
// held against what the backup folder and the prefix really hold.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <thread>

#include "cli/catalogue_selection.h"
#include "cli/testing/demo_machine_fixture.h"

namespace sl::testing {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

// The document on standard output; a parse failure fails the test.
Json Parse(const CliResult& run) {
    Json document = Json::parse(run.out, nullptr, false);
    EXPECT_FALSE(document.is_discarded()) << "not JSON:\n" << run.out << run.err;
    return document;
}

std::set<int> IdSet(const std::string& list) {
    std::vector<int> ids = cli::IdsOf(list);
    return {ids.begin(), ids.end()};
}

// id -> outcome of the "components" of a run's document.
std::map<int, std::string> Outcomes(const Json& document) {
    std::map<int, std::string> outcomes;
    for (const Json& component : document.at("components")) {
        EXPECT_TRUE(component.at("title").is_string()) << component.dump();
        outcomes[component.at("id").get<int>()] = component.at("outcome").get<std::string>();
    }
    return outcomes;
}

class CliJsonTest : public DemoMachineTest {
protected:
    // Runs stowlark-cli on the scratch machine with --json.
    CliResult Cli(std::vector<std::string> args) {
        args.insert(args.begin(), "--json");
        return DemoMachineTest::Cli(std::move(args));
    }
};

TEST_F(CliJsonTest, BackupNamesEveryComponentAndWhetherItChangedTheFolder) {
    // The group WinAmp (57) stands for its three rows; the group is no entry.
    CliResult run = Cli({"backup", folder_, "57"});
    ASSERT_EQ(run.status, 0) << run.err;
    Json first = Parse(run);
    EXPECT_EQ(first.at("command"), "backup");
    EXPECT_EQ(first.at("dryRun"), false);
    EXPECT_EQ(first.at("folder").at("unix"), folder_);
    EXPECT_EQ(first.at("folder").at("dos").get<std::string>().rfind("Z:\\", 0), 0u);
    EXPECT_TRUE(first.at("preRestoreFolder").is_null());
    EXPECT_EQ(first.at("changed"), true);
    EXPECT_EQ(first.at("completed"), true);
    EXPECT_EQ(first.at("interrupted"), false);
    const std::string log = first.at("log").get<std::string>();
    EXPECT_TRUE(fs::path(log).is_absolute()) << log;
    EXPECT_EQ(fs::path(log).filename(), "Stowlark.Log");

    const std::map<int, std::string> expected = {{58, "saved"}, {59, "saved"}, {60, "saved"}};
    EXPECT_EQ(Outcomes(first), expected);
    for (const Json& component : first.at("components")) {
        EXPECT_EQ(component.at("title").get<std::string>().rfind("WinAmp / ", 0), 0u)
            << component.dump();
    }
    EXPECT_EQ(IdSet(ReadBookkeeping(prefix_, folder_).saved), (std::set<int>{58, 59, 60}));

    // Again: the folder holds them all, so nothing changes.
    CliResult again = Cli({"backup", folder_, "58", "59"});
    ASSERT_EQ(again.status, 0) << again.err;
    Json second = Parse(again);
    EXPECT_EQ(second.at("changed"), false);
    EXPECT_EQ(Outcomes(second), (std::map<int, std::string>{{58, "skipped"}, {59, "skipped"}}));

    // One new component among held ones changes the folder.
    Json third = Parse(Cli({"backup", folder_, "58", "1"}));
    EXPECT_EQ(third.at("changed"), true);
    EXPECT_EQ(Outcomes(third), (std::map<int, std::string>{{1, "saved"}, {58, "skipped"}}));
}

TEST_F(CliJsonTest, DryRunSaysWhatWouldChangeAndWritesNothing) {
    CliResult dry = Cli({"backup", folder_, "58", "59", "--dry-run"});
    ASSERT_EQ(dry.status, 0) << dry.err;
    Json plan = Parse(dry);
    EXPECT_EQ(plan.at("dryRun"), true);
    EXPECT_EQ(plan.at("changed"), true);
    EXPECT_TRUE(plan.at("problem").is_null());
    EXPECT_EQ(Outcomes(plan), (std::map<int, std::string>{{58, "would save"}, {59, "would save"}}));
    EXPECT_FALSE(fs::exists(folder_));

    ASSERT_EQ(Cli({"backup", folder_, "58"}).status, 0);
    const auto before = Snapshot(folder_);
    Json partly = Parse(Cli({"backup", folder_, "58", "59", "-n"}));
    EXPECT_EQ(partly.at("changed"), true);
    EXPECT_EQ(Outcomes(partly), (std::map<int, std::string>{{58, "skipped"}, {59, "would save"}}));
    Json nothing = Parse(Cli({"backup", folder_, "58", "-n"}));
    EXPECT_EQ(nothing.at("changed"), false);
    EXPECT_EQ(Snapshot(folder_), before);

    // A damaged bookkeeping file: the backup would fail, and says why.
    WriteFile(folder_ + "/Stowlark.dat", "garbage");
    Json damaged = Parse(Cli({"backup", folder_, "59", "-n"}));
    EXPECT_EQ(damaged.at("changed"), false);
    EXPECT_TRUE(damaged.at("problem").is_string());
    EXPECT_EQ(Outcomes(damaged), (std::map<int, std::string>{{59, "would fail"}}));
}

TEST_F(CliJsonTest, AStoppedBackupSaysWhatWasSavedAndWhatWasNot) {
    // Many favourites keep the run going long enough for the signal.
    for (int i = 0; i < 1500; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/drive_c/users/demo/Favorites/Bulk/f%04d.url", i);
        WriteFile(prefix_ + name, "[InternetShortcut]\r\nURL=http://example.org/\r\n");
    }
    CliProcess process({"--prefix", prefix_, "--json", "backup", folder_, "--all"});
    // No progress is printed with --json: the first backup file tells that
    // the run is under way.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool started = false;
    while (!started && std::chrono::steady_clock::now() < deadline) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(folder_, ec)) {
            if (entry.path().extension() == ".bin" || entry.path().extension() == ".dat") {
                started = true;
            }
        }
        if (!started) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(started);
    process.Signal(SIGINT);
    CliResult run = process.Finish();
    ASSERT_EQ(run.status, 130) << run.out << run.err;

    Json document = Parse(run);
    EXPECT_EQ(document.at("interrupted"), true);
    EXPECT_EQ(document.at("completed"), false);
    const std::set<int> saved = IdSet(ReadBookkeeping(prefix_, folder_).saved);
    std::size_t notDone = 0;
    for (const auto& [id, outcome] : Outcomes(document)) {
        if (saved.count(id) != 0) {
            EXPECT_EQ(outcome, "saved") << id;
        } else {
            EXPECT_TRUE(outcome == "not done" || outcome == "failed") << id << " " << outcome;
            notDone += outcome == "not done" ? 1 : 0;
        }
    }
    EXPECT_GT(notDone, 0u) << "the run was stopped before its end";
    EXPECT_EQ(document.at("changed"), !saved.empty());
}

TEST_F(CliJsonTest, ShowAndVerifyMatchTheFilesOfTheFolder) {
    ASSERT_EQ(Cli({"backup", folder_, "--all"}).status, 0);
    const Bookkeeping book = ReadBookkeeping(prefix_, folder_);
    ASSERT_EQ(book.rc, 0);

    CliResult shown = Cli({"show", folder_});
    ASSERT_EQ(shown.status, 0) << shown.err;
    Json show = Parse(shown);
    EXPECT_EQ(show.at("folder").at("unix"), folder_);
    EXPECT_EQ(show.at("bookkeeping"), "sound");
    std::set<int> saved;
    for (const Json& component : show.at("saved")) saved.insert(component.at("id").get<int>());
    EXPECT_EQ(saved, IdSet(book.saved));
    EXPECT_TRUE(show.at("restored").empty());

    std::vector<std::string> archives;
    std::uint64_t bytes = 0;
    for (const Json& archive : show.at("registryArchives")) {
        const std::string file = archive.at("file");
        archives.push_back(file);
        EXPECT_EQ(archive.at("size").get<std::uint64_t>(), fs::file_size(folder_ + "/" + file));
        bytes += fs::file_size(folder_ + "/" + file);
        const std::string key = archive.at("key");
        EXPECT_EQ(key.rfind("HKEY_", 0), 0u) << key;
    }
    EXPECT_EQ(archives, book.regFiles);
    std::vector<std::string> copies;
    for (const Json& set : show.at("fileCopies")) {
        ASSERT_TRUE(set.at("id").is_number());
        for (const Json& file : set.at("files")) {
            const std::string name = file.at("file");
            copies.push_back(name);
            EXPECT_EQ(file.at("size").get<std::uint64_t>(), fs::file_size(folder_ + "/" + name));
            EXPECT_TRUE(file.at("source").is_string());
            bytes += fs::file_size(folder_ + "/" + name);
        }
    }
    EXPECT_EQ(copies, book.copyFiles);
    EXPECT_EQ(show.at("backupFiles").get<std::size_t>(), archives.size() + copies.size());
    EXPECT_EQ(show.at("bytes").get<std::uint64_t>(), bytes);

    Json sound = Parse(Cli({"verify", folder_}));
    EXPECT_EQ(sound.at("complete"), true);
    EXPECT_TRUE(sound.at("problems").empty());
    EXPECT_EQ(sound.at("registryArchives").at("total"), archives.size());
    EXPECT_EQ(sound.at("registryArchives").at("sound"), archives.size());
    EXPECT_EQ(sound.at("fileCopies").at("present"), copies.size());

    // One copy gone: show gives it no size, verify names the problem.
    ASSERT_FALSE(copies.empty());
    fs::remove(folder_ + "/" + copies.front());
    Json gone = Parse(Cli({"show", folder_}));
    bool nullSize = false;
    for (const Json& set : gone.at("fileCopies")) {
        for (const Json& file : set.at("files")) {
            if (file.at("file") == copies.front()) nullSize = file.at("size").is_null();
        }
    }
    EXPECT_TRUE(nullSize);
    CliResult check = Cli({"verify", folder_});
    EXPECT_EQ(check.status, 1);
    Json broken = Parse(check);
    EXPECT_EQ(broken.at("complete"), false);
    ASSERT_EQ(broken.at("problems").size(), 1u);
    EXPECT_NE(broken.at("problems")[0].get<std::string>().find(copies.front()), std::string::npos);
    EXPECT_EQ(broken.at("fileCopies").at("total"), copies.size());
    EXPECT_EQ(broken.at("fileCopies").at("present"), copies.size() - 1);
}

TEST_F(CliJsonTest, RestoreAndUnrestoreReportEachComponent) {
    ASSERT_EQ(Cli({"backup", folder_, "58", "59"}).status, 0);
    const std::string target = CopyDemoMachine(root_, "target");
    auto onTarget = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--json", "--prefix", target});
        return RunCli(args);
    };

    const auto untouched = Snapshot(target);
    CliResult dry = onTarget({"restore", folder_, "-n"});
    ASSERT_EQ(dry.status, 0) << dry.err;
    Json plan = Parse(dry);
    EXPECT_EQ(plan.at("changed"), true);
    EXPECT_EQ(Outcomes(plan),
              (std::map<int, std::string>{{58, "would restore"}, {59, "would restore"}}));
    for (const Json& component : plan.at("components")) EXPECT_EQ(component.at("preRestoreCopy"), true);
    EXPECT_EQ(Snapshot(target), untouched);

    CliResult restore = onTarget({"restore", folder_});
    ASSERT_EQ(restore.status, 0) << restore.err;
    Json done = Parse(restore);
    EXPECT_EQ(done.at("command"), "restore");
    EXPECT_EQ(done.at("changed"), true);
    EXPECT_EQ(done.at("undoCopyMissing"), false);
    EXPECT_EQ(Outcomes(done), (std::map<int, std::string>{{58, "restored"}, {59, "restored"}}));
    const std::string preRestore = done.at("preRestoreFolder").at("unix");
    EXPECT_EQ(preRestore, target + "/drive_c/windows/Stowlark.Bak");
    EXPECT_EQ(IdSet(ReadBookkeeping(target, preRestore).saved), (std::set<int>{58, 59}));

    CliResult undo = onTarget({"unrestore", "58"});
    ASSERT_EQ(undo.status, 0) << undo.err;
    Json undone = Parse(undo);
    EXPECT_TRUE(undone.at("folder").is_null());
    EXPECT_EQ(Outcomes(undone), (std::map<int, std::string>{{58, "unrestored"}}));
}

TEST_F(CliJsonTest, ListAgreesWithTheTextList) {
    CliResult text = RunCli({"--prefix", prefix_, "list"});
    CliResult json = Cli({"list"});
    ASSERT_EQ(json.status, 0) << json.err;
    Json list = Parse(json);
    EXPECT_EQ(list.at("prefix"), prefix_);

    // Text rows: "  ID  <indent>Title ... yes|no  yes|no".
    std::istringstream lines(text.out);
    std::string line;
    std::getline(lines, line);  // header
    std::map<int, int> groups;  // group ID -> depth
    std::size_t row = 0;
    for (const Json& component : list.at("components")) {
        ASSERT_TRUE(std::getline(lines, line));
        const int id = component.at("id");
        EXPECT_EQ(std::stoi(line.substr(0, 4)), id) << line;
        EXPECT_NE(line.find(component.at("title").get<std::string>()), std::string::npos) << line;
        const std::string flags = line.substr(52);
        EXPECT_EQ(flags.substr(2, 3) == "yes", component.at("installed").get<bool>()) << line;
        EXPECT_EQ(flags.substr(13) == "yes", component.at("typical").get<bool>()) << line;
        // The parent is a group listed before, one level up.
        const Json& parent = component.at("parent");
        if (parent.is_null()) {
            EXPECT_EQ(component.at("depth"), 0);
        } else {
            ASSERT_EQ(groups.count(parent.get<int>()), 1u) << component.dump();
            EXPECT_EQ(component.at("depth").get<int>(), groups[parent.get<int>()] + 1);
        }
        if (component.at("group").get<bool>()) groups[id] = component.at("depth").get<int>();
        ++row;
    }
    EXPECT_FALSE(std::getline(lines, line)) << "text has more rows: " << line;
    EXPECT_GT(row, 50u);
}

TEST_F(CliJsonTest, NamesThatAreNotUtf8StillMakeValidJson) {
    // Linux file names are bytes; JSON text is UTF-8.
    const std::string odd = root_ + "/caf\xe9-machine";
    fs::rename(prefix_, odd);
    CliResult run = RunCli({"--prefix", odd, "--json", "backup", folder_, "58"});
    ASSERT_EQ(run.status, 0) << run.err;
    Json document = Parse(run);
    EXPECT_EQ(document.at("prefix"), root_ + "/caf\xef\xbf\xbd-machine");
    EXPECT_EQ(Outcomes(document), (std::map<int, std::string>{{58, "saved"}}));
}

TEST_F(CliJsonTest, PrefixesListsTheFoldersFound) {
    const std::string home = root_ + "/home";
    fs::create_directories(home);
    fs::rename(prefix_, home + "/.wine");
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome != nullptr ? oldHome : "";
    ::setenv("HOME", home.c_str(), 1);
    ::unsetenv("WINEPREFIX");
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("XDG_CONFIG_HOME");
    CliResult run = RunCli({"prefixes", "--json"});
    ::setenv("HOME", savedHome.c_str(), 1);

    ASSERT_EQ(run.status, 0) << run.err;
    Json found = Parse(run);
    ASSERT_EQ(found.at("prefixes").size(), 1u) << run.out;
    const Json& wine = found.at("prefixes")[0];
    EXPECT_EQ(wine.at("name"), "wine:default");
    EXPECT_EQ(wine.at("folder"), fs::canonical(home + "/.wine").string());
    EXPECT_TRUE(wine.at("architecture") == "win32" || wine.at("architecture") == "win64" ||
                wine.at("architecture") == "unknown");
}

TEST_F(CliJsonTest, FailuresBeforeTheStartLeaveStandardOutputEmpty) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"show", root_ + "/nothing-here"},
          std::vector<std::string>{"unrestore"},
          std::vector<std::string>{"backup", folder_, "9999"}}) {
        CliResult run = Cli(args);
        EXPECT_EQ(run.status, 2) << args[0];
        EXPECT_EQ(run.out, "") << args[0];
        EXPECT_NE(run.err, "") << args[0];
    }
    CliResult wrong = RunCli({"completion", "bash", "--json"});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_NE(wrong.err.find("--json is not for completion"), std::string::npos) << wrong.err;
}

}  // namespace
}  // namespace sl::testing
