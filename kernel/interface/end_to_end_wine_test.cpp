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
#include "kernel/testing/wine_runner.h"

namespace sl {
namespace {

namespace fs = std::filesystem;
using testing::RegAdd;
using testing::Shell;
using testing::Wine;
using testing::WaitForServer;
const auto& Quote = testing::ShellQuote;

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
        booted_ = testing::BootPrefix(root_ + "/booted");
    }
    static void TearDownTestSuite() {
        std::error_code ignored;
        if (!root_.empty()) fs::remove_all(root_, ignored);
    }

    void SetUp() override {
        if (!booted_) GTEST_SKIP() << "wineboot failed; no Wine prefix to test with";
        for (const char* name : {"a", "b"}) {
            ASSERT_TRUE(testing::CopyPrefix(root_ + "/booted", root_ + "/" + name));
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

    // Backs ids up from the prefix in use into the backup folder, restores
    // them into prefix to (each run succeeding without bad IDs), then
    // installs previous again.
    void CarryOver(const std::string& ids, std::shared_ptr<platform::Platform> previous,
                   const std::string& to) {
        const std::string folder = testing::ZPath(root_ + "/backup");
        std::string bad = "unset";
        EXPECT_EQ(SL_RunInstructions(ids.c_str(), folder.c_str(), 1, bad, nullptr), 1);
        EXPECT_EQ(bad, "");
        UsePrefix(to);
        EXPECT_EQ(SL_RunInstructions(ids.c_str(), folder.c_str(), 0, bad, nullptr), 1);
        EXPECT_EQ(bad, "");
        platform::Install(previous);
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
    // WinAmp's installer is a 32-bit program: its entry goes to the 32-bit view.
    ASSERT_EQ(RegAdd(a, uninstall, "UninstallString", "REG_SZ",
                     "C:\\Program Files\\Winamp\\UNINSTWA.EXE", "/reg:32"),
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
    ASSERT_EQ(RegAdd(b, uninstall, "UninstallString", "REG_SZ", "C:\\Apps\\Winamp\\UNINSTWA.EXE",
                     "/reg:32"),
              0);
    WaitForServer(b);
    WriteUnix(b + "/drive_c/Apps/Winamp/winamp.ini", "[Winamp]\r\nvolume=5\r\n");

    CarryOver("'52','53','58','59','10'", UsePrefix(a), b);

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
    EXPECT_EQ(Wine(b, "reg query " + Quote(uninstall) + " /v UninstallString /reg:32", &out), 0);
    EXPECT_NE(out.find("C:\\Apps\\Winamp\\UNINSTWA.EXE"), std::string::npos) << out;
    WaitForServer(b);
    EXPECT_EQ(testing::ReadUnix(b + "/drive_c/Apps/Winamp/winamp.ini"),
              "[Winamp]\r\nvolume=180\r\n");
    // A folder the script names is created as the script writes it (upper
    // case); Wine finds it whatever the case.
    EXPECT_EQ(testing::ReadUnix(b + "/drive_c/Apps/Winamp/SKINS/Wine Skin/main.bmp"),
              std::string("BM\0\x01\xff", 5));
}


// The 32-bit view: what a 32-bit installer and the application write on a
// 64-bit prefix (regprobe, through KEY_WOW64_32KEY), Stowlark finds; what
// Stowlark restores into another 64-bit prefix, where the application sits in
// another folder, the application reads back through the same view.
TEST_F(EndToEndWineTest, The32BitViewOfA64BitPrefixTravels) {
    if (testing::RegProbePath().empty()) GTEST_SKIP() << "regprobe.exe was not built (no mingw-w64)";
    const std::string a = root_ + "/a";
    const std::string b = root_ + "/b";
    const std::string uninstall = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Winamp";
    const std::string navigator = "HKLM\\SOFTWARE\\Netscape\\Netscape Navigator";
    auto install = [&](const std::string& prefix, const std::string& winamp, const std::string& alice,
                       const std::string& volume) {
        ASSERT_EQ(testing::RegProbe(prefix, {"set", uninstall, "UninstallString", "sz", winamp + "\\UNINSTWA.EXE"}), 0);
        ASSERT_EQ(testing::RegProbe(prefix, {"file", winamp + "\\winamp.ini", "[Winamp]\r\nvolume=" + volume + "\r\n"}), 0);
        ASSERT_EQ(testing::RegProbe(prefix, {"set", navigator + "\\Users\\alice", "DirRoot", "sz", alice}), 0);
        ASSERT_EQ(testing::RegProbe(prefix, {"file", alice + "\\prefs.js", "// " + volume + "\r\n"}), 0);
        ASSERT_EQ(testing::RegProbe(prefix, {"set", "HKCU\\Software\\Netscape\\Netscape Navigator\\Main",
                                             "Autoload Home Page", "sz", volume}),
                  0);
    };
    install(a, "C:\\Program Files\\Winamp", "C:\\Program Files\\Netscape\\Users\\alice", "180");
    ASSERT_EQ(testing::RegProbe(a, {"set", "HKCU\\Software\\Winamp", "Language", "dword", "1033"}), 0);
    ASSERT_EQ(testing::RegProbe(a, {"set", navigator, "CurrentVersion", "sz", "4.08 (en)"}), 0);
    ASSERT_EQ(testing::RegProbe(a, {"set", navigator + "\\Main", "Start Page", "sz", "http://a.example/"}), 0);
    // B's WinAmp sits in another folder; Netscape's users' folders are where
    // A has them (a restore writes users' files only into folders this
    // machine's Netscape names).
    install(b, "C:\\Apps\\Winamp", "C:\\Program Files\\Netscape\\Users\\alice", "5");
    WaitForServer(a);
    WaitForServer(b);
    // Wine put them where 32-bit programs look, not where 64-bit ones do.
    const std::string hiveA = testing::ReadUnix(a + "/system.reg");
    ASSERT_NE(hiveA.find("[Software\\\\Wow6432Node\\\\Netscape\\\\Netscape Navigator]"), std::string::npos);
    ASSERT_EQ(hiveA.find("[Software\\\\Netscape"), std::string::npos);

    auto previous = UsePrefix(a);
    // Installed: WinAmp (57) is no longer among the components whose application is missing.
    EXPECT_EQ(SL_GetInstalledIDsN("'57'"), "");
    CarryOver("'58','33'", previous, b);

    std::string out;
    EXPECT_EQ(testing::RegProbe(b, {"get", navigator, "CurrentVersion"}, &out), 0);
    EXPECT_EQ(out, "4.08 (en)\n");
    EXPECT_EQ(testing::RegProbe(b, {"get", navigator + "\\Main", "Start Page"}, &out), 0);
    EXPECT_EQ(out, "http://a.example/\n");
    EXPECT_EQ(testing::RegProbe(b, {"get", "HKCU\\Software\\Winamp", "Language"}, &out), 0);
    EXPECT_EQ(out, "1033\n");
    // B's own folders stayed, and the files went into them.
    EXPECT_EQ(testing::RegProbe(b, {"get", navigator + "\\Users\\alice", "DirRoot"}, &out), 0);
    EXPECT_EQ(out, "C:\\Program Files\\Netscape\\Users\\alice\n");
    EXPECT_EQ(testing::ReadUnix(b + "/drive_c/Apps/Winamp/winamp.ini"), "[Winamp]\r\nvolume=180\r\n");
    EXPECT_EQ(testing::ReadUnix(b + "/drive_c/Program Files/Netscape/Users/alice/prefs.js"), "// 180\r\n");
    WaitForServer(b);
    EXPECT_EQ(testing::ReadUnix(b + "/system.reg").find("[Software\\\\Netscape"), std::string::npos);
}

// A backup from a prefix without the 32-bit view (the demo machine, made a
// 32-bit prefix) restores into a 64-bit one where the 32-bit application
// reads it, and a backup from the 64-bit one restores into the 32-bit one.
TEST_F(EndToEndWineTest, BackupsCrossBetween32And64BitPrefixes) {
    if (testing::RegProbePath().empty()) GTEST_SKIP() << "regprobe.exe was not built (no mingw-w64)";
    const std::string demo = root_ + "/demo32";
    ASSERT_TRUE(testing::CopyPrefix(testing::DemoPrefixPath(), demo));
    std::string hive = testing::ReadUnix(demo + "/system.reg");
    // The line Wine writes below the header of a 32-bit prefix's hive.
    std::size_t header = hive.find('\n');
    ASSERT_NE(header, std::string::npos);
    hive.insert(header + 1, "#arch=win32\n");
    std::ofstream(demo + "/system.reg", std::ios::binary | std::ios::trunc) << hive;
    const std::string b = root_ + "/b";
    const std::string navigator = "HKLM\\SOFTWARE\\Netscape\\Netscape Navigator";
    // Two users, as on the demo machine: their files travel by full path.
    for (const std::string user : {"alice", "bob"}) {
        const std::string dir = "C:\\Program Files\\Netscape\\Users\\" + user;
        ASSERT_EQ(testing::RegProbe(b, {"set", navigator + "\\Users\\" + user, "DirRoot", "sz", dir}), 0);
        ASSERT_EQ(testing::RegProbe(b, {"file", dir + "\\prefs.js", "// b\r\n"}), 0);
    }
    ASSERT_EQ(testing::RegProbe(b, {"set", navigator + "\\Main", "Start Page", "sz", "http://b.example/"}), 0);
    ASSERT_EQ(testing::RegProbe(b, {"set", "HKCU\\Software\\Netscape", "Seen", "sz", "b"}), 0);
    WaitForServer(b);

    const std::string from32 = testing::ZPath(root_ + "/backup/from32");
    const std::string from64 = testing::ZPath(root_ + "/backup/from64");
    fs::create_directories(root_ + "/backup/from32");
    fs::create_directories(root_ + "/backup/from64");
    std::string bad;
    auto previous = UsePrefix(demo);
    EXPECT_EQ(SL_RunInstructions("'33'", from32.c_str(), 1, bad, nullptr), 1);
    UsePrefix(b);
    EXPECT_EQ(SL_RunInstructions("'33'", from64.c_str(), 1, bad, nullptr), 1);
    EXPECT_EQ(SL_RunInstructions("'33'", from32.c_str(), 0, bad, nullptr), 1);
    EXPECT_EQ(bad, "");
    UsePrefix(demo);
    EXPECT_EQ(SL_RunInstructions("'33'", from64.c_str(), 0, bad, nullptr), 1);
    EXPECT_EQ(bad, "");
    platform::Install(previous);

    std::string out;
    EXPECT_EQ(testing::RegProbe(b, {"get", navigator + "\\Main", "Start Page"}, &out), 0);
    EXPECT_EQ(out, "http://home.example.org/\n");
    EXPECT_EQ(testing::RegProbe(b, {"get", navigator, "CurrentVersion"}, &out), 0);
    EXPECT_EQ(out, "4.08\n");
    const std::string alice = "/drive_c/Program Files/Netscape/Users/alice/prefs.js";
    EXPECT_EQ(testing::ReadUnix(b + alice), testing::ReadUnix(testing::DemoPrefixPath() + alice));
    // The 32-bit prefix got B's page where its programs look: no Wow6432Node there.
    const std::string demoHive = testing::ReadUnix(demo + "/system.reg");
    EXPECT_EQ(demoHive.find("Wow6432Node"), std::string::npos);
    EXPECT_NE(demoHive.find("\"Start Page\"=\"http://b.example/\""), std::string::npos);
}

}  // namespace
}  // namespace sl
