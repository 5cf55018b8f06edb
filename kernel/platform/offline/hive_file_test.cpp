#include "kernel/platform/offline/hive_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "kernel/testing/offline/windows_layouts.h"

namespace sl::platform::offline {
namespace {

using sl::testing::offline::PutFile;
using sl::testing::offline::TempFolder;

// What a library opening the reopen path by name sees is the file that was
// checked, even when the path has been swapped for a link since.
TEST(HiveFileTest, TheReopenPathStaysOnTheCheckedFile) {
    TempFolder folder;
    std::string error;
    ASSERT_TRUE(PutFile(folder.path(), "hive", "checked", &error)) << error;
    ASSERT_TRUE(PutFile(folder.path(), "secret", "elsewhere", &error)) << error;
    HiveFile file;
    std::string message;
    ASSERT_EQ(file.Open(-1, folder.path() + "/hive", "hive", &message), 0u) << message;
    EXPECT_EQ(file.size(), 7u);

    std::string hive = folder.path() + "/hive";
    ASSERT_EQ(std::remove(hive.c_str()), 0);
    ASSERT_EQ(::symlink((folder.path() + "/secret").c_str(), hive.c_str()), 0);
    std::ifstream in(file.ReopenPath(), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), "checked");

    char buffer[4] = {};
    EXPECT_TRUE(file.ReadAt(3, buffer, 4));
    EXPECT_EQ(std::string(buffer, 4), "cked");
    EXPECT_FALSE(file.ReadAt(4, buffer, 4));  // past the end
    EXPECT_FALSE(file.ReadAt(~0ull, buffer, 1));
}

}  // namespace
}  // namespace sl::platform::offline
