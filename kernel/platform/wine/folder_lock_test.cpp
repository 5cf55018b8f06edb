#include "kernel/platform/wine/folder_lock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "kernel/testing/temp_prefix.h"

namespace sl::platform::wine {
namespace {

namespace fs = std::filesystem;

class FolderLockTest : public ::testing::Test {
protected:
    void SetUp() override { prefix.MakeFolder("C:\\Backup"); }

    std::vector<std::string> Entries(const std::string& unixFolder) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(unixFolder)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    testing::TempPrefix prefix;
};

// One holder at a time, whether the other is a second open in this process
// or another process; the lock goes with its holder and leaves nothing.
TEST_F(FolderLockTest, OneHolderAtATimeAndNothingLeftInTheFolder) {
    auto& platform = *prefix.Platform();
    FileHandle first = 0;
    ASSERT_EQ(platform.LockFolder("C:\\Backup", &first), 0u);
    EXPECT_NE(first, 0u);

    FileHandle second = 7;
    EXPECT_EQ(platform.LockFolder("c:\\BACKUP\\", &second), kErrorSharingViolation);
    EXPECT_EQ(second, 0u);

    // Another process sees the folder taken too.
    const std::string unixFolder = prefix.UnixPath("C:\\Backup");
    pid_t child = ::fork();
    if (child == 0) {
        int fd = -1;
        _exit(static_cast<int>(LockUnixFolder(unixFolder, &fd)));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(kErrorSharingViolation));

    EXPECT_EQ(platform.UnlockFolder(first), 0u);
    EXPECT_EQ(platform.LockFolder("C:\\Backup", &second), 0u);
    EXPECT_EQ(platform.UnlockFolder(second), 0u);
    EXPECT_EQ(platform.UnlockFolder(0), kErrorInvalidHandle);
    EXPECT_TRUE(Entries(unixFolder).empty());
}

// Only a real folder is locked: a FIFO, a file, a device or nothing in its
// place fails at once (a FIFO must not block the open).
TEST_F(FolderLockTest, AnythingButAFolderIsRefusedWithoutBlocking) {
    auto& platform = *prefix.Platform();
    const std::string fifo = prefix.UnixPath("C:\\Backup\\pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    prefix.WriteFile("C:\\Backup\\file", "x");
    fs::create_symlink("/dev/null", prefix.UnixPath("C:\\Backup\\device"));

    for (const char* name : {"pipe", "file", "device", "missing"}) {
        SCOPED_TRACE(name);
        FileHandle handle = 9;
        EXPECT_EQ(platform.LockFolder(std::string("C:\\Backup\\") + name, &handle),
                  kErrorPathNotFound);
        EXPECT_EQ(handle, 0u);
    }
    // A drive that maps nowhere is not a folder either.
    FileHandle handle = 0;
    EXPECT_NE(platform.LockFolder("Q:\\Backup", &handle), 0u);
    EXPECT_EQ(handle, 0u);
}

}  // namespace
}  // namespace sl::platform::wine
