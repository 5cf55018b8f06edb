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

#include "kernel/testing/temp_prefix.h"

namespace sl::platform::wine {
namespace {

namespace fs = std::filesystem;

class WineFilesTest : public ::testing::Test {
protected:
    // Every entry of a search, or the error of its first call.
    std::vector<FindData> List(const std::string& pattern, DWORD* error) {
        std::vector<FindData> entries;
        FindHandle handle = 0;
        FindData data;
        *error = files_.FindFirstFile(pattern, &handle, &data);
        if (*error != 0) return entries;
        do {
            entries.push_back(data);
        } while ((*error = files_.FindNextFile(handle, &data)) == 0);
        EXPECT_EQ(files_.FindClose(handle), 0u);
        return entries;
    }
    std::vector<std::string> Names(const std::string& pattern) {
        DWORD error = 0;
        std::vector<std::string> names;
        for (const FindData& entry : List(pattern, &error)) names.push_back(entry.name);
        if (error != kErrorNoMoreFiles) names.push_back("error " + std::to_string(error));
        return names;
    }
    mode_t Mode(const std::string& dos) {
        struct stat st {};
        ::stat(prefix_.UnixPath(dos).c_str(), &st);
        return st.st_mode & 07777;
    }
    std::vector<std::string> FolderEntries(const std::string& dos) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(prefix_.UnixPath(dos))) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    sl::testing::TempPrefix prefix_{false};
    WineFiles files_{prefix_.PrefixPath()};
};

TEST_F(WineFilesTest, SearchListsDotsFirstThenNamesWithoutCase) {
    prefix_.WriteFile("C:\\dir\\b.txt", "bb");
    prefix_.WriteFile("C:\\dir\\A.txt", "a");
    prefix_.WriteFile("C:\\dir\\c.TXT", "ccc");
    prefix_.WriteFile("C:\\dir\\noext", "");
    prefix_.MakeFolder("C:\\dir\\Sub");
    EXPECT_EQ(Names("C:\\dir\\*.*"),
              (std::vector<std::string>{".", "..", "A.txt", "b.txt", "c.TXT", "noext", "Sub"}));
    EXPECT_EQ(Names("C:\\DIR\\*.txt"), (std::vector<std::string>{"A.txt", "b.txt", "c.TXT"}));
    EXPECT_EQ(Names("c:/dir/?.TXT"), (std::vector<std::string>{"A.txt", "b.txt", "c.TXT"}));
}

TEST_F(WineFilesTest, SearchReportsAttributesAndSizes) {
    prefix_.WriteFile("C:\\dir\\data.bin", std::string(1000, 'x'));
    prefix_.WriteFile("C:\\dir\\.hidden", "h");
    prefix_.WriteFile("C:\\dir\\locked.ini", "r");
    fs::permissions(prefix_.UnixPath("C:\\dir\\locked.ini"), fs::perms::owner_read);
    prefix_.MakeFolder("C:\\dir\\Folder");
    DWORD error = 0;
    std::vector<FindData> entries = List("C:\\dir\\*", &error);
    EXPECT_EQ(error, kErrorNoMoreFiles);
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries[0].attributes, kFileAttributeDirectory);  // "."
    EXPECT_EQ(entries[2].name, ".hidden");
    EXPECT_EQ(entries[2].attributes, kFileAttributeHidden);
    EXPECT_EQ(entries[3].name, "data.bin");
    EXPECT_EQ(entries[3].attributes, kFileAttributeNormal);
    EXPECT_EQ(entries[3].size, 1000u);
    EXPECT_EQ(entries[4].name, "Folder");
    EXPECT_EQ(entries[4].attributes, kFileAttributeDirectory);
    EXPECT_EQ(entries[4].size, 0u);
    EXPECT_EQ(entries[5].attributes, kFileAttributeReadOnly);
}

