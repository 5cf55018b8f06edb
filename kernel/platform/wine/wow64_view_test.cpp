// The 32-bit view of a 64-bit prefix, on hives written the way Wine writes
// them: redirection into Wow6432Node, link keys, the shared classes node.
#include "kernel/platform/wine/wine_registry.h"
#include "kernel/testing/host_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace sl::platform::wine {
namespace {

namespace fs = std::filesystem;
using sl::testing::ReadWholeFile;

// A "#link" key whose target is the registry path given, as Wine stores it
// (REG_LINK data in UTF-16).
std::string LinkKey(const std::string& name, const std::string& target) {
    std::string hex;
    for (char c : target) {
        if (!hex.empty()) hex += ",";
        char byte[8];
        std::snprintf(byte, sizeof byte, "%02x,00", static_cast<unsigned char>(c));
        hex += byte;
    }
    return "[" + name + "] 1796618213\n#time=1dd8604951a9966\n#link\n\"SymbolicLinkValue\"=hex(6):" +
           hex + "\n\n";
}

std::string SystemHive(const std::string& arch) {
    return "WINE REGISTRY Version 2\n"
           ";; All keys relative to REGISTRY\\\\Machine\n"
           "\n" +
           arch +
           "\n"
           "[Software\\\\Classes\\\\.txt] 1796618213\n"
           "@=\"txtfile\"\n"
           "\n"
           "[Software\\\\Classes\\\\Wow6432Node\\\\.only32] 1796618213\n"
           "@=\"thirtytwo\"\n"
           "\n"
           "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\App Paths\\\\shared.exe] 1796618213\n"
           "@=\"C:\\\\shared.exe\"\n"
           "\n"
           "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Only64] 1796618213\n"
           "\"UninstallString\"=\"C:\\\\64\\\\u.exe\"\n"
           "\n" +
           LinkKey("Software\\\\Wow6432Node\\\\Classes", "\\Registry\\Machine\\Software\\Classes\\Wow6432Node") +
           LinkKey("Software\\\\Wow6432Node\\\\Dangling", "\\Registry\\Machine\\Software\\Nowhere") +
           LinkKey("Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\App Paths",
                   "\\Registry\\Machine\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths") +
           "[Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Winamp] 1796618213\n"
           "\"UninstallString\"=\"C:\\\\W\\\\u.exe\"\n";
}

const char kUser[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[Software\\\\Winamp] 1796618213\n"
    "\"Language\"=dword:00000409\n";

class Wow64ViewTest : public ::testing::Test {
protected:
    void Load(const std::string& arch) {
        std::string templ = (fs::temp_directory_path() / "slwowXXXXXX").string();
        ASSERT_NE(::mkdtemp(templ.data()), nullptr);
        dir_ = templ;
        std::ofstream(dir_ / "system.reg", std::ios::binary) << SystemHive(arch);
        std::ofstream(dir_ / "user.reg", std::ios::binary) << kUser;
        std::ofstream(dir_ / "userdef.reg", std::ios::binary) << kUser;
        reg_ = std::make_unique<WineRegistry>(dir_.string(), [] { return false; });
    }
    void TearDown() override {
        reg_.reset();
        if (!dir_.empty()) fs::remove_all(dir_);
    }
    // The default or named string value of a key below HKLM, "<N>" for error N.
    std::string Read(const char* path, const char* name = "") {
        HKEY h = 0;
        LONG rc = reg_->RegOpenKeyEx(kHkeyLocalMachine, path, kKeyRead, &h);
        if (rc != 0) return "<" + std::to_string(rc) + ">";
        char buf[256] = {};
        DWORD len = sizeof buf, type = 0;
        rc = reg_->RegQueryValueEx(h, name, &type, reinterpret_cast<std::uint8_t*>(buf), &len);
        reg_->RegCloseKey(h);
        if (rc != 0) return "<" + std::to_string(rc) + ">";
        return std::string(buf);
    }
    std::vector<std::string> SubKeys(HKEY root, const char* path) {
        std::vector<std::string> names;
        HKEY h = 0;
        if (reg_->RegOpenKeyEx(root, path, kKeyRead, &h) != 0) return names;
        for (DWORD i = 0;; ++i) {
            char name[256], cls[256];
            DWORD nameLen = 256, clsLen = 256;
            if (reg_->RegEnumKeyEx(h, i, name, &nameLen, cls, &clsLen) != 0) break;
            names.emplace_back(name);
        }
        reg_->RegCloseKey(h);
        return names;
    }

    fs::path dir_;
    std::unique_ptr<WineRegistry> reg_;
};

TEST_F(Wow64ViewTest, ReadsSeeWhatA32BitProgramSees) {
    Load("#arch=win64\n");
    const char* uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    EXPECT_EQ(Read((std::string(uninstall) + "Winamp").c_str(), "UninstallString"), "C:\\W\\u.exe");
    EXPECT_EQ(Read((std::string(uninstall) + "Only64").c_str(), "UninstallString"), "<2>");
    // Asking for the node by name is not redirected again.
    EXPECT_EQ(Read("SOFTWARE\\wow6432node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Winamp",
                   "UninstallString"),
              "C:\\W\\u.exe");
    // Link keys share what they point at; the classes node falls back to its parent.
    EXPECT_EQ(Read("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\shared.exe"), "C:\\shared.exe");
    EXPECT_EQ(Read("Software\\Classes\\.only32"), "thirtytwo");
    EXPECT_EQ(Read("Software\\Classes\\.txt"), "txtfile");
    // Opening Software itself lands in the node: enumeration lists its children.
    EXPECT_EQ(SubKeys(kHkeyLocalMachine, "Software"),
              (std::vector<std::string>{"Classes", "Dangling", "Microsoft"}));
    // A key without a node is not redirected: the user's settings are shared.
    HKEY h = 0;
    EXPECT_EQ(reg_->RegOpenKeyEx(kHkeyCurrentUser, "Software\\Winamp", kKeyRead, &h), 0);
}

TEST_F(Wow64ViewTest, WritesGoWhereA32BitProgramLooks) {
    Load("#arch=win64\n");
    HKEY h = 0;
    DWORD disposition = 0;
    ASSERT_EQ(reg_->RegCreateKeyEx(kHkeyLocalMachine, "Software\\Netscape\\Netscape Navigator", nullptr, 0,
                                   kKeyAllAccess, &h, &disposition),
              0);
    const char version[] = "4.08";
    ASSERT_EQ(reg_->RegSetValueEx(h, "CurrentVersion", kRegSz, reinterpret_cast<const std::uint8_t*>(version),
                                  sizeof version),
              0);
    // Through a link, the write lands in the key linked to.
    HKEY app = 0;
    ASSERT_EQ(reg_->RegCreateKeyEx(kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\new.exe",
                                   nullptr, 0, kKeyAllAccess, &app, &disposition),
              0);
    // A link that points nowhere cannot be opened; creating through it
    // creates its target, as Wine does.
    HKEY dangling = 0;
    EXPECT_EQ(reg_->RegOpenKeyEx(kHkeyLocalMachine, "Software\\Dangling", kKeyRead, &dangling), 2);
    EXPECT_EQ(reg_->RegCreateKeyEx(kHkeyLocalMachine, "Software\\Dangling\\Inside", nullptr, 0, kKeyAllAccess,
                                   &dangling, &disposition),
              0);
    EXPECT_EQ(disposition, 1u);
    ASSERT_EQ(reg_->FlushAll(), 0);
    const std::string hive = ReadWholeFile(dir_ / "system.reg");
    EXPECT_NE(hive.find("[Software\\\\Wow6432Node\\\\Netscape\\\\Netscape Navigator]"), std::string::npos);
    EXPECT_EQ(hive.find("[Software\\\\Netscape"), std::string::npos);
    EXPECT_NE(hive.find("[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\App Paths\\\\new.exe]"),
              std::string::npos);
    EXPECT_NE(hive.find("[Software\\\\Nowhere\\\\Inside]"), std::string::npos);
    EXPECT_EQ(reg_->RegOpenKeyEx(kHkeyLocalMachine, "Software\\Dangling\\Inside", kKeyRead, &dangling), 0);
    // The link keys themselves are written back unchanged.
    EXPECT_NE(hive.find("[Software\\\\Wow6432Node\\\\Classes] 1796618213\n#time=1dd8604951a9966\n#link\n"),
              std::string::npos);
    EXPECT_EQ(Read("Software\\Netscape\\Netscape Navigator", "CurrentVersion"), "4.08");
}

TEST_F(Wow64ViewTest, A32BitPrefixIsNotRedirected) {
    Load("#arch=win32\n");
    const char* uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    EXPECT_EQ(Read((std::string(uninstall) + "Only64").c_str(), "UninstallString"), "C:\\64\\u.exe");
    EXPECT_EQ(Read((std::string(uninstall) + "Winamp").c_str(), "UninstallString"), "<2>");
    EXPECT_EQ(Read("Software\\Classes\\.only32"), "<2>");
}

TEST_F(Wow64ViewTest, AnOldPrefixWithoutArchIsKnownByItsNode) {
    Load("");
    EXPECT_EQ(Read("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Winamp", "UninstallString"),
              "C:\\W\\u.exe");
}

}  // namespace
}  // namespace sl::platform::wine
