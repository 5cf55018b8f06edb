#include "common/session/windows_programs.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "kernel/platform/wine/server/wineserver.h"
#include "kernel/testing/temp_prefix.h"

namespace fs = std::filesystem;

namespace sl::session {
namespace {

TEST(WindowsProgramsRunning, FollowsTheWineserverLockOfThePrefix) {
    testing::TempPrefix prefix(false);
    EXPECT_FALSE(WindowsProgramsRunning(prefix.PrefixPath()));

    const auto folders = platform::wine::WineServerFolders(prefix.PrefixPath());
    ASSERT_FALSE(folders.empty());
    const std::string folder = folders.front();
    ASSERT_FALSE(fs::exists(folder));  // a fresh prefix has no server folder
    fs::create_directories(folder);
    const std::string lock = folder + "/lock";

    // A child process stands in for the wineserver and holds the lock.
    int ready[2];
    int release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int fd = ::open(lock.c_str(), O_RDWR | O_CREAT, 0600);
        struct flock hold {};
        hold.l_type = F_WRLCK;
        hold.l_whence = SEEK_SET;
        hold.l_start = 0;
        hold.l_len = 1;
        char byte = fd >= 0 && ::fcntl(fd, F_SETLK, &hold) == 0 ? 'y' : 'n';
        (void)!::write(ready[1], &byte, 1);
        (void)!::read(release[0], &byte, 1);
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    EXPECT_EQ(byte, 'y');
    EXPECT_TRUE(WindowsProgramsRunning(prefix.PrefixPath()));

    (void)!::write(release[1], "x", 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_FALSE(WindowsProgramsRunning(prefix.PrefixPath()));
    fs::remove_all(folder);
}

}  // namespace
}  // namespace sl::session
