// Against a real wineserver (needs Debian's wine packages).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "kernel/platform/wine/server/wineserver.h"
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

// A server with a private /tmp, as Flatpak runs it: the host sees that /tmp
// below $XDG_RUNTIME_DIR/.flatpak/<app-id>/tmp. Needs a private mount
// namespace (root, or unprivileged user namespaces).
TEST(WineServerWineTest, SeesASandboxedServer) {
    if (::system("command -v wineserver >/dev/null 2>&1") != 0) GTEST_SKIP() << "no wineserver";
    // Neither the prefix nor the runtime folder may live in the /tmp the sandbox hides.
    char base[] = "/var/tmp/sl-sandbox-XXXXXX";
    ASSERT_NE(::mkdtemp(base), nullptr);
    const std::string prefix = std::string(base) + "/prefix";
    const std::string tmp = std::string(base) + "/run/.flatpak/org.example.Wine/tmp";
    ASSERT_EQ(::system(("mkdir -p '" + prefix + "' '" + tmp + "'").c_str()), 0);
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string savedRuntime = saved ? saved : "";
    ::setenv("XDG_RUNTIME_DIR", (std::string(base) + "/run").c_str(), 1);
    auto inSandbox = [&](const std::string& command) {
        return ::system(("WINEPREFIX='" + prefix + "' unshare -m sh -c \"mount --bind '" + tmp +
                         "' /tmp && " + command + "\" >/dev/null 2>&1")
                            .c_str());
    };
    if (inSandbox("true") != 0) {
        ::system(("rm -rf '" + std::string(base) + "'").c_str());
        GTEST_SKIP() << "no private mount namespace here";
    }
    EXPECT_FALSE(IsWineServerRunning(prefix));
    ASSERT_EQ(inSandbox("wineserver -p30"), 0);
    EXPECT_TRUE(WaitFor(true, prefix));
    inSandbox("wineserver -k; wineserver -w");
    EXPECT_TRUE(WaitFor(false, prefix));
    if (saved) {
        ::setenv("XDG_RUNTIME_DIR", savedRuntime.c_str(), 1);
    } else {
        ::unsetenv("XDG_RUNTIME_DIR");
    }
    ::system(("rm -rf '" + std::string(base) + "'").c_str());
}

}  // namespace
}  // namespace sl::platform::wine
