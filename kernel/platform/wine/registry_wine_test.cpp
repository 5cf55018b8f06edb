// Interoperability with real Wine: what Wine writes, WineRegistry reads; what
// WineRegistry writes, Wine reads; Wine's own hives survive a load and write
// unchanged. One prefix is made per run with wineboot, each test works on a copy.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "kernel/platform/wine/text/hive.h"
#include "kernel/platform/wine/text/testing/regenerate_all.h"
#include "kernel/platform/wine/wine_registry.h"
#include "kernel/testing/host_files.h"

namespace sl::platform::wine {
namespace {

namespace fs = std::filesystem;
using sl::testing::ReadWholeFile;

std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'') out += "'\\''";
        else out.push_back(c);
    }
    return out + "'";
}

std::string WineEnv(const fs::path& prefix) {
    return "env -u DISPLAY LC_ALL=C.UTF-8 WINEDEBUG=-all WINEPREFIX=" + Quote(prefix.string()) + " ";
}

int RunWine(const fs::path& prefix, const std::string& command) {
    return std::system((WineEnv(prefix) + command + " >/dev/null 2>&1").c_str());
}

std::string Capture(const fs::path& prefix, const std::string& command) {
    std::string out;
    FILE* p = ::popen((WineEnv(prefix) + command + " 2>/dev/null").c_str(), "r");
    if (!p) return out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
    return out;
}

// Adds a value with Wine's reg tool and waits until the server has saved.
bool RegAdd(const fs::path& prefix, const std::string& args) {
    return RunWine(prefix, "wine reg add " + args + " /f") == 0;
}

void WaitForServer(const fs::path& prefix) { RunWine(prefix, "wineserver -w"); }

class RegistryWineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (std::system("command -v wine >/dev/null 2>&1 && command -v wineboot >/dev/null 2>&1") != 0) {
            skipReason_ = "Wine is not installed (wine, wineboot)";
            return;
        }
        std::string templ = (fs::temp_directory_path() / "slwineXXXXXX").string();
        if (!::mkdtemp(templ.data())) {
            skipReason_ = "no temporary folder";
            return;
        }
        root_ = templ;
        fs::path prefix = root_ / "prefix";
        int rc = RunWine(prefix, "wineboot -i");
        WaitForServer(prefix);
        if (rc != 0 || !fs::exists(prefix / "system.reg") || !fs::exists(prefix / "user.reg")) {
            skipReason_ = "wineboot -i could not make a prefix (exit " + std::to_string(rc) + ")";
        }
    }
    static void TearDownTestSuite() {
        if (!root_.empty()) fs::remove_all(root_);
    }
    void SetUp() override {
        if (!skipReason_.empty()) GTEST_SKIP() << skipReason_;
        prefix_ = root_ / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::copy(root_ / "prefix", prefix_, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    }
    void TearDown() override {
        if (!prefix_.empty()) {
            WaitForServer(prefix_);
            fs::remove_all(prefix_);
        }
    }

    static inline fs::path root_;
    static inline std::string skipReason_;
    fs::path prefix_;
};

struct Read {
    LONG rc = -1;
    DWORD type = 0;
    std::string data;
};

Read Query(WineRegistry& reg, const char* path, const char* name) {
    Read r;
    HKEY h = 0;
    r.rc = reg.RegOpenKeyEx(kHkeyCurrentUser, path, kKeyRead, &h);
    if (r.rc) return r;
    std::uint8_t buf[512];
    DWORD len = sizeof buf;
    r.rc = reg.RegQueryValueEx(h, name, &r.type, buf, &len);
    if (!r.rc) r.data.assign(reinterpret_cast<char*>(buf), len);
    reg.RegCloseKey(h);
    return r;
}

