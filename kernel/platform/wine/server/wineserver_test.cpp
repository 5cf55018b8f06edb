#include "kernel/platform/wine/server/wineserver.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "kernel/testing/temp_prefix.h"

namespace sl::platform::wine {
namespace {

namespace fs = std::filesystem;

// A child process holding an fcntl write lock on byte 0 of a file, as a
// running wineserver does, until it is stopped.
class LockHolder {
public:
    explicit LockHolder(const std::string& file) {
        int ready[2];
        if (::pipe(ready) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            int fd = ::open(file.c_str(), O_RDWR);
            struct flock lock {};
            lock.l_type = F_WRLCK;
            lock.l_whence = SEEK_SET;
            lock.l_len = 1;
            char ok = fd >= 0 && ::fcntl(fd, F_SETLK, &lock) == 0 ? 1 : 0;
            (void)!::write(ready[1], &ok, 1);
            ::pause();
            _exit(0);
        }
        ::close(ready[1]);
        char ok = 0;
        locked_ = ::read(ready[0], &ok, 1) == 1 && ok == 1;
        ::close(ready[0]);
    }
    ~LockHolder() { Stop(); }
    bool locked() const { return locked_; }
    void Stop() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    bool locked_ = false;
};

class WineServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Debian's Wine names its folder in /tmp in the prefix's "wineserver" file.
        char folder[] = "/tmp/sl-wine-XXXXXX";
        ASSERT_NE(::mkdtemp(folder), nullptr);
        serverBase_ = folder;
        std::ofstream(prefix_.PrefixPath() + "/wineserver") << fs::path(serverBase_).filename().string();
        // Flatpak applications' private /tmp folders live below the runtime folder.
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (runtime) savedRuntime_ = runtime;
        hadRuntime_ = runtime != nullptr;
        ::setenv("XDG_RUNTIME_DIR", (fs::path(serverBase_) / "run").c_str(), 1);
    }
    void TearDown() override {
        if (hadRuntime_) {
            ::setenv("XDG_RUNTIME_DIR", savedRuntime_.c_str(), 1);
        } else {
            ::unsetenv("XDG_RUNTIME_DIR");
        }
        fs::remove_all(serverBase_);
    }

    // The server folder a Wine inside the Flatpak application would use.
    std::string FlatpakServerFolder(const std::string& app) {
        return serverBase_ + "/run/.flatpak/" + app + "/tmp/.wine-" + std::to_string(::getuid()) + "/" +
               ServerFolderName();
    }

    std::string ServerFolderName() {
        struct stat st {};
        ::stat(prefix_.PrefixPath().c_str(), &st);
        char name[64];
        std::snprintf(name, sizeof name, "server-%llx-%llx",
                      static_cast<unsigned long long>(st.st_dev),
                      static_cast<unsigned long long>(st.st_ino));
        return name;
    }

    sl::testing::TempPrefix prefix_{false};
    std::string serverBase_;
    std::string savedRuntime_;
    bool hadRuntime_ = false;
};

TEST_F(WineServerTest, FoldersFollowWinesNaming) {
    std::vector<std::string> folders = WineServerFolders(prefix_.PrefixPath());
    ASSERT_EQ(folders.size(), 2u);
    EXPECT_EQ(folders[0], "/tmp/.wine-" + std::to_string(::getuid()) + "/" + ServerFolderName());
    EXPECT_EQ(folders[1], serverBase_ + "/" + ServerFolderName());
    EXPECT_TRUE(WineServerFolders(prefix_.Root() + "/missing").empty());
}

TEST_F(WineServerTest, RunningWhileTheLockIsHeldElsewhere) {
    std::string server = serverBase_ + "/" + ServerFolderName();
    fs::create_directories(server);
    std::ofstream(server + "/lock").flush();
    EXPECT_FALSE(IsWineServerRunning(prefix_.PrefixPath()));  // folder left by a server gone

    LockHolder holder(server + "/lock");
    ASSERT_TRUE(holder.locked());
    EXPECT_TRUE(IsWineServerRunning(prefix_.PrefixPath()));
    EXPECT_TRUE(IsLockFileHeld(server + "/lock"));  // probing did not take or drop it
    holder.Stop();
    EXPECT_FALSE(IsWineServerRunning(prefix_.PrefixPath()));
    EXPECT_FALSE(IsLockFileHeld(server + "/missing"));
}

