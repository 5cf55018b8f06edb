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

}  // namespace
}  // namespace sl::platform::wine