TEST_F(RegistryWineTest, ReadsWhatWineWrites) {
    ASSERT_TRUE(RegAdd(prefix_, "'HKCU\\Software\\SLIn' /v Str /t REG_SZ /d 'h\xc3\xa9llo \xe2\x82\xac \xd0\x96'"));
    ASSERT_TRUE(RegAdd(prefix_, "'HKCU\\Software\\SLIn' /v Exp /t REG_EXPAND_SZ /d '%PATH%;x'"));
    ASSERT_TRUE(RegAdd(prefix_, "'HKCU\\Software\\SLIn' /v Multi /t REG_MULTI_SZ /d 'a\\0b\\0c'"));
    ASSERT_TRUE(RegAdd(prefix_, "'HKCU\\Software\\SLIn' /v Dw /t REG_DWORD /d 1234"));
    ASSERT_TRUE(RegAdd(prefix_, "'HKCU\\Software\\SLIn' /v Bin /t REG_BINARY /d 00ff10203040506070"));
    ASSERT_TRUE(RegAdd(prefix_, "'HKCU\\Software\\SLIn' /ve /d 'def \"q\" x'"));
    WaitForServer(prefix_);

    WineRegistry reg(prefix_.string(), [] { return false; });
    Read r = Query(reg, "software\\slin", "STR");
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.type, kRegSz);
    EXPECT_EQ(r.data, std::string("h\xe9llo \x80 ?\0", 10));
    r = Query(reg, "Software\\SLIn", "Exp");
    EXPECT_EQ(r.type, kRegExpandSz);
    EXPECT_EQ(r.data, std::string("%PATH%;x\0", 9));
    r = Query(reg, "Software\\SLIn", "Multi");
    EXPECT_EQ(r.type, kRegMultiSz);
    EXPECT_EQ(r.data, std::string("a\0b\0c\0\0", 7));
    r = Query(reg, "Software\\SLIn", "Dw");
    EXPECT_EQ(r.type, kRegDword);
    EXPECT_EQ(r.data, std::string("\xd2\x04\0\0", 4));
    r = Query(reg, "Software\\SLIn", "Bin");
    EXPECT_EQ(r.type, kRegBinary);
    EXPECT_EQ(r.data, std::string("\x00\xff\x10\x20\x30\x40\x50\x60\x70", 9));
    r = Query(reg, "Software\\SLIn", "");
    EXPECT_EQ(r.type, kRegSz);
    EXPECT_EQ(r.data, std::string("def \"q\" x\0", 10));
}

TEST_F(RegistryWineTest, WineReadsWhatTheBackendWrites) {
    {
        WineRegistry reg(prefix_.string(), [] { return false; });
        HKEY h = 0;
        ASSERT_EQ(reg.RegCreateKeyEx(kHkeyCurrentUser, "Software\\SLOut", nullptr, 0, kKeyAllAccess, &h, nullptr), 0);
        auto set = [&](const char* name, DWORD type, const std::string& data) {
            EXPECT_EQ(reg.RegSetValueEx(h, name, type, reinterpret_cast<const std::uint8_t*>(data.data()),
                                        static_cast<DWORD>(data.size())),
                      0);
        };
        set("", kRegSz, std::string("top \\ \"x\"\0", 11));
        set("Str", kRegSz, std::string("caf\xe9 \x80\0", 7));
        set("Exp", kRegExpandSz, std::string("%WINDIR%\\a\0", 11));
        set("Multi", kRegMultiSz, std::string("one\0two\0\0", 9));
        set("Dw", kRegDword, std::string("\x2a\0\0\0", 4));
        set("Bin", kRegBinary, std::string("\x01\xab\xcd", 3));
        ASSERT_EQ(reg.RegFlushKey(h), 0);
    }
    std::string out = Capture(prefix_, "wine reg query 'HKCU\\Software\\SLOut'");
    // Output through a pipe is in code page 437: e-acute is 0x82, the euro sign has no form there.
    EXPECT_NE(out.find("    (Default)    REG_SZ    top \\ \"x\"\r\n"), std::string::npos) << out;
    EXPECT_NE(out.find("    Str    REG_SZ    caf\x82 ?\r\n"), std::string::npos) << out;
    EXPECT_NE(out.find("    Exp    REG_EXPAND_SZ    %WINDIR%\\a\r\n"), std::string::npos) << out;
    EXPECT_NE(out.find("    Multi    REG_MULTI_SZ    one\\0two\r\n"), std::string::npos) << out;
    EXPECT_NE(out.find("    Dw    REG_DWORD    0x2a\r\n"), std::string::npos) << out;
    EXPECT_NE(out.find("    Bin    REG_BINARY    01ABCD\r\n"), std::string::npos) << out;
}

TEST_F(RegistryWineTest, FreshHivesWriteBackIdentical) {
    for (const char* file : {"system.reg", "user.reg", "userdef.reg"}) {
        std::string text = ReadWholeFile(prefix_ / file);
        auto hive = Hive::FromText(text);
        ASSERT_EQ(hive->status(), Hive::Status::Loaded) << file;
        EXPECT_TRUE(hive->Write() == text) << file << " differs after a round trip";
        // Regenerated from the model alone, too.
        testing::RegenerateEverySection(*hive);
        EXPECT_TRUE(hive->Write() == text) << file << " differs when regenerated";
    }
}