TEST_F(WineServerTest, ASandboxedServerCountsAsRunning) {
    fs::create_directories(serverBase_ + "/run/.flatpak/org.example.Other/tmp");
    std::string server = FlatpakServerFolder("com.usebottles.bottles");
    fs::create_directories(server);
    std::ofstream(server + "/lock").flush();
    std::vector<std::string> folders = WineServerFolders(prefix_.PrefixPath());
    EXPECT_NE(std::find(folders.begin(), folders.end(), server), folders.end());
    EXPECT_NE(std::find(folders.begin(), folders.end(), FlatpakServerFolder("org.example.Other")), folders.end());
    EXPECT_FALSE(IsWineServerRunning(prefix_.PrefixPath()));

    LockHolder holder(server + "/lock");
    ASSERT_TRUE(holder.locked());
    EXPECT_TRUE(IsWineServerRunning(prefix_.PrefixPath()));
    WinePlatform platform(prefix_.PrefixPath());
    HKEY key = 0;
    EXPECT_EQ(platform.RegCreateKeyEx(kHkeyCurrentUser, "Software\\Test", nullptr, 0, kKeyAllAccess, &key, nullptr),
              kErrorSharingViolation);
}

TEST_F(WineServerTest, AServerNameFileThatIsNoFileIsIgnored) {
    // A FIFO would block a reader for ever; a link could name any file.
    fs::remove(prefix_.PrefixPath() + "/wineserver");
    ASSERT_EQ(::mkfifo((prefix_.PrefixPath() + "/wineserver").c_str(), 0600), 0);
    EXPECT_EQ(WineServerFolders(prefix_.PrefixPath()).size(), 1u);
    fs::remove(prefix_.PrefixPath() + "/wineserver");
    std::ofstream(serverBase_ + "/name") << fs::path(serverBase_).filename().string();
    fs::create_symlink(serverBase_ + "/name", prefix_.PrefixPath() + "/wineserver");
    EXPECT_EQ(WineServerFolders(prefix_.PrefixPath()).size(), 1u);
}

// The prefix's "wineserver" file and the server's lock are read before any
// run: a FIFO or a device in their place must not block it. The probe runs in
// a child that an alarm ends, so that a wait fails the test instead of
// stopping it.
TEST_F(WineServerTest, FifosAndDevicesInPlaceOfItsFilesDoNotBlockTheProbe) {
    const std::string server = serverBase_ + "/" + ServerFolderName();
    fs::create_directories(server);
    ASSERT_EQ(::mkfifo((server + "/lock").c_str(), 0600), 0);
    const std::string nameFile = prefix_.PrefixPath() + "/wineserver";
    auto probeEnds = [&] {
        pid_t child = ::fork();
        if (child == 0) {
            ::alarm(10);
            const bool running = IsWineServerRunning(prefix_.PrefixPath());
            _exit(running ? 1 : 0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    };
    EXPECT_TRUE(probeEnds());  // the FIFO lock
    fs::remove(nameFile);
    ASSERT_EQ(::mkfifo(nameFile.c_str(), 0600), 0);
    EXPECT_TRUE(probeEnds());
    EXPECT_EQ(WineServerFolders(prefix_.PrefixPath()).size(), 1u);
    fs::remove(nameFile);
    fs::create_symlink("/dev/zero", nameFile);
    EXPECT_TRUE(probeEnds());
    EXPECT_EQ(WineServerFolders(prefix_.PrefixPath()).size(), 1u);
}

TEST_F(WineServerTest, PlatformRefusesRegistryWritesWhileAServerRuns) {
    std::string server = serverBase_ + "/" + ServerFolderName();
    fs::create_directories(server);
    std::ofstream(server + "/lock").flush();
    LockHolder holder(server + "/lock");
    ASSERT_TRUE(holder.locked());
    WinePlatform platform(prefix_.PrefixPath());
    HKEY key = 0;
    EXPECT_EQ(platform.RegCreateKeyEx(kHkeyCurrentUser, "Software\\Test", nullptr, 0,
                                      kKeyAllAccess, &key, nullptr),
              kErrorSharingViolation);
}

}  // namespace
}  // namespace sl::platform::wine
