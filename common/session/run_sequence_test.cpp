#include "common/session/run_sequence.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/session/testing/session_prefix.h"

namespace sl::session {
namespace {

struct Call {
    std::string ids;
    std::string folder;
    int32_t mode;
    bool window;
};

// The library as the sequence sees it, recording every run.
struct FakeLibrary {
    static inline std::vector<Call> calls;
    static inline std::vector<std::string> badIDs;  // per call, in order
    static inline int stops = 0;
    static inline RunSequence* stopDuringCall = nullptr;  // RequestStop inside call 1

    static int32_t Run(const char* ids, const char* folder, int32_t mode, std::string& bad,
                       const SLProgressWindow* window) {
        calls.push_back({ids, folder, mode, window != nullptr});
        const std::size_t n = calls.size() - 1;
        bad = n < badIDs.size() ? badIDs[n] : "";
        if (stopDuringCall != nullptr && calls.size() == 1) stopDuringCall->RequestStop();
        return bad.empty() ? 1 : 0;
    }
    static void Stop() { ++stops; }

    static KernelApi Api() {
        calls.clear();
        badIDs.clear();
        stops = 0;
        stopDuringCall = nullptr;
        KernelApi api;
        api.RunInstructions = &Run;
        api.StopRunInstructions = &Stop;
        return api;
    }
};

RunRequest Request(WizardMode wizardMode, RestoreMode restoreMode) {
    RunRequest request;
    request.wizardMode = wizardMode;
    request.restoreMode = restoreMode;
    request.backupFolder = "C:\\Backups";
    request.selectedIDs = "'1','10'";
    return request;
}

TEST(RunSequence, BackupRunsOnceIntoTheChosenFolder) {
    SessionPrefix prefix;
    KernelApi api = FakeLibrary::Api();
    FakeLibrary::badIDs = {"'10'"};
    RunSequence sequence(api);
    SLProgressWindow window{nullptr, nullptr};
    RunOutcome outcome = sequence.Run(Request(WizardMode::Backup, RestoreMode::NotChosen), &window);
    ASSERT_EQ(FakeLibrary::calls.size(), 1u);
    EXPECT_EQ(FakeLibrary::calls[0].ids, "'1','10'");
    EXPECT_EQ(FakeLibrary::calls[0].folder, "C:\\Backups");
    EXPECT_EQ(FakeLibrary::calls[0].mode, 1);
    EXPECT_TRUE(FakeLibrary::calls[0].window);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.badIDs, "'10'");
    EXPECT_FALSE(prefix.Exists("C:\\windows\\Stowlark.Bak"));
}

TEST(RunSequence, RestoreSavesThePreviousSettingsFirst) {
    SessionPrefix prefix;
    KernelApi api = FakeLibrary::Api();
    FakeLibrary::badIDs = {"'1'", ""};  // the pre-restore run's failures are not kept
    RunSequence sequence(api);
    RunOutcome outcome = sequence.Run(Request(WizardMode::Restore, RestoreMode::Restore), nullptr);
    ASSERT_EQ(FakeLibrary::calls.size(), 2u);
    EXPECT_EQ(FakeLibrary::calls[0].folder, "C:\\windows\\Stowlark.Bak");
    EXPECT_EQ(FakeLibrary::calls[0].mode, 1);
    EXPECT_EQ(FakeLibrary::calls[1].folder, "C:\\Backups");
    EXPECT_EQ(FakeLibrary::calls[1].mode, 0);
    EXPECT_TRUE(prefix.Exists("C:\\windows\\Stowlark.Bak"));
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(outcome.badIDs, "");
    EXPECT_FALSE(outcome.undoCopyMissing);
}

TEST(RunSequence, UnrestoreRestoresFromThePreRestoreFolder) {
    SessionPrefix prefix;
    KernelApi api = FakeLibrary::Api();
    RunSequence sequence(api);
    RunOutcome outcome = sequence.Run(Request(WizardMode::Restore, RestoreMode::Unrestore), nullptr);
    ASSERT_EQ(FakeLibrary::calls.size(), 1u);
    EXPECT_EQ(FakeLibrary::calls[0].folder, "C:\\windows\\Stowlark.Bak");
    EXPECT_EQ(FakeLibrary::calls[0].mode, 0);
    EXPECT_EQ(outcome.result, 1);
}

TEST(RunSequence, RestoreWithoutPreRestoreFolderStillRunsAndSaysSo) {
    SessionPrefix prefix;
    // A file where the folder should be: nothing can be saved there.
    prefix.WriteFile("C:\\windows\\Stowlark.Bak", "in the way");
    KernelApi api = FakeLibrary::Api();
    RunSequence sequence(api, prefix.LogSink());
    RunOutcome outcome = sequence.Run(Request(WizardMode::Restore, RestoreMode::Restore), nullptr);
    ASSERT_EQ(FakeLibrary::calls.size(), 1u);
    EXPECT_EQ(FakeLibrary::calls[0].folder, "C:\\Backups");
    EXPECT_EQ(FakeLibrary::calls[0].mode, 0);
    EXPECT_TRUE(outcome.undoCopyMissing);
    EXPECT_NE(outcome.undoCopyError, 0u);
    EXPECT_NE(prefix.LogText().find("pre-restore folder C:\\windows\\Stowlark.Bak"),
              std::string::npos);
}

TEST(RunSequence, StopDuringThePreRestoreBackupSkipsTheRestore) {
    SessionPrefix prefix;
    KernelApi api = FakeLibrary::Api();
    RunSequence sequence(api);
    FakeLibrary::stopDuringCall = &sequence;
    RunOutcome outcome = sequence.Run(Request(WizardMode::Restore, RestoreMode::Restore), nullptr);
    EXPECT_EQ(FakeLibrary::calls.size(), 1u);
    EXPECT_EQ(FakeLibrary::stops, 1);
    EXPECT_TRUE(outcome.skipped);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_TRUE(sequence.StopRequested());
}

}  // namespace
}  // namespace sl::session
