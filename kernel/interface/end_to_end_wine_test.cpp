// Interoperability with real Wine: settings that Wine itself wrote (wineboot,
// reg add) are backed up from one Wine-made prefix and restored into another,
// where Wine's own reg query then shows them.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "kernel/interface/e2e_test_support.h"
#include "kernel/interface/stowlark_kernel.h"
#include "kernel/platform/platform.h"
#include "kernel/platform/wine/wine_platform.h"

namespace sl {
namespace {

namespace fs = std::filesystem;

// Single-quotes a text for the shell.
std::string Quote(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out.push_back(c);
        }
    }
    return out + "'";
}

// Runs a shell command; returns its exit status and standard output.
int Shell(const std::string& command, std::string* output = nullptr) {
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return -1;
    std::array<char, 4096> buffer;
    std::string text;
    while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) text.append(buffer.data(), n);
    int status = ::pclose(pipe);
    if (output) *output = text;
    return status;
}

// Debian installs the 64-bit loader outside the PATH; "wine" finds it.
std::string WineLoader() {
    if (Shell("command -v wine64 >/dev/null") == 0) return "wine64";
    if (fs::exists("/usr/lib/wine/wine64")) return "/usr/lib/wine/wine64";
    return "wine";
}

std::string InPrefix(const std::string& prefix, const std::string& command) {
    return "WINEPREFIX=" + Quote(prefix) + " WINEDEBUG=-all " + command;
}

int Wine(const std::string& prefix, const std::string& arguments, std::string* output = nullptr) {
    return Shell(InPrefix(prefix, WineLoader() + " " + arguments), output);
}

// Waits until the prefix's wineserver has saved the registry and gone.
void WaitForServer(const std::string& prefix) { Shell(InPrefix(prefix, "wineserver -w")); }

int RegAdd(const std::string& prefix, const std::string& key, const std::string& name,
           const std::string& type, const std::string& data) {
    return Wine(prefix, "reg add " + Quote(key) + " /v " + Quote(name) + " /t " + type + " /d " +
                            Quote(data) + " /f");
}

