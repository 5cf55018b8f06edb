// The exports' own rules: folders with and without a trailing backslash,
// out parameters assigned on every path, stop requests outside a run.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "kernel/interface/kernel.h"
#include "kernel/interface/stowlark_kernel.h"
#include "kernel/resolve/reg_key.h"
#include "kernel/testing/temp_prefix.h"

namespace sl {
namespace {

// A machine with WinAmp's settings key and an existing backup folder.
void PrepareWinampMachine(testing::TempPrefix& prefix) {
    CSLRegKey key(platform::kHkeyCurrentUser, "Software\\Winamp", true);
    const std::uint8_t one[4] = {1, 0, 0, 0};
    ASSERT_EQ(key.SetValue("Shuffle", platform::kRegDword, one, 4), 0);
    CSLRegKey uninstall(platform::kHkeyLocalMachine,
                        "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Winamp", true);
    const std::string command = "C:\\Winamp\\UNINSTWA.EXE";
    ASSERT_EQ(uninstall.SetValue("UninstallString", platform::kRegSz,
                                 reinterpret_cast<const std::uint8_t*>(command.c_str()),
                                 static_cast<platform::DWORD>(command.size() + 1)),
              0);
    prefix.WriteFile("C:\\Winamp\\winamp.ini", "[Winamp]\r\n");
    prefix.MakeFolder("C:\\Backup");
}

TEST(IdListTest, TokensAreFoundOnlyWhole) {
    EXPECT_TRUE(IdListContains("'3','1'", "'1'"));
    EXPECT_TRUE(IdListContains("'3''1'", "'1'"));
    EXPECT_FALSE(IdListContains("'11'", "'1'"));
    EXPECT_FALSE(IdListContains("'21'", "'1'"));
    EXPECT_FALSE(IdListContains("'2''1'", "'2''1''"));
    EXPECT_FALSE(IdListContains("", "'1'"));
    EXPECT_EQ(IdToken("15"), "'15'");
}

TEST(ExportsTest, BookkeepingFileIsFoundWithOrWithoutBackslash) {
    testing::TempPrefix prefix;
    EXPECT_EQ(SL_DoesPathContainSLFiles("C:\\Backup"), 0);
    prefix.WriteFile("C:\\Backup\\Stowlark.dat", std::string("\0\0\0\0\0\0\0\0\0\0", 10));
    EXPECT_EQ(SL_DoesPathContainSLFiles("C:\\Backup"), 1);
    EXPECT_EQ(SL_DoesPathContainSLFiles("C:\\Backup\\"), 1);
    EXPECT_EQ(SL_DoesPathContainSLFiles("c:\\backup"), 1);
    EXPECT_EQ(SL_DoesPathContainSLFiles(nullptr), 0);
}

TEST(ExportsTest, GettersAssignTheirOutParameterOnFailure) {
    testing::TempPrefix prefix;
    std::string ids = "'old'";
    EXPECT_NE(SL_GetSavedIDs("C:\\Nothing", ids), 0);
    EXPECT_EQ(ids, "");
    ids = "'old'";
    EXPECT_NE(SL_GetRestoredIDs("C:\\Nothing", ids), 0);
    EXPECT_EQ(ids, "");
    ids = "'old'";
    EXPECT_NE(SL_GetSavedBadIDs("C:\\Nothing", ids), 0);
    EXPECT_EQ(ids, "");
}

TEST(ExportsTest, StopOutsideARunHasNoEffectOnTheNextRun) {
    testing::TempPrefix prefix;
    PrepareWinampMachine(prefix);
    SL_StopRunInstructions();
    std::string bad = "'x'";
    std::int32_t steps = 0;
    SLProgressWindow window{[](void* context, uint32_t message, uintptr_t code, intptr_t) -> intptr_t {
                                if (message == WM_SL_PROGRESS && code == PROGRESS_STEP)
                                    ++*static_cast<std::int32_t*>(context);
                                return 0;
                            },
                            &steps};
    // The embedded action script carries WinAmp's settings (58).
    EXPECT_EQ(SL_RunInstructions("'58'", "C:\\Backup", 1, bad, &window), 1);
    EXPECT_EQ(bad, "");
    EXPECT_GE(steps, 1);
    std::string saved;
    EXPECT_EQ(SL_GetSavedIDs("C:\\Backup", saved), 0);
    EXPECT_EQ(saved, "'58'");
}

// A progress window whose handler throws something that is no standard
// exception, while another thread keeps asking runs to stop: the run ends
// with 0, no stop request reaches the kernel once it is being destroyed
// (the sanitizer build sees such a use), and the next run is not affected.
TEST(ExportsTest, AnExceptionFromTheWindowEndsTheRunCleanly) {
    testing::TempPrefix prefix;
    PrepareWinampMachine(prefix);
    std::atomic<bool> done{false};
    std::thread stopper([&] {
        while (!done) SL_StopRunInstructions();
    });
    SLProgressWindow throwing{[](void*, uint32_t, uintptr_t, intptr_t) -> intptr_t { throw 42; }, nullptr};
    for (int round = 0; round < 50; ++round) {
        std::string bad = "unset";
        EXPECT_EQ(SL_RunInstructions("'58'", "C:\\Backup", 1, bad, &throwing), 0);
    }
    done = true;
    stopper.join();
    std::string bad;
    EXPECT_EQ(SL_RunInstructions("'58'", "C:\\Backup", 1, bad, nullptr), 1);
    EXPECT_EQ(bad, "");
}

TEST(ExportsTest, RunWithErrorsEndsWithOneSummaryEntry) {
    testing::TempPrefix prefix;
    PrepareWinampMachine(prefix);
    std::string bad;
    // A restore from a folder without a bookkeeping file fails at once.
    prefix.MakeFolder("C:\\Empty");
    EXPECT_EQ(SL_RunInstructions("'58'", "C:\\Empty", 0, bad, nullptr), 0);
    std::string log = prefix.LogText();
    const std::string message = "RunInstructions Restore Load 'C:\\Empty\\' error: 2\r\n";
    std::size_t first = log.find(message);
    ASSERT_NE(first, std::string::npos) << log;
    std::size_t summary = log.find("Summary of Errors:\r\r\n");
    ASSERT_NE(summary, std::string::npos) << log;
    EXPECT_GT(summary, first);
    EXPECT_NE(log.find(message, summary), std::string::npos);

    // A run without errors adds nothing.
    std::string before = prefix.LogText();
    EXPECT_EQ(SL_RunInstructions("'58'", "C:\\Backup", 1, bad, nullptr), 1);
    EXPECT_EQ(prefix.LogText(), before);
}

TEST(ExportsTest, InstalledQueryNeverThrowsAndReturnsAList) {
    testing::TempPrefix prefix;
    std::string missing = SL_GetInstalledIDsN("");
    // An empty prefix has none of the applications: WinAmp's group is listed.
    EXPECT_NE(missing.find("'57'"), std::string::npos) << missing;
    EXPECT_EQ(SL_GetInstalledIDsN("'nothing'"), "");
}

}  // namespace
}  // namespace sl