TEST_F(WineFilesTest, LinkedFolderIsAFolderAndAReparsePoint) {
    prefix_.MakeFolder("C:\\users\\me");
    fs::create_directories(prefix_.Root() + "/home/Documents");
    fs::create_directory_symlink(prefix_.Root() + "/home/Documents",
                                 prefix_.UnixPath("C:\\users\\me\\Documents"));
    fs::create_symlink(prefix_.Root() + "/nowhere", prefix_.UnixPath("C:\\users\\me\\dangling"));
    DWORD error = 0;
    std::vector<FindData> entries = List("C:\\users\\me\\*.*", &error);
    ASSERT_EQ(entries.size(), 3u);  // the dangling link is not listed
    EXPECT_EQ(entries[2].name, "Documents");
    EXPECT_EQ(entries[2].attributes, kFileAttributeDirectory | kFileAttributeReparsePoint);
    DWORD attributes = 0;
    EXPECT_EQ(files_.GetFileAttributes("C:\\users\\me\\documents", &attributes), 0u);
    EXPECT_EQ(attributes, kFileAttributeDirectory | kFileAttributeReparsePoint);
}

TEST_F(WineFilesTest, SearchErrors) {
    prefix_.WriteFile("C:\\dir\\a.txt", "a");
    EXPECT_EQ(Names("C:\\dir\\*.doc"), (std::vector<std::string>{"error 2"}));
    EXPECT_EQ(Names("C:\\missing\\*.*"), (std::vector<std::string>{"error 3"}));
    EXPECT_EQ(Names("C:\\dir\\a.txt\\*.*"), (std::vector<std::string>{"error 3"}));
    EXPECT_EQ(Names("C:\\dir\\"), (std::vector<std::string>{"error 2"}));
    EXPECT_EQ(Names("Q:\\*.*"), (std::vector<std::string>{"error 3"}));
    FindData data;
    EXPECT_EQ(files_.FindNextFile(12345, &data), kErrorInvalidHandle);
    EXPECT_EQ(files_.FindClose(12345), kErrorInvalidHandle);
}

TEST_F(WineFilesTest, SearchForAPlainNameFindsThatEntry) {
    prefix_.WriteFile("C:\\dir\\WinAmp.ini", "a");
    prefix_.WriteFile("C:\\dir\\other.ini", "b");
    EXPECT_EQ(Names("C:\\dir\\winamp.INI"), (std::vector<std::string>{"WinAmp.ini"}));
    EXPECT_EQ(Names("C:\\dir\\none.ini"), (std::vector<std::string>{"error 2"}));
    EXPECT_EQ(Names("C:\\*.*"),
              (std::vector<std::string>{".", "..", "dir", "windows"}));
}

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

TEST_F(WineFilesTest, CreateDirectoryMakesOneFolder) {
    EXPECT_EQ(files_.CreateDirectory("C:\\New"), 0u);
    EXPECT_TRUE(fs::is_directory(prefix_.DriveC() + "/New"));
    EXPECT_EQ(files_.CreateDirectory("C:\\new\\"), kErrorAlreadyExists);
    prefix_.WriteFile("C:\\file", "x");
    EXPECT_EQ(files_.CreateDirectory("C:\\FILE"), kErrorAlreadyExists);
    EXPECT_EQ(files_.CreateDirectory("C:\\a\\b"), kErrorPathNotFound);
    EXPECT_EQ(files_.CreateDirectory("C:\\"), kErrorAlreadyExists);
}

TEST_F(WineFilesTest, FileAttributes) {
    prefix_.WriteFile("C:\\dir\\file.txt", "x");
    DWORD attributes = 0;
    EXPECT_EQ(files_.GetFileAttributes("C:\\", &attributes), 0u);
    EXPECT_EQ(attributes, kFileAttributeDirectory);
    EXPECT_EQ(files_.GetFileAttributes("c:\\DIR\\File.TXT", &attributes), 0u);
    EXPECT_EQ(attributes, kFileAttributeNormal);
    ::chmod(prefix_.UnixPath("C:\\dir\\file.txt").c_str(), 0444);
    EXPECT_EQ(files_.GetFileAttributes("C:\\dir\\file.txt", &attributes), 0u);
    EXPECT_EQ(attributes, kFileAttributeReadOnly);
    EXPECT_EQ(files_.GetFileAttributes("C:\\dir\\none.txt", &attributes), kErrorFileNotFound);
    EXPECT_EQ(files_.GetFileAttributes("C:\\none\\file.txt", &attributes), kErrorPathNotFound);
    EXPECT_EQ(files_.GetFileAttributes("C:\\dir\\file.txt\\x", &attributes), kErrorPathNotFound);
    EXPECT_EQ(files_.GetFileAttributes("\\\\server\\share", &attributes), kErrorPathNotFound);
}

