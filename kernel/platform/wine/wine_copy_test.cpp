// WineFiles::CopyFile: whole-or-nothing copies, permissions, times, and
// what it refuses.
#include "kernel/platform/wine/wine_files.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "kernel/platform/wine/testing/wine_files_fixture.h"
#include "kernel/testing/temp_prefix.h"

namespace sl::platform::wine {
namespace {

namespace fs = std::filesystem;

TEST_F(WineFilesTest, CopyReplacesTheTargetWithDataButKeepsItsPermissions) {
    const mode_t mask = ::umask(022);
    prefix_.WriteFile("C:\\src\\a.ini", "new contents");
    ::chmod(prefix_.UnixPath("C:\\src\\a.ini").c_str(), 0400);
    prefix_.WriteFile("C:\\dst\\b.ini", "old contents that were longer");
    ::chmod(prefix_.UnixPath("C:\\dst\\b.ini").c_str(), 0640);
    // A replaced file keeps its own rights, not the read-only ones of the copy.
    EXPECT_EQ(files_.CopyFile("C:\\src\\a.ini", "C:\\DST\\B.INI"), 0u);
    EXPECT_EQ(prefix_.ReadFile("C:\\dst\\b.ini"), "new contents");
    EXPECT_EQ(Mode("C:\\dst\\b.ini"), 0640u);
    EXPECT_EQ(FolderEntries("C:\\dst"), std::vector<std::string>{"b.ini"});  // no temporary left
    // A new file is writable by its owner, so that the next copy can replace
    // it, and grants others no more than the source did.
    EXPECT_EQ(files_.CopyFile("C:\\src\\a.ini", "C:\\dst\\new.ini"), 0u);
    EXPECT_EQ(Mode("C:\\dst\\new.ini"), 0600u);
    ::chmod(prefix_.UnixPath("C:\\src\\a.ini").c_str(), 0444);
    EXPECT_EQ(files_.CopyFile("C:\\src\\a.ini", "C:\\dst\\new2.ini"), 0u);
    EXPECT_EQ(Mode("C:\\dst\\new2.ini"), 0644u);
    EXPECT_EQ(files_.CopyFile("C:\\src\\a.ini", "C:\\dst\\new2.ini"), 0u);
    ::umask(mask);
}

TEST_F(WineFilesTest, CopiesIntoABusyFolderSeeWhatOthersPutThere) {
    // Many new names into one folder, as a backup writes them; meanwhile
    // another program puts files there too, in another case or read-only.
    prefix_.WriteFile("C:\\src\\a.ini", "new");
    prefix_.MakeFolder("C:\\backup");
    for (int i = 1; i <= 3; ++i) {
        const std::string name = "C:\\backup\\" + std::to_string(i) + ".dat";
        ASSERT_EQ(files_.CopyFile("C:\\src\\a.ini", name), 0u) << name;
    }
    prefix_.WriteFile("C:\\backup\\4.DAT", "theirs");
    prefix_.WriteFile("C:\\backup\\5.dat", "read-only");
    ::chmod(prefix_.UnixPath("C:\\backup\\5.dat").c_str(), 0444);
    EXPECT_EQ(files_.CopyFile("C:\\src\\a.ini", "C:\\backup\\4.dat"), 0u);
    EXPECT_EQ(prefix_.ReadFile("C:\\backup\\4.DAT"), "new");
    EXPECT_EQ(files_.CopyFile("C:\\src\\a.ini", "C:\\backup\\5.dat"), kErrorAccessDenied);
    EXPECT_EQ(prefix_.ReadFile("C:\\backup\\5.dat"), "read-only");
    auto entries = FolderEntries("C:\\backup");
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"1.dat", "2.dat", "3.dat", "4.DAT", "5.dat"}));
}

TEST_F(WineFilesTest, CopySourcesSpeltInAnotherCaseAreFound) {
    // A tree the instructions spell in other cases, file after file: the
    // exact spelling is tried first, and every other one is still found.
    prefix_.WriteFile("C:\\Program Files\\Winamp\\Skins\\a.bmp", "a");
    prefix_.WriteFile("C:\\Program Files\\Winamp\\Skins\\B.Bmp", "b");
    prefix_.MakeFolder("C:\\backup");
    const std::string skins = "C:\\PROGRAM FILES\\WINAMP\\SKINS\\";
    EXPECT_EQ(files_.CopyFile(skins + "a.bmp", "C:\\backup\\1.dat"), 0u);
    EXPECT_EQ(files_.CopyFile(skins + "b.bmp", "C:\\backup\\2.dat"), 0u);
    EXPECT_EQ(files_.CopyFile(skins + "A.BMP", "C:\\backup\\3.dat"), 0u);
    EXPECT_EQ(files_.CopyFile(skins + "c.bmp", "C:\\backup\\4.dat"), kErrorFileNotFound);
    EXPECT_EQ(prefix_.ReadFile("C:\\backup\\1.dat"), "a");
    EXPECT_EQ(prefix_.ReadFile("C:\\backup\\2.dat"), "b");
    EXPECT_EQ(prefix_.ReadFile("C:\\backup\\3.dat"), "a");
    EXPECT_FALSE(prefix_.Exists("C:\\backup\\4.dat"));
    // The folder itself renamed to another spelling meanwhile.
    fs::rename(prefix_.UnixPath("C:\\Program Files\\Winamp\\Skins"),
               prefix_.UnixPath("C:\\Program Files\\Winamp") + "/sKins");
    EXPECT_EQ(files_.CopyFile(skins + "B.BMP", "C:\\backup\\5.dat"), 0u);
    EXPECT_EQ(prefix_.ReadFile("C:\\backup\\5.dat"), "b");
}

