// The Win32 backend's whole-file access, renames, deletions and folder locks
// against real files (under Wine in the Windows build's tests).
#include <gtest/gtest.h>

#include <string>

#include "kernel/platform/win32/testing/scratch_folder.h"
#include "kernel/platform/win32/win32_platform.h"
#include "kernel/platform/win32/windows_api.h"

namespace sl::platform::win32 {
namespace {

using testing::ReadText;
using testing::ScratchFolder;
using testing::WriteText;

class Win32FileHandlesTest : public ::testing::Test {
protected:
    Win32Platform platform_;
    ScratchFolder folder_;
};

TEST_F(Win32FileHandlesTest, FilesAreOpenedExclusivelyWrittenAndReadBack) {
    const std::string path = folder_ / "Stowlark.dat";
    ASSERT_TRUE(WriteText(path, "a longer old content"));
    FileHandle file = 0;
    ASSERT_EQ(0u, platform_.OpenFile(path, FileAccess::Write, &file));
    FileHandle second = 0;
    EXPECT_EQ(32u, platform_.OpenFile(path, FileAccess::Read, &second));
    EXPECT_EQ(0u, platform_.WriteFile(file, "fresh", 5));
    EXPECT_EQ(0u, platform_.CloseFile(file, true));
    EXPECT_EQ("fresh", ReadText(path));  // truncated, then written

    ASSERT_EQ(0u, platform_.OpenFile(path, FileAccess::Read, &file));
    std::uint64_t size = 0;
    EXPECT_EQ(0u, platform_.FileSize(file, &size));
    EXPECT_EQ(5u, size);
    char buffer[16] = {};
    std::size_t done = 0;
    EXPECT_EQ(0u, platform_.ReadFile(file, buffer, sizeof buffer, &done));
    EXPECT_EQ(5u, done);  // short only at the end
    EXPECT_EQ("fresh", std::string(buffer, done));
    EXPECT_EQ(0u, platform_.CloseFile(file, false));

    EXPECT_EQ(80u, platform_.OpenFile(path, FileAccess::CreateNew, &file));
    EXPECT_EQ(2u, platform_.OpenFile(folder_ / "absent", FileAccess::Read, &file));
    EXPECT_EQ(3u, platform_.OpenFile(folder_ / "no\\absent", FileAccess::Write, &file));
    EXPECT_EQ(5u, platform_.OpenFile(folder_.path(), FileAccess::Read, &file));
    ASSERT_EQ(0u, platform_.OpenFile(folder_ / "new.bin", FileAccess::CreateNew, &file));
    EXPECT_EQ(0u, platform_.CloseFile(file, true));
    EXPECT_EQ(6u, platform_.CloseFile(0, false));
}

TEST_F(Win32FileHandlesTest, RenamesReplaceAndDeletionsReportWhatIsMissing) {
    ASSERT_TRUE(WriteText(folder_ / "new.tmp", "new"));
    ASSERT_TRUE(WriteText(folder_ / "file", "old"));
    EXPECT_EQ(0u, platform_.MoveFileReplace(folder_ / "new.tmp", folder_ / "file"));
    EXPECT_EQ("new", ReadText(folder_ / "file"));
    EXPECT_EQ("<missing>", ReadText(folder_ / "new.tmp"));
    EXPECT_EQ(2u, platform_.MoveFileReplace(folder_ / "new.tmp", folder_ / "file"));

    EXPECT_EQ(0u, platform_.DeleteFile(folder_ / "file"));
    EXPECT_EQ(2u, platform_.DeleteFile(folder_ / "file"));
    EXPECT_EQ(3u, platform_.DeleteFile(folder_ / "no\\file"));
    ASSERT_EQ(0u, platform_.CreateDirectory(folder_ / "dir"));
    EXPECT_EQ(5u, platform_.DeleteFile(folder_ / "dir"));
}

TEST_F(Win32FileHandlesTest, AFolderLockShutsOutOtherLockersButNotTheWorkInside) {
    FileHandle lock = 0;
    ASSERT_EQ(0u, platform_.LockFolder(folder_.path(), &lock));
    EXPECT_NE(0u, lock);
    FileHandle other = 0;
    EXPECT_EQ(32u, platform_.LockFolder(folder_.path(), &other));
    EXPECT_EQ(32u, Win32Platform().LockFolder(folder_.path(), &other));
    EXPECT_EQ(0u, other);

    // Files inside are made, searched, renamed and removed meanwhile.
    FileHandle file = 0;
    ASSERT_EQ(0u, platform_.OpenFile(folder_ / "a", FileAccess::CreateNew, &file));
    EXPECT_EQ(0u, platform_.CloseFile(file, true));
    EXPECT_EQ(0u, platform_.MoveFileReplace(folder_ / "a", folder_ / "b"));
    FindHandle search = 0;
    FindData data;
    EXPECT_EQ(0u, platform_.FindFirstFile(folder_ / "b", &search, &data));
    EXPECT_EQ(0u, platform_.FindClose(search));
    EXPECT_EQ(0u, platform_.DeleteFile(folder_ / "b"));

    EXPECT_EQ(0u, platform_.UnlockFolder(lock));
    ASSERT_EQ(0u, platform_.LockFolder(folder_.path(), &other));
    EXPECT_EQ(0u, platform_.UnlockFolder(other));
    EXPECT_EQ(6u, platform_.UnlockFolder(0));

    EXPECT_EQ(3u, platform_.LockFolder(folder_ / "missing", &lock));
    ASSERT_TRUE(WriteText(folder_ / "file", ""));
    EXPECT_EQ(3u, platform_.LockFolder(folder_ / "file", &lock));
    EXPECT_EQ(0u, lock);
}

// Another process holds the lock; once that process is killed, the lock is
// free again (nothing is left behind to refuse later runs).
TEST_F(Win32FileHandlesTest, AFolderLockOfAnotherProcessGoesWithThatProcess) {
    HANDLE locked = ::CreateEventA(nullptr, TRUE, FALSE, "Local\\StowlarkProbeLocked");
    ASSERT_NE(nullptr, locked);
    ::ResetEvent(locked);
    char system[MAX_PATH] = {};
    ASSERT_NE(0u, ::GetSystemDirectoryA(system, MAX_PATH));
    std::string command = std::string(system) + "\\rundll32.exe " SL_PROBE_DLL
                          ",SL_ProbeHoldFolderLock " + folder_.path();
    // Started in this program's folder, where the probe DLL and the runtime
    // DLLs are.
    char program[MAX_PATH] = {};
    ASSERT_NE(0u, ::GetModuleFileNameA(nullptr, program, MAX_PATH));
    std::string here(program);
    here.resize(here.find_last_of('\\'));
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    ASSERT_TRUE(::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 here.c_str(), &startup, &child));
    const bool holding = ::WaitForSingleObject(locked, 30000) == WAIT_OBJECT_0;
    FileHandle lock = 0;
    if (holding) {
        EXPECT_EQ(32u, platform_.LockFolder(folder_.path(), &lock));
    }
    ::TerminateProcess(child.hProcess, 1);
    ::WaitForSingleObject(child.hProcess, 30000);
    ::CloseHandle(child.hThread);
    ::CloseHandle(child.hProcess);
    ::CloseHandle(locked);
    ASSERT_TRUE(holding) << "the other process never took the lock";
    ASSERT_EQ(0u, platform_.LockFolder(folder_.path(), &lock));
    EXPECT_EQ(0u, platform_.UnlockFolder(lock));
}

}  // namespace
}  // namespace sl::platform::win32
