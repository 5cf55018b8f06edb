#include "kernel/platform/posix/errno_win32.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace sl::platform::posix {
namespace {

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
}  // namespace sl::platform::posix