TEST_F(RegistryWineTest, OneValueSetChangesOnlyItsSection) {
    const std::string before = ReadWholeFile(prefix_ / "system.reg");
    {
        WineRegistry reg(prefix_.string(), [] { return false; });
        HKEY h = 0;
        ASSERT_EQ(reg.RegOpenKeyEx(kHkeyLocalMachine, "System\\CurrentControlSet\\Control\\Session Manager\\Environment", kKeyAllAccess,
                                   &h),
                  0);
        const std::uint8_t one[4] = {1, 0, 0, 0};
        ASSERT_EQ(reg.RegSetValueEx(h, "SLMarker", kRegDword, one, 4), 0);
        ASSERT_EQ(reg.FlushAll(), 0);
    }
    const std::string after = ReadWholeFile(prefix_ / "system.reg");
    // A key below System: the same for 32-bit and 64-bit programs.
    const std::string header = "\n[System\\\\CurrentControlSet\\\\Control\\\\Session Manager\\\\Environment] ";
    std::size_t start = before.find(header);
    ASSERT_NE(start, std::string::npos);
    std::size_t endBefore = before.find("\n[", start + 1);
    std::size_t endAfter = after.find("\n[", start + 1);
    ASSERT_NE(endBefore, std::string::npos);
    EXPECT_TRUE(after.compare(0, start, before, 0, start) == 0);
    EXPECT_TRUE(after.substr(endAfter) == before.substr(endBefore));
    std::string section = after.substr(start, endAfter - start);
    EXPECT_NE(section.find("\n\"SLMarker\"=dword:00000001\n"), std::string::npos) << section;
    EXPECT_EQ(section.size(), endBefore - start + std::string("\"SLMarker\"=dword:00000001\n").size());

    // Wine loads the result and sees the value.
    std::string out = Capture(prefix_, "wine reg query 'HKLM\\System\\CurrentControlSet\\Control\\Session Manager\\Environment' /v SLMarker");
    EXPECT_NE(out.find("SLMarker    REG_DWORD    0x1"), std::string::npos) << out;
}

// A link key that points at a key that does not exist: Wine's own reg tool
// and WineRegistry, each in a copy of the prefix, create through it the same
// way (the link's target), and neither can open the link itself before.
TEST_F(RegistryWineTest, CreatingThroughALinkToNowhereMatchesWine) {
    std::string hex;
    for (char c : std::string("\\Registry\\Machine\\Software\\NowhereAtAll")) {
        char byte[8];
        std::snprintf(byte, sizeof byte, "%s%02x,00", hex.empty() ? "" : ",", static_cast<unsigned char>(c));
        hex += byte;
    }
    std::ofstream(prefix_ / "system.reg", std::ios::app)
        << "\n[Software\\\\Wow6432Node\\\\DanglingTest] 1796671700\n#time=1dd86811e42f054\n#link\n"
           "\"SymbolicLinkValue\"=hex(6):"
        << hex << "\n";
    const fs::path ours = prefix_.string() + "-ours";
    fs::copy(prefix_, ours, fs::copy_options::recursive | fs::copy_options::copy_symlinks);

    EXPECT_NE(RunWine(prefix_, "wine reg query 'HKLM\\Software\\DanglingTest' /reg:32"), 0);
    ASSERT_EQ(RunWine(prefix_, "wine reg add 'HKLM\\Software\\DanglingTest\\X' /v V /d w /f /reg:32"), 0);
    WaitForServer(prefix_);
    {
        WineRegistry reg(ours.string(), [] { return false; });
        HKEY h = 0;
        EXPECT_EQ(reg.RegOpenKeyEx(kHkeyLocalMachine, "Software\\DanglingTest", kKeyRead, &h), 2);
        ASSERT_EQ(reg.RegCreateKeyEx(kHkeyLocalMachine, "Software\\DanglingTest\\X", nullptr, 0, kKeyAllAccess,
                                     &h, nullptr),
                  0);
        const char w[] = "w";
        ASSERT_EQ(reg.RegSetValueEx(h, "V", kRegSz, reinterpret_cast<const std::uint8_t*>(w), sizeof w), 0);
        ASSERT_EQ(reg.FlushAll(), 0);
    }
    const std::string section = "\n[Software\\\\NowhereAtAll\\\\X] ";
    EXPECT_NE(ReadWholeFile(prefix_ / "system.reg").find(section), std::string::npos);
    EXPECT_NE(ReadWholeFile(ours / "system.reg").find(section), std::string::npos);
    std::string out = Capture(ours, "wine reg query 'HKLM\\Software\\DanglingTest\\X' /v V /reg:32");
    EXPECT_NE(out.find("REG_SZ    w"), std::string::npos) << out;
    WaitForServer(ours);
    fs::remove_all(ours);
}

}  // namespace
}  // namespace sl::platform::wine
