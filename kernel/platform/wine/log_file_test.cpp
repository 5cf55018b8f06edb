#include "kernel/platform/wine/log_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "kernel/platform/wine/wine_platform.h"
#include "kernel/testing/host_files.h"
#include "kernel/testing/temp_prefix.h"

namespace sl::platform::wine {
namespace {

namespace fs = std::filesystem;
using sl::testing::ReadWholeFile;

class LogFileTest : public ::testing::Test {
protected:
    WinePlatformOptions Options(const std::string& logFolder) {
        WinePlatformOptions options;
        options.logFolder = logFolder;
        options.fallbackLogFolder = prefix_.Root() + "/state/stowlark";
        return options;
    }

    sl::testing::TempPrefix prefix_{false};
};

TEST_F(LogFileTest, AppendsEntriesUnchangedAndRecreatesADeletedLog) {
    WinePlatform platform(prefix_.PrefixPath(), Options(prefix_.LogFolder()));
    std::string path = prefix_.LogFolder() + "/Stowlark.Log";
    EXPECT_EQ(platform.LogFilePath("Stowlark.Log"), path);
    platform.AppendLogBytes("Stowlark.Log", "one\r\r\n");
    platform.AppendLogBytes("Stowlark.Log", std::string("t\0o\r\n", 5));
    EXPECT_EQ(ReadWholeFile(path), std::string("one\r\r\nt\0o\r\n", 11));
    fs::remove(path);
    platform.AppendLogBytes("Stowlark.Log", "three\r\n");
    EXPECT_EQ(ReadWholeFile(path), "three\r\n");
    EXPECT_FALSE(fs::exists(prefix_.Root() + "/state"));  // the fallback stayed unused
}

TEST_F(LogFileTest, LogGoesBesideTheModuleByDefault) {
    WinePlatformOptions options = Options("");
    options.modulePath = prefix_.Root() + "/lib/libStowlarkKernel.so";
    fs::create_directories(prefix_.Root() + "/lib");
    WinePlatform platform(prefix_.PrefixPath(), options);
    EXPECT_EQ(platform.ModuleFileName(), options.modulePath);
    platform.AppendLogBytes("Stowlark.Log", "entry\r\n");
    EXPECT_EQ(ReadWholeFile(prefix_.Root() + "/lib/Stowlark.Log"), "entry\r\n");
}

TEST_F(LogFileTest, UnwritableFolderFallsBackToTheStateFolder) {
    // A regular file where the folder should be: no one can create a file
    // below it, not even root.
    std::ofstream(prefix_.Root() + "/blocked").flush();
    WinePlatform platform(prefix_.PrefixPath(), Options(prefix_.Root() + "/blocked"));
    std::string fallback = prefix_.Root() + "/state/stowlark/Stowlark.Log";
    EXPECT_EQ(platform.LogFilePath("Stowlark.Log"), fallback);
    platform.AppendLogBytes("Stowlark.Log", "first\r\n");
    platform.AppendLogBytes("Stowlark.Log", "second\r\n");
    EXPECT_EQ(ReadWholeFile(fallback), "first\r\nsecond\r\n");
}

TEST_F(LogFileTest, ALinkOrFifoInTheLogsPlaceIsNeitherWrittenThroughNorWaitedOn) {
    const std::string folder = prefix_.Root() + "/lib";
    fs::create_directories(folder);
    const std::string victim = prefix_.Root() + "/victim.txt";
    std::ofstream(victim) << "keep me";
    fs::create_symlink(victim, folder + "/Stowlark.Log");
    ASSERT_EQ(::mkfifo((folder + "/fifo.log").c_str(), 0600), 0);

    EXPECT_EQ(AppendToFile(folder + "/Stowlark.Log", "entry\r\n"), kErrorCantResolveFilename);
    EXPECT_EQ(AppendToFile(folder + "/fifo.log", "entry\r\n"), kErrorCantAccessFile);
    EXPECT_EQ(ReadWholeFile(victim), "keep me");

    // The entry goes to the fallback folder instead, and that is the path named.
    WinePlatform platform(prefix_.PrefixPath(), Options(folder));
    const std::string fallback = prefix_.Root() + "/state/stowlark/Stowlark.Log";
    EXPECT_EQ(platform.LogFilePath("Stowlark.Log"), fallback);
    platform.AppendLogBytes("Stowlark.Log", "entry\r\n");
    EXPECT_EQ(ReadWholeFile(fallback), "entry\r\n");
    EXPECT_EQ(ReadWholeFile(victim), "keep me");
}

TEST_F(LogFileTest, NoPathIsNamedWhenNoFolderCanTakeTheLog) {
    std::ofstream(prefix_.Root() + "/blocked").flush();
    WinePlatformOptions options;
    options.logFolder = prefix_.Root() + "/blocked";
    options.fallbackLogFolder = prefix_.Root() + "/blocked/state";
    WinePlatform platform(prefix_.PrefixPath(), options);
    EXPECT_EQ(platform.LogFilePath("Stowlark.Log"), "");
}

TEST_F(LogFileTest, EntriesOfConcurrentWritersDoNotInterleave) {
    std::string path = prefix_.LogFolder() + "/shared.log";
    std::string a(64 * 1024, 'a'), b(64 * 1024, 'b');
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        for (int i = 0; i < 20; ++i) AppendToFile(path, b);
        _exit(0);
    }
    for (int i = 0; i < 20; ++i) EXPECT_EQ(AppendToFile(path, a), 0u);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    std::string text = ReadWholeFile(path);
    ASSERT_EQ(text.size(), 40 * a.size());
    for (std::size_t at = 0; at < text.size(); at += a.size()) {
        std::string entry = text.substr(at, a.size());
        EXPECT_EQ(entry.find_first_not_of(entry[0]), std::string::npos)
            << "entry at " << at << " is mixed";
    }
}

TEST(LogFolderTest, DefaultFallbackFollowsXdgStateHome) {
    const char* savedState = std::getenv("XDG_STATE_HOME");
    std::string saved = savedState ? savedState : "";
    ::setenv("XDG_STATE_HOME", "/var/state-test", 1);
    EXPECT_EQ(DefaultFallbackLogFolder(), "/var/state-test/stowlark");
    ::setenv("XDG_STATE_HOME", "relative/ignored", 1);
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        EXPECT_EQ(DefaultFallbackLogFolder(), std::string(home) + "/.local/state/stowlark");
    }
    if (savedState) {
        ::setenv("XDG_STATE_HOME", saved.c_str(), 1);
    } else {
        ::unsetenv("XDG_STATE_HOME");
    }
}

TEST(ModulePathTest, NamesTheFileHoldingTheKernel) {
    // Linked statically into this test program, the kernel's module is it.
    char self[4096] = {};
    ASSERT_GT(::readlink("/proc/self/exe", self, sizeof self - 1), 0);
    WinePlatform platform("/nonexistent-prefix");
    EXPECT_EQ(platform.ModuleFileName(), fs::canonical(self).string());
}

}  // namespace
}  // namespace sl::platform::wine