TEST_F(WineFilesTest, FailedCopyLeavesTheTargetAlone) {
    prefix_.WriteFile("C:\\dst\\b.ini", "old");
    prefix_.MakeFolder("C:\\src\\folder");
    EXPECT_EQ(files_.CopyFile("C:\\src\\missing.ini", "C:\\dst\\b.ini"), kErrorFileNotFound);
    EXPECT_EQ(files_.CopyFile("C:\\nosrc\\missing.ini", "C:\\dst\\b.ini"), kErrorPathNotFound);
    EXPECT_EQ(files_.CopyFile("C:\\src\\folder", "C:\\dst\\b.ini"), kErrorAccessDenied);
    EXPECT_EQ(prefix_.ReadFile("C:\\dst\\b.ini"), "old");
    EXPECT_EQ(FolderEntries("C:\\dst"), std::vector<std::string>{"b.ini"});

    prefix_.WriteFile("C:\\src\\a.ini", "new");
    EXPECT_EQ(files_.CopyFile("C:\\src\\a.ini", "C:\\nodst\\b.ini"), kErrorPathNotFound);
    EXPECT_EQ(files_.CopyFile("C:\\src\\a.ini", "C:\\src\\folder"), kErrorAccessDenied);
    ::chmod(prefix_.UnixPath("C:\\dst\\b.ini").c_str(), 0444);
    EXPECT_EQ(files_.CopyFile("C:\\src\\a.ini", "C:\\dst\\b.ini"), kErrorAccessDenied);
    EXPECT_EQ(prefix_.ReadFile("C:\\dst\\b.ini"), "old");
}

TEST_F(WineFilesTest, CopyOfALargeFileIsExact) {
    std::string data(3 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 131 % 251);
    prefix_.WriteFile("C:\\big.bin", data);
    EXPECT_EQ(files_.CopyFile("C:\\big.bin", "C:\\copy.bin"), 0u);
    EXPECT_EQ(prefix_.ReadFile("C:\\copy.bin"), data);
}

TEST_F(WineFilesTest, CopyOntoAFullDiskReportsItAndKeepsTheTarget) {
    // A 64 KiB file system; mounting needs privileges a test run may lack.
    prefix_.MakeFolder("C:\\small");
    std::string small = prefix_.UnixPath("C:\\small");
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "cannot mount a small file system here";
    }
    prefix_.WriteFile("C:\\small\\target.dat", "old");
    prefix_.WriteFile("C:\\big.dat", std::string(256 * 1024, 'x'));
    EXPECT_EQ(files_.CopyFile("C:\\big.dat", "C:\\small\\target.dat"), kErrorDiskFull);
    EXPECT_EQ(prefix_.ReadFile("C:\\small\\target.dat"), "old");
    EXPECT_EQ(FolderEntries("C:\\small"), std::vector<std::string>{"target.dat"});
    // A new name is not taken by a partial copy either.
    EXPECT_EQ(files_.CopyFile("C:\\big.dat", "C:\\small\\new.dat"), kErrorDiskFull);
    EXPECT_EQ(FolderEntries("C:\\small"), std::vector<std::string>{"target.dat"});
    ::umount2(small.c_str(), MNT_DETACH);
}

TEST_F(WineFilesTest, CopyRefusesFilesOpenExclusively) {
    prefix_.WriteFile("C:\\a.ini", "a");
    prefix_.WriteFile("C:\\b.ini", "b");
    FileHandle handle = 0;
    ASSERT_EQ(files_.OpenFile("C:\\b.ini", FileAccess::Read, &handle), 0u);
    EXPECT_EQ(files_.CopyFile("C:\\a.ini", "C:\\b.ini"), kErrorSharingViolation);
    EXPECT_EQ(files_.CopyFile("C:\\b.ini", "C:\\c.ini"), kErrorSharingViolation);
    EXPECT_EQ(files_.CopyFile("C:\\a.ini", "C:\\a.ini"), kErrorSharingViolation);
    EXPECT_EQ(files_.CloseFile(handle, false), 0u);
    EXPECT_EQ(prefix_.ReadFile("C:\\b.ini"), "b");
    EXPECT_EQ(files_.CopyFile("C:\\a.ini", "C:\\b.ini"), 0u);
}

