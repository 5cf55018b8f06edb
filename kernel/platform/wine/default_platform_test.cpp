// The platform the kernel uses follows WINEPREFIX between calls, while a
// platform installed on purpose (tests, the command line's read-only
// wrapper) stays whatever the environment says.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "kernel/platform/offline/machine/offline_platform.h"
#include "kernel/platform/platform.h"
#include "kernel/platform/wine/wine_platform.h"

namespace sl::platform {
namespace {

std::string CurrentPrefix() {
    auto* wine = dynamic_cast<wine::WinePlatform*>(&Current());
    return wine != nullptr ? wine->PrefixPath() : "(not the Wine backend)";
}

TEST(DefaultPlatform, IsMadeAnewWhenWinePrefixChanges) {
    Install(nullptr);
    ::setenv("WINEPREFIX", "/tmp/sl-machine-a", 1);
    Platform& first = Current();
    EXPECT_EQ(CurrentPrefix(), "/tmp/sl-machine-a");
    EXPECT_EQ(&Current(), &first);  // unchanged: the same backend
    ::setenv("WINEPREFIX", "/tmp/sl-machine-b", 1);
    EXPECT_EQ(CurrentPrefix(), "/tmp/sl-machine-b");
    // The replaced backend is still usable by whoever holds it.
    EXPECT_EQ(first.GetWindowsDirectory(), "C:\\windows");

    auto installed = std::make_shared<wine::WinePlatform>("/tmp/sl-machine-c");
    Install(installed);
    ::setenv("WINEPREFIX", "/tmp/sl-machine-d", 1);
    EXPECT_EQ(&Current(), installed.get());
    Install(nullptr);
    EXPECT_EQ(CurrentPrefix(), "/tmp/sl-machine-d");
    ::unsetenv("WINEPREFIX");
    Install(nullptr);
}

// A program names a Windows disk (and a profile) through the environment;
// the default machine follows it, and goes back to the prefix when the disk
// is no longer named.
TEST(DefaultPlatform, IsTheWindowsDiskWhileOneIsNamed) {
    Install(nullptr);
    ::setenv("WINEPREFIX", "/tmp/sl-machine-a", 1);
    ::setenv(kWindowsDiskVariable, "/tmp/sl-no-such-disk", 1);
    ::setenv(kWindowsUserVariable, "bob", 1);
    auto* disk = dynamic_cast<offline::OfflinePlatform*>(&Current());
    ASSERT_NE(disk, nullptr);
    EXPECT_NE(disk->problem(), "");  // no disk there: said, not crashed
    ::setenv(kWindowsUserVariable, "eve", 1);
    EXPECT_NE(&Current(), static_cast<Platform*>(disk));  // another profile: another machine
    ::unsetenv(kWindowsDiskVariable);
    ::unsetenv(kWindowsUserVariable);
    EXPECT_EQ(CurrentPrefix(), "/tmp/sl-machine-a");
    ::unsetenv("WINEPREFIX");
    Install(nullptr);
}

}  // namespace
}  // namespace sl::platform