TEST_F(WineFilesTest, WholeFileAccess) {
    FileHandle handle = 0;
    ASSERT_EQ(files_.OpenFile("C:\\data.dat", FileAccess::Write, &handle), 0u);
    EXPECT_EQ(files_.WriteFile(handle, "hello world", 11), 0u);
    std::uint64_t size = 0;
    EXPECT_EQ(files_.FileSize(handle, &size), 0u);
    EXPECT_EQ(size, 11u);
    EXPECT_EQ(files_.CloseFile(handle, true), 0u);
    EXPECT_EQ(files_.CloseFile(handle, true), kErrorInvalidHandle);

    ASSERT_EQ(files_.OpenFile("C:\\DATA.dat", FileAccess::Write, &handle), 0u);  // truncates
    EXPECT_EQ(files_.WriteFile(handle, "bye", 3), 0u);
    EXPECT_EQ(files_.CloseFile(handle, false), 0u);

    ASSERT_EQ(files_.OpenFile("C:\\data.dat", FileAccess::Read, &handle), 0u);
    char buffer[16] = {};
    std::size_t done = 0;
    EXPECT_EQ(files_.ReadFile(handle, buffer, sizeof buffer, &done), 0u);
    EXPECT_EQ(std::string(buffer, done), "bye");
    EXPECT_EQ(files_.ReadFile(handle, buffer, sizeof buffer, &done), 0u);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(files_.CloseFile(handle, false), 0u);

    EXPECT_EQ(files_.OpenFile("C:\\none.dat", FileAccess::Read, &handle), kErrorFileNotFound);
    EXPECT_EQ(files_.OpenFile("C:\\no\\x.dat", FileAccess::Write, &handle), kErrorPathNotFound);
    EXPECT_EQ(files_.OpenFile("C:\\windows", FileAccess::Read, &handle), kErrorAccessDenied);
}

// Names a folder from outside may hold instead of a plain file: a link to
// someone's file, a FIFO nobody writes to, a device, a second name of a file
// elsewhere. None is opened through, written through or waited on.
TEST_F(WineFilesTest, OnlyPlainFilesAreOpenedAndNothingWaits) {
    const std::string victim = prefix_.Root() + "/victim.txt";
    std::ofstream(victim) << "victim";
    prefix_.MakeFolder("C:\\d");
    const std::string d = prefix_.UnixPath("C:\\d");
    fs::create_symlink(victim, d + "/link.dat");
    fs::create_symlink("/dev/zero", d + "/zero.dat");
    ASSERT_EQ(::mkfifo((d + "/fifo.dat").c_str(), 0600), 0);
    fs::create_hard_link(victim, d + "/second.dat");
    fs::create_directory_symlink("/", prefix_.PrefixPath() + "/dosdevices/z:");
    auto ReadUnixFile = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    FileHandle handle = 0;
    for (FileAccess access : {FileAccess::Read, FileAccess::Write}) {
        EXPECT_EQ(files_.OpenFile("C:\\d\\link.dat", access, &handle), kErrorCantResolveFilename);
        EXPECT_EQ(files_.OpenFile("C:\\d\\zero.dat", access, &handle), kErrorCantResolveFilename);
        EXPECT_EQ(files_.OpenFile("C:\\d\\fifo.dat", access, &handle), kErrorCantAccessFile);
        EXPECT_EQ(files_.OpenFile("Z:\\dev\\null", access, &handle), kErrorCantAccessFile);
    }
    EXPECT_EQ(files_.OpenFile("C:\\d\\second.dat", FileAccess::Write, &handle), kErrorCantAccessFile);
    for (const char* name : {"link.dat", "fifo.dat", "second.dat"}) {
        EXPECT_EQ(files_.OpenFile(std::string("C:\\d\\") + name, FileAccess::CreateNew, &handle),
                  kErrorFileExists)
            << name;
    }
    EXPECT_EQ(ReadUnixFile(victim), "victim");

    // As the source of a copy each fails; as its target each is replaced
    // by a plain file and what it pointed to is left alone.
    prefix_.WriteFile("C:\\src.ini", "copied");
    for (const char* name : {"link.dat", "zero.dat", "fifo.dat"}) {
        const std::string from = std::string("C:\\d\\") + name;
        EXPECT_NE(files_.CopyFile(from, "C:\\out.ini"), 0u) << name;
        EXPECT_EQ(files_.CopyFile("C:\\src.ini", from), 0u) << name;
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(d + "/" + name))) << name;
        EXPECT_EQ(prefix_.ReadFile(from), "copied") << name;
    }
    EXPECT_FALSE(prefix_.Exists("C:\\out.ini"));
    EXPECT_EQ(ReadUnixFile(victim), "victim");
}

