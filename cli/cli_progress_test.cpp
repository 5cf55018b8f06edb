// The real stowlark-cli while it runs: a bar on a terminal, and Ctrl-C,
// which stops the library after the item in progress and still leaves a
// bookkeeping file that says what was saved.
#include <signal.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "cli/catalogue_selection.h"
#include "cli/testing/demo_machine_fixture.h"

namespace sl::testing {
namespace {

class CliProgressTest : public DemoMachineTest {};

TEST_F(CliProgressTest, TerminalGetsABarRewrittenInPlace) {
    CliProcess process({"--prefix", prefix_, "backup", folder_, "58"}, true);
    CliResult run = process.Finish();
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("\r[#"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("########]"), std::string::npos) << "the bar ends full";
    EXPECT_EQ(run.out.find("Progress: "), std::string::npos);
}

TEST_F(CliProgressTest, PipeGetsOnePlainLinePerStep) {
    CliResult run = RunCli({"--prefix", prefix_, "backup", folder_, "58"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.find('\r'), std::string::npos);
    EXPECT_NE(run.out.find("Progress: 1 of 3\nProgress: 2 of 3\nProgress: 3 of 3\n"),
              std::string::npos)
        << run.out;
}

TEST_F(CliProgressTest, CtrlCStopsAfterTheItemInProgressAndKeepsTheBookkeeping) {
    // Many favourites make their component take long enough for the signal
    // to arrive while the run is still going.
    for (int i = 0; i < 300; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/drive_c/users/demo/Favorites/Bulk/f%04d.url", i);
        WriteFile(prefix_ + name, "[InternetShortcut]\r\nURL=http://example.org/\r\n");
    }
    CliProcess process({"--prefix", prefix_, "backup", folder_, "--all"});
    ASSERT_TRUE(process.WaitForOutput("Progress: 1 of ", std::chrono::seconds(60)));
    process.Signal(SIGINT);
    CliResult run = process.Finish();

    EXPECT_EQ(run.status, 130) << run.out << run.err;
    EXPECT_NE(run.out.find("Stopping after the item in progress"), std::string::npos);
    EXPECT_NE(run.out.find("User Abort"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Log: "), std::string::npos);

    Bookkeeping book = ReadBookkeeping(prefix_, folder_);
    ASSERT_EQ(book.rc, 0) << "the stopped run saved its bookkeeping file";
    std::vector<int> saved = cli::IdsOf(book.saved);
    EXPECT_FALSE(saved.empty());
    EXPECT_EQ(book.saved.find("'60'"), std::string::npos)
        << "the run stopped before the last component: " << book.saved;

    // What the stopped run saved is sound, and a second run completes it.
    EXPECT_EQ(RunCli({"--prefix", prefix_, "verify", folder_}).status, 0);
    ASSERT_EQ(RunCli({"--prefix", prefix_, "backup", folder_, "--all"}).status, 0);
    EXPECT_NE(ReadBookkeeping(prefix_, folder_).saved.find("'60'"), std::string::npos);
}

}  // namespace
}  // namespace sl::testing
