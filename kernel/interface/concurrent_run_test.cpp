// Two runs on one backup folder in two processes: the second waits for the
// first or gives up cleanly with a sharing violation, and the bookkeeping
// file stays whole and holds every run that reported success.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <thread>

#include "kernel/interface/kernel.h"
#include "kernel/testing/registry_values.h"
#include "kernel/testing/temp_prefix.h"

namespace sl {
namespace {

// Blocks a run at its first step: tells the other process through a pipe,
// then holds the run (and so the folder's lock) for a while.
struct PauseAtFirstStep {
    int notify = -1;
    int holdMs = 0;
    bool paused = false;
    static std::intptr_t Send(void* context, std::uint32_t, std::uintptr_t code, std::intptr_t) {
        auto* self = static_cast<PauseAtFirstStep*>(context);
        if (code == 2 && !self->paused) {
            self->paused = true;
            char byte = 1;
            if (::write(self->notify, &byte, 1) != 1) _exit(90);
            std::this_thread::sleep_for(std::chrono::milliseconds(self->holdMs));
        }
        return 0;
    }
};

class ConcurrentRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* key : {"Init Menus", "Init Commands", "Microsoft Excel"}) {
            testing::SetString(*prefix.Platform(), platform::kHkeyCurrentUser,
                               std::string("Software\\Microsoft\\Office\\8.0\\Excel\\") + key, "v",
                               key);
        }
        testing::SetString(*prefix.Platform(), platform::kHkeyCurrentUser,
                           "Software\\Microsoft\\Shared Tools\\Proofing Tools", "v", "p");
        prefix.WriteFile("C:\\windows\\Excel8.xlb", "toolbar");
        prefix.MakeFolder("C:\\Backup");
        ASSERT_EQ(prefix.Platform()->FlushRegistry(), 0);
    }

    // Forks a process that backs up ids into C:\Backup, pausing holdMs at its
    // first step after writing a byte to the returned pipe; its exit code is
    // the run's result. The child never returns into the test.
    pid_t StartBackup(const std::string& ids, int holdMs, int* readyPipe) {
        int fds[2];
        EXPECT_EQ(::pipe(fds), 0);
        pid_t pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            PauseAtFirstStep pause{fds[1], holdMs};
            SLProgressWindow window{&PauseAtFirstStep::Send, &pause};
            CSLKernel kernel;
            kernel.Mode = SL_MODE_BACKUP;
            kernel.ProgressWindow = &window;
            kernel.SetFolder("C:\\Backup");
            _exit(kernel.RunInstructions(ids));
        }
        ::close(fds[1]);
        *readyPipe = fds[0];
        return pid;
    }
    static int ExitCode(pid_t pid) {
        int status = 0;
        if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
        return WEXITSTATUS(status);
    }
    static void WaitReady(int pipe) {
        char byte = 0;
        ASSERT_EQ(::read(pipe, &byte, 1), 1);
        ::close(pipe);
    }

    testing::TempPrefix prefix;
};

TEST_F(ConcurrentRunTest, SecondRunGivesUpWhileTheFirstHoldsTheFolder) {
    int ready = -1;
    pid_t first = StartBackup("'13'", 4000, &ready);
    WaitReady(ready);

    CSLKernel second;
    second.Mode = SL_MODE_RESTORE;
    second.SetFolder("C:\\Backup");
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(second.RunInstructions("'13'"), 0);
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_GE(waited, std::chrono::milliseconds(1500));  // it waited before giving up
    EXPECT_EQ(second.ErrorText, "RunInstructions Lock 'C:\\Backup\\' error: 32\n");
    EXPECT_NE(prefix.LogText().find("RunInstructions Lock 'C:\\Backup\\' error: 32"),
              std::string::npos);
    EXPECT_TRUE(second.RestoredIDs.empty());

    EXPECT_EQ(ExitCode(first), 1);
    // The first run's bookkeeping file is whole and the second added nothing.
    CSLKernel saved;
    ASSERT_EQ(saved.Load("C:\\Backup"), 0);
    EXPECT_EQ(saved.SavedIDs, "'13'");
    EXPECT_EQ(saved.RestoredIDs, "");
    EXPECT_EQ(saved.RegItems.size(), 2u);

    // With the folder free again the same run goes through.
    CSLKernel third;
    third.Mode = SL_MODE_RESTORE;
    third.SetFolder("C:\\Backup");
    EXPECT_EQ(third.RunInstructions("'13'"), 1) << third.ErrorText;
}

TEST_F(ConcurrentRunTest, RunsStartedTogetherTakeTurns) {
    // Two processes back up different components into one folder at once;
    // the one that finds the folder taken waits until the other is done.
    int readyA = -1;
    int readyB = -1;
    pid_t a = StartBackup("'13'", 300, &readyA);
    pid_t b = StartBackup("'14'", 300, &readyB);
    EXPECT_EQ(ExitCode(a), 1);
    EXPECT_EQ(ExitCode(b), 1);
    ::close(readyA);
    ::close(readyB);

    CSLKernel saved;
    ASSERT_EQ(saved.Load("C:\\Backup"), 0);
    EXPECT_NE(saved.SavedIDs.find("'13'"), std::string::npos);
    EXPECT_NE(saved.SavedIDs.find("'14'"), std::string::npos);
    // Every backup file name was handed out once, and every one exists.
    std::set<std::string> names;
    for (const auto& record : saved.RegItems) names.insert(record->FileName);
    for (const auto& record : saved.FileItems) {
        for (const auto& name : record->BackupFiles) names.insert(name);
    }
    EXPECT_EQ(names.size(), saved.BackupCounter);
    for (const auto& name : names) EXPECT_TRUE(prefix.Exists("C:\\Backup\\" + name)) << name;
    EXPECT_EQ(saved.RegItems.size(), 4u);
}

// The lock is held on the folder itself: a backup and a restore leave only
// the bookkeeping file and the backup files in it, and a name that an older
// version used for its lock file, planted as a link to someone's file, is
// neither written through nor removed.
TEST_F(ConcurrentRunTest, RunsLeaveOnlyTheFormatsFilesInTheFolder) {
    namespace fs = std::filesystem;
    prefix.WriteFile("C:\\victim.txt", "precious");
    fs::create_symlink(prefix.UnixPath("C:\\victim.txt"), prefix.UnixPath("C:\\Backup\\Stowlark.lck"));

    CSLKernel backup;
    backup.Mode = SL_MODE_BACKUP;
    backup.SetFolder("C:\\Backup");
    ASSERT_EQ(backup.RunInstructions("'13'"), 1) << backup.ErrorText;
    CSLKernel restore;
    restore.Mode = SL_MODE_RESTORE;
    restore.SetFolder("C:\\Backup");
    ASSERT_EQ(restore.RunInstructions("'13'"), 1) << restore.ErrorText;

    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(prefix.UnixPath("C:\\Backup"))) {
        names.insert(entry.path().filename().string());
    }
    EXPECT_EQ(names, (std::set<std::string>{"1.bin", "2.bin", "3.dat", "Stowlark.dat",
                                            "Stowlark.lck"}));
    EXPECT_TRUE(fs::is_symlink(prefix.UnixPath("C:\\Backup\\Stowlark.lck")));
    EXPECT_EQ(prefix.ReadFile("C:\\victim.txt"), "precious");
}

}  // namespace
}  // namespace sl
