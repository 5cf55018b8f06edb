// The Win32 backend's searches, copies, folders and attributes against real
// folders (under Wine in the Windows build's tests).
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "kernel/platform/win32/testing/scratch_folder.h"
#include "kernel/platform/win32/win32_platform.h"
#include "kernel/platform/win32/windows_api.h"

namespace sl::platform::win32 {
namespace {

using testing::ReadText;
using testing::ScratchFolder;
using testing::WriteText;

class Win32FilesTest : public ::testing::Test {
protected:
    // Every name a search for pattern lists, and the error that ended it.
    std::set<std::string> Find(const std::string& pattern, DWORD* error = nullptr) {
        std::set<std::string> names;
        FindHandle handle = 0;
        FindData data;
        DWORD rc = platform_.FindFirstFile(pattern, &handle, &data);
        while (rc == kErrorSuccess) {
            names.insert(data.name);
            found_[data.name] = data;
            rc = platform_.FindNextFile(handle, &data);
        }
        if (handle != 0) {
            EXPECT_EQ(0u, platform_.FindClose(handle));
        }
        if (error) *error = rc;
        return names;
    }

    Win32Platform platform_;
    ScratchFolder folder_;
    std::map<std::string, FindData> found_;
};

TEST_F(Win32FilesTest, SearchesMatchWildcardsWithoutRegardToCaseAndHideTemporaries) {
    ASSERT_TRUE(WriteText(folder_ / "alpha.txt", "12345"));
    ASSERT_TRUE(WriteText(folder_ / "Beta.TXT", ""));
    ASSERT_TRUE(WriteText(folder_ / "gamma.ini", ""));
    ASSERT_TRUE(WriteText(folder_ / "noext", ""));
    ASSERT_TRUE(WriteText(folder_ / ".sl-tmp-alpha.txt-abcdef", "stale"));
    ASSERT_EQ(0u, platform_.CreateDirectory(folder_ / "sub"));

    DWORD end = 0;
    EXPECT_EQ((std::set<std::string>{"alpha.txt", "Beta.TXT"}), Find(folder_ / "*.txt", &end));
    EXPECT_EQ(18u, end);
    EXPECT_EQ(5u, found_["alpha.txt"].size);
    EXPECT_EQ((std::set<std::string>{".", "..", "alpha.txt", "Beta.TXT", "gamma.ini", "noext", "sub"}),
              Find(folder_ / "*.*"));
    EXPECT_TRUE(found_["sub"].attributes & kFileAttributeDirectory);
    EXPECT_FALSE(found_["noext"].attributes & kFileAttributeDirectory);
    EXPECT_EQ((std::set<std::string>{"gamma.ini"}), Find(folder_ / "?AMMA.*"));
    EXPECT_EQ((std::set<std::string>{"Beta.TXT"}), Find(folder_ / "beta.txt"));

    // A search that only a temporary would match finds nothing.
    EXPECT_TRUE(Find(folder_ / ".sl-tmp-*", &end).empty());
    EXPECT_EQ(2u, end);
    EXPECT_TRUE(Find(folder_ / "nothing*", &end).empty());
    EXPECT_EQ(2u, end);
    EXPECT_TRUE(Find(folder_ / "missing\\*", &end).empty());
    EXPECT_EQ(3u, end);

    FindData data;
    EXPECT_EQ(6u, platform_.FindNextFile(0, &data));
    EXPECT_EQ(6u, platform_.FindClose(0));
}

TEST_F(Win32FilesTest, CopyReplacesTheTargetWholeAndLeavesNoTemporary) {
    ASSERT_TRUE(WriteText(folder_ / "source.ini", "new"));
    ASSERT_TRUE(WriteText(folder_ / "target.ini", "the old, longer content"));
    ASSERT_TRUE(WriteText(folder_ / ".sl-tmp-target.ini-zzzzzz", "left by a killed copy"));

    EXPECT_EQ(0u, platform_.CopyFile(folder_ / "source.ini", folder_ / "target.ini"));
    EXPECT_EQ("new", ReadText(folder_ / "target.ini"));
    EXPECT_EQ("new", ReadText(folder_ / "source.ini"));
    // The stale temporary is swept, and the copy left none of its own.
    WIN32_FIND_DATAA found;
    EXPECT_EQ(INVALID_HANDLE_VALUE, ::FindFirstFileA((folder_ / ".sl-tmp-*").c_str(), &found));

    // A new target; a read-only source gives a copy that can be replaced later.
    ASSERT_TRUE(::SetFileAttributesA((folder_ / "source.ini").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(0u, platform_.CopyFile(folder_ / "source.ini", folder_ / "fresh.ini"));
    DWORD attributes = 0;
    ASSERT_EQ(0u, platform_.GetFileAttributes(folder_ / "fresh.ini", &attributes));
    EXPECT_FALSE(attributes & kFileAttributeReadOnly);
    EXPECT_EQ(0u, platform_.CopyFile(folder_ / "target.ini", folder_ / "fresh.ini"));
}

TEST_F(Win32FilesTest, CopyFailuresKeepTheOldTarget) {
    ASSERT_TRUE(WriteText(folder_ / "source.ini", "new"));
    ASSERT_TRUE(WriteText(folder_ / "locked.ini", "old"));
    ASSERT_TRUE(::SetFileAttributesA((folder_ / "locked.ini").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(5u, platform_.CopyFile(folder_ / "source.ini", folder_ / "locked.ini"));
    EXPECT_EQ("old", ReadText(folder_ / "locked.ini"));

    ASSERT_EQ(0u, platform_.CreateDirectory(folder_ / "dir"));
    EXPECT_EQ(5u, platform_.CopyFile(folder_ / "source.ini", folder_ / "dir"));
    EXPECT_EQ(5u, platform_.CopyFile(folder_ / "dir", folder_ / "copy.ini"));
    EXPECT_EQ(2u, platform_.CopyFile(folder_ / "absent.ini", folder_ / "copy.ini"));
    EXPECT_EQ(3u, platform_.CopyFile(folder_ / "source.ini", folder_ / "no\\copy.ini"));

    // A source open without sharing elsewhere.
    HANDLE held = ::CreateFileA((folder_ / "source.ini").c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(32u, platform_.CopyFile(folder_ / "source.ini", folder_ / "copy.ini"));
    ::CloseHandle(held);
    EXPECT_EQ("<missing>", ReadText(folder_ / "copy.ini"));
}

TEST_F(Win32FilesTest, FoldersAndAttributes) {
    EXPECT_EQ(0u, platform_.CreateDirectory(folder_ / "a"));
    EXPECT_EQ(183u, platform_.CreateDirectory(folder_ / "a"));
    EXPECT_EQ(3u, platform_.CreateDirectory(folder_ / "b\\c"));
    ASSERT_TRUE(WriteText(folder_ / "a\\file", "x"));
    EXPECT_EQ(183u, platform_.CreateDirectory(folder_ / "a\\file"));

    DWORD attributes = 0;
    ASSERT_EQ(0u, platform_.GetFileAttributes(folder_ / "a", &attributes));
    EXPECT_TRUE(attributes & kFileAttributeDirectory);
    ASSERT_EQ(0u, platform_.GetFileAttributes(folder_ / "a\\file", &attributes));
    EXPECT_FALSE(attributes & kFileAttributeDirectory);
    EXPECT_EQ(2u, platform_.GetFileAttributes(folder_ / "a\\none", &attributes));
    EXPECT_EQ(3u, platform_.GetFileAttributes(folder_ / "none\\none", &attributes));

    const std::string windows = platform_.GetWindowsDirectory();
    const std::string system = platform_.GetSystemDirectory();
    ASSERT_FALSE(windows.empty());
    EXPECT_EQ(windows + "\\", system.substr(0, windows.size() + 1));
    for (const std::string& path : {windows, system}) {
        ASSERT_EQ(0u, platform_.GetFileAttributes(path, &attributes)) << path;
        EXPECT_TRUE(attributes & kFileAttributeDirectory) << path;
    }
}

}  // namespace
}  // namespace sl::platform::win32