TEST_F(WineFilesTest, CopyKeepsTheModificationTime) {
    prefix_.WriteFile("C:\\src\\a.ini", "x");
    struct timespec times[2] = {{1000000000, 0}, {1234567890, 500000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, prefix_.UnixPath("C:\\src\\a.ini").c_str(), times, 0), 0);
    ASSERT_EQ(files_.CopyFile("C:\\src\\a.ini", "C:\\src\\b.ini"), 0u);
    struct stat st {};
    ASSERT_EQ(::stat(prefix_.UnixPath("C:\\src\\b.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1234567890);
    EXPECT_EQ(st.st_mtim.tv_nsec, 500000000);
}

TEST_F(WineFilesTest, CopyOfAFileWithoutAKnownSizeCopiesItsContent) {
    // /proc files report size 0; the kernel's own copy gives nothing for them.
    fs::create_directory_symlink("/", prefix_.PrefixPath() + "/dosdevices/z:");
    std::ifstream in("/proc/version");
    std::string expected((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(files_.CopyFile("Z:\\proc\\version", "C:\\version.txt"), 0u);
    EXPECT_EQ(prefix_.ReadFile("C:\\version.txt"), expected);
}

TEST_F(WineFilesTest, CopyReplacesUnreadableTargetsAndLinks) {
    prefix_.WriteFile("C:\\a.ini", "new");
    prefix_.WriteFile("C:\\writeonly.ini", "old");
    ::chmod(prefix_.UnixPath("C:\\writeonly.ini").c_str(), 0200);
    EXPECT_EQ(files_.CopyFile("C:\\a.ini", "C:\\writeonly.ini"), 0u);
    EXPECT_EQ(prefix_.ReadFile("C:\\writeonly.ini"), "new");
    // A dangling link is replaced by the file, not followed.
    fs::create_symlink(prefix_.Root() + "/nowhere", prefix_.UnixPath("C:\\dangling.ini"));
    EXPECT_EQ(files_.CopyFile("C:\\a.ini", "C:\\dangling.ini"), 0u);
    EXPECT_FALSE(fs::is_symlink(prefix_.UnixPath("C:\\dangling.ini")));
    EXPECT_FALSE(fs::exists(prefix_.Root() + "/nowhere"));
    // A file where the target's folder should be.
    EXPECT_EQ(files_.CopyFile("C:\\a.ini", "C:\\a.ini\\b.ini"), kErrorPathNotFound);
}

TEST_F(WineFilesTest, KilledCopyLeavesTheOldOrTheWholeNewTarget) {
    const std::string fresh(12 << 20, 'n');
    prefix_.WriteFile("C:\\src\\big.dat", fresh);
    const std::string target = prefix_.UnixPath("C:\\dst\\big.dat");
    for (int round = 0; round < 16; ++round) {
        // Even rounds replace a file, odd ones make a new one.
        const bool replacing = round % 2 == 0;
        if (replacing) {
            prefix_.WriteFile("C:\\dst\\big.dat", "old");
        } else {
            fs::remove(target);
        }
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            WineFiles other(prefix_.PrefixPath());
            _exit(static_cast<int>(other.CopyFile("C:\\src\\big.dat", "C:\\dst\\big.dat")));
        }
        ::usleep(static_cast<useconds_t>(round / 2 * 1600));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        if (replacing || fs::exists(target)) {
            std::string now = prefix_.ReadFile("C:\\dst\\big.dat");
            EXPECT_TRUE(now == fresh || (replacing && now == "old"))
                << "round " << round << ": " << now.size();
        }
        // Leftover temporaries only ever sit beside the target, hidden.
        for (const std::string& name : FolderEntries("C:\\dst")) {
            if (name != "big.dat") {
                EXPECT_EQ(name.rfind(".sl-tmp-big.dat-", 0), 0u) << name;
            }
        }
    }
    EXPECT_EQ(files_.CopyFile("C:\\src\\big.dat", "C:\\dst\\big.dat"), 0u);
    EXPECT_EQ(prefix_.ReadFile("C:\\dst\\big.dat"), fresh);
    // The next copy into the folder took away what the killed ones left.
    EXPECT_EQ(FolderEntries("C:\\dst"), std::vector<std::string>{"big.dat"});
}

}  // namespace
}  // namespace sl::platform::wine