void WriteUnix(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

class EndToEndWineTest : public ::testing::Test {
protected:
    // One wineboot per run; every test works on copies of its prefix.
    static void SetUpTestSuite() {
        std::string base = fs::temp_directory_path().string() + "/sl-wine-XXXXXX";
        if (::mkdtemp(base.data()) == nullptr) return;
        root_ = base;
        const std::string prefix = root_ + "/booted";
        int status = Shell(InPrefix(prefix, "wineboot -i"));
        WaitForServer(prefix);
        booted_ = status == 0 && fs::exists(prefix + "/system.reg") &&
                  fs::exists(prefix + "/user.reg");
    }
    static void TearDownTestSuite() {
        std::error_code ignored;
        if (!root_.empty()) fs::remove_all(root_, ignored);
    }

    void SetUp() override {
        if (!booted_) GTEST_SKIP() << "wineboot failed; no Wine prefix to test with";
        for (const char* name : {"a", "b"}) {
            fs::remove_all(root_ + "/" + name);
            ASSERT_EQ(Shell("cp -a " + Quote(root_ + "/booted") + " " + Quote(root_ + "/" + name)),
                      0);
        }
        fs::create_directories(root_ + "/log");
        fs::remove_all(root_ + "/backup");
        fs::create_directories(root_ + "/backup");
    }

    // The real Wine backend on a prefix, as the current platform.
    std::shared_ptr<platform::Platform> UsePrefix(const std::string& prefix) {
        platform::wine::WinePlatformOptions options;
        options.logFolder = root_ + "/log";
        options.fallbackLogFolder = root_ + "/log";
        return platform::Install(
            std::make_shared<platform::wine::WinePlatform>(prefix, std::move(options)));
    }

    static inline std::string root_;
    static inline bool booted_ = false;
};

TEST_F(EndToEndWineTest, SettingsWineWroteTravelToAnotherWinePrefix) {
    const std::string a = root_ + "/a";
    const std::string b = root_ + "/b";
    const std::string uninstall =
        "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Winamp";

    // Machine A: WinAmp, FTP Explorer and Word settings, written by Wine.
    ASSERT_EQ(RegAdd(a, uninstall, "UninstallString", "REG_SZ",
                     "C:\\Program Files\\Winamp\\UNINSTWA.EXE"),
              0);
    ASSERT_EQ(RegAdd(a, "HKCU\\Software\\Winamp", "Language", "REG_DWORD", "1033"), 0);
    ASSERT_EQ(RegAdd(a, "HKCU\\Software\\FTP Explorer", "Passive Mode", "REG_DWORD", "1"), 0);
    ASSERT_EQ(RegAdd(a, "HKCU\\Software\\FTP Explorer\\Profiles\\Demo Site", "Host", "REG_SZ",
                     "ftp.example.org"),
              0);
    ASSERT_EQ(RegAdd(a, "HKCU\\Software\\Microsoft\\Office\\8.0\\Word\\Options",
                     "BackgroundSave", "REG_SZ", "1"),
              0);
    ASSERT_EQ(RegAdd(a, "HKCU\\Software\\Microsoft\\Office\\8.0\\Common\\UserInfo", "UserName",
                     "REG_SZ", "Wine User"),
              0);
    WaitForServer(a);
    const std::string winampA = a + "/drive_c/Program Files/Winamp";
    WriteUnix(winampA + "/winamp.ini", "[Winamp]\r\nvolume=180\r\n");
    WriteUnix(winampA + "/Skins/Wine Skin/main.bmp", std::string("BM\0\x01\xff", 5));

    // Machine B: WinAmp elsewhere, and none of the other settings.
    ASSERT_EQ(RegAdd(b, uninstall, "UninstallString", "REG_SZ", "C:\\Apps\\Winamp\\UNINSTWA.EXE"),
              0);
    WaitForServer(b);
    WriteUnix(b + "/drive_c/Apps/Winamp/winamp.ini", "[Winamp]\r\nvolume=5\r\n");

    const std::string ids = "'52','53','58','59','10'";
    const std::string folder = testing::ZPath(root_ + "/backup");
    std::string bad = "unset";
    auto previous = UsePrefix(a);
    EXPECT_EQ(SL_RunInstructions(ids.c_str(), folder.c_str(), 1, bad, nullptr), 1);
    EXPECT_EQ(bad, "");
    UsePrefix(b);
    EXPECT_EQ(SL_RunInstructions(ids.c_str(), folder.c_str(), 0, bad, nullptr), 1);
    EXPECT_EQ(bad, "");
    platform::Install(previous);

    std::string out;
    EXPECT_EQ(Wine(b, "reg query " + Quote("HKCU\\Software\\FTP Explorer\\Profiles\\Demo Site") +
                          " /v Host",
                   &out),
              0);
    EXPECT_NE(out.find("ftp.example.org"), std::string::npos) << out;
    EXPECT_EQ(Wine(b, "reg query " + Quote("HKCU\\Software\\FTP Explorer") + " /v " +
                          Quote("Passive Mode"),
                   &out),
              0);
    EXPECT_NE(out.find("0x1"), std::string::npos) << out;
    EXPECT_EQ(Wine(b, "reg query " + Quote("HKCU\\Software\\Winamp") + " /v Language", &out), 0);
    EXPECT_NE(out.find("0x409"), std::string::npos) << out;
    EXPECT_EQ(Wine(b, "reg query " + Quote("HKCU\\Software\\Microsoft\\Office\\8.0\\Common\\UserInfo") +
                          " /v UserName",
                   &out),
              0);
    EXPECT_NE(out.find("Wine User"), std::string::npos) << out;
    // B's own folder value stayed, and the files went below it.
    EXPECT_EQ(Wine(b, "reg query " + Quote(uninstall) + " /v UninstallString", &out), 0);
    EXPECT_NE(out.find("C:\\Apps\\Winamp\\UNINSTWA.EXE"), std::string::npos) << out;
    WaitForServer(b);
    EXPECT_EQ(testing::ReadUnix(b + "/drive_c/Apps/Winamp/winamp.ini"),
              "[Winamp]\r\nvolume=180\r\n");
    // A folder the script names is created as the script writes it (upper
    // case); Wine finds it whatever the case.
    EXPECT_EQ(testing::ReadUnix(b + "/drive_c/Apps/Winamp/SKINS/Wine Skin/main.bmp"),
              std::string("BM\0\x01\xff", 5));
}

}  // namespace
}  // namespace sl
