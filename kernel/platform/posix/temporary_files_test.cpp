#include "kernel/platform/posix/temporary_files.h"

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>

#include "kernel/testing/temp_prefix.h"

namespace sl::platform::posix {
namespace {

namespace fs = std::filesystem;

TEST(TemporaryNamesTest, OnlyTheNamesOfTemporariesAreRecognised) {
    for (const char* name : {".sl-tmp-Stowlark.dat-a1B2c3", ".sl-tmp-", ".winamp.ini.sl-Ab12Cd",
                             "Stowlark.dat.tmp", "12.bin.tmp", "user.reg.x1Y2z3",
                             "system.reg.ABCDEF", "userdef.reg.000000"}) {
        EXPECT_TRUE(IsTemporaryName(name)) << name;
    }
    for (const char* name : {"Stowlark.dat", "12.bin", "user.reg", "a.tmp", "x.bin.tmp",
                             ".bashrc", "user.reg.abc", "user.reg.abcdefg",
                             "winamp.ini.sl-Ab12Cd", ".winamp.ini.sl-Ab1_Cd", "sl-tmp-x"}) {
        EXPECT_FALSE(IsTemporaryName(name)) << name;
    }
    const std::string made = TemporaryNameFor(std::string(300, 'n'));
    EXPECT_TRUE(IsTemporaryName(made));
    EXPECT_LT(made.size(), 255u);
    EXPECT_NE(TemporaryNameFor("a"), TemporaryNameFor("a"));
}

// What killed writers left is removed; what a live writer holds, what is not
// a temporary, and hive leftovers younger than a minute (their writer may
// still be at work) stay. A link of a temporary's name goes, not its target.
TEST(TemporarySweepTest, RemovesWhatKilledWritersLeftAndNothingElse) {
    sl::testing::TempPrefix prefix(false);
    const std::string dir = prefix.Root() + "/folder";
    fs::create_directories(dir);
    auto put = [&](const std::string& name) { std::ofstream(dir + "/" + name) << "x"; };
    const std::string victim = prefix.Root() + "/victim.txt";
    std::ofstream(victim) << "victim";

    put(".sl-tmp-a.ini-stale1");
    put(".a.ini.sl-Stale2");
    put("Stowlark.dat.tmp");
    put("7.bin.tmp");
    put("user.reg.Old123");
    put("user.reg.New123");
    put("settings.ini");
    put("notes.tmp");
    fs::create_symlink(victim, dir + "/.sl-tmp-link-abcdef");
    ASSERT_EQ(::mkfifo((dir + "/.sl-tmp-fifo-abcdef").c_str(), 0600), 0);
    const auto old = fs::file_time_type::clock::now() - std::chrono::minutes(5);
    fs::last_write_time(dir + "/user.reg.Old123", old);

    // A writer in another process holds its temporary locked.
    std::string held;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t writer = ::fork();
    if (writer == 0) {
        std::string path;
        DWORD e = 0;
        int fd = CreateTemporaryBeside(dir + "/b.ini", 0600, &path, &e);
        (void)!::write(ready[1], path.c_str(), path.size());
        ::close(ready[1]);
        ::pause();
        _exit(fd >= 0 ? 0 : 1);
    }
    ::close(ready[1]);
    char buffer[512] = {};
    ssize_t n = ::read(ready[0], buffer, sizeof buffer);
    ::close(ready[0]);
    ASSERT_GT(n, 0);
    held = std::string(buffer, static_cast<std::size_t>(n));

    SweepStaleTemporaries(dir);
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir)) {
        left.insert(entry.path().filename().string());
    }
    ::kill(writer, SIGKILL);
    ::waitpid(writer, nullptr, 0);
    EXPECT_EQ(left, (std::set<std::string>{fs::path(held).filename().string(), "user.reg.New123",
                                           "settings.ini", "notes.tmp"}));
    std::ifstream in(victim);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "victim");

    // Once its writer is gone, the held one goes too.
    SweepStaleTemporaries(dir);
    EXPECT_FALSE(fs::exists(held));
}

}  // namespace
}  // namespace sl::platform::posix
