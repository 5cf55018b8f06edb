// Against a real wineserver (needs Debian's wine packages).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "kernel/platform/wine/wineserver.h"
#include "kernel/testing/temp_prefix.h"

namespace sl::platform::wine {
namespace {

bool WaitFor(bool expected, const std::string& prefix) {
    for (int i = 0; i < 100; ++i) {
        if (IsWineServerRunning(prefix) == expected) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

TEST(WineServerWineTest, SeesARealServerComeAndGo) {
    if (::system("command -v wineserver >/dev/null 2>&1") != 0) GTEST_SKIP() << "no wineserver";
    sl::testing::TempPrefix prefix(false);
    std::string env = "WINEPREFIX='" + prefix.PrefixPath() + "' ";
    EXPECT_FALSE(IsWineServerRunning(prefix.PrefixPath()));
    // A persistent server for 30 s at most, killed below.
    ASSERT_EQ(::system((env + "wineserver -p30").c_str()), 0);
    EXPECT_TRUE(WaitFor(true, prefix.PrefixPath()));
    ::system((env + "wineserver -k").c_str());
    ::system((env + "wineserver -w").c_str());
    EXPECT_TRUE(WaitFor(false, prefix.PrefixPath()));
}

}  // namespace
}  // namespace sl::platform::wine