TEST_F(WineFilesTest, SecondOpenerIsRefusedInThisAndAnotherProcess) {
    prefix_.WriteFile("C:\\Stowlark.dat", "keep");
    FileHandle first = 0, second = 0;
    ASSERT_EQ(files_.OpenFile("C:\\Stowlark.dat", FileAccess::Read, &first), 0u);
    EXPECT_EQ(files_.OpenFile("C:\\Stowlark.dat", FileAccess::Read, &second),
              kErrorSharingViolation);
    // A writer is refused before it truncates anything.
    EXPECT_EQ(files_.OpenFile("C:\\Stowlark.dat", FileAccess::Write, &second),
              kErrorSharingViolation);
    EXPECT_EQ(prefix_.ReadFile("C:\\Stowlark.dat"), "keep");

    int status = 0;
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        WineFiles other(prefix_.PrefixPath());
        FileHandle handle = 0;
        _exit(static_cast<int>(other.OpenFile("C:\\Stowlark.dat", FileAccess::Read, &handle)));
    }
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(static_cast<DWORD>(WEXITSTATUS(status)), kErrorSharingViolation);

    EXPECT_EQ(files_.CloseFile(first, false), 0u);
    EXPECT_EQ(files_.OpenFile("C:\\Stowlark.dat", FileAccess::Read, &second), 0u);
    EXPECT_EQ(files_.CloseFile(second, false), 0u);
}

TEST_F(WineFilesTest, MoveAndDelete) {
    prefix_.WriteFile("C:\\a.tmp", "new");
    prefix_.WriteFile("C:\\a.dat", "old");
    EXPECT_EQ(files_.MoveFileReplace("C:\\A.TMP", "C:\\a.dat"), 0u);
    EXPECT_EQ(prefix_.ReadFile("C:\\a.dat"), "new");
    EXPECT_FALSE(prefix_.Exists("C:\\a.tmp"));
    EXPECT_EQ(files_.MoveFileReplace("C:\\a.tmp", "C:\\a.dat"), kErrorFileNotFound);
    EXPECT_EQ(files_.MoveFileReplace("C:\\a.dat", "C:\\windows"), kErrorAccessDenied);

    EXPECT_EQ(files_.DeleteFile("C:\\a.dat"), 0u);
    EXPECT_FALSE(prefix_.Exists("C:\\a.dat"));
    EXPECT_EQ(files_.DeleteFile("C:\\a.dat"), kErrorFileNotFound);
    EXPECT_EQ(files_.DeleteFile("C:\\no\\a.dat"), kErrorPathNotFound);
    EXPECT_EQ(files_.DeleteFile("C:\\windows"), kErrorAccessDenied);
}

TEST(ErrnoTest, MapsToWin32Numbers) {
    EXPECT_EQ(ErrnoToWin32(ENOENT), kErrorFileNotFound);
    EXPECT_EQ(ErrnoToWin32(ENOTDIR), kErrorPathNotFound);
    EXPECT_EQ(ErrnoToWin32(EACCES), kErrorAccessDenied);
    EXPECT_EQ(ErrnoToWin32(EROFS), kErrorAccessDenied);
    EXPECT_EQ(ErrnoToWin32(EWOULDBLOCK), kErrorSharingViolation);
    EXPECT_EQ(ErrnoToWin32(ENOSPC), kErrorDiskFull);
    EXPECT_EQ(ErrnoToWin32(EDQUOT), kErrorDiskFull);
    EXPECT_EQ(ErrnoToWin32(EEXIST), kErrorAlreadyExists);
}

}  // namespace
}  // namespace sl::platform::wine
