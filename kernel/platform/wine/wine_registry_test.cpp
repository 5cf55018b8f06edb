#include "kernel/platform/wine/wine_registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "kernel/platform/wine/prefix_lock.h"
#include "kernel/testing/host_files.h"

namespace sl::platform::wine {
namespace {

namespace fs = std::filesystem;
using sl::testing::ReadWholeFile;
using sl::testing::WriteWholeFile;

const char kSystem[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to REGISTRY\\\\Machine\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[Software\\\\Classes\\\\.txt] 1796618213\n"
    "#time=1dd8604951a9966\n"
    "@=\"txtfile\"\n"
    "\n"
    "[Software\\\\Test] 1796618213\n"
    "#time=1dd8604951a9966\n"
    "@=\"default\"\n"
    "\"Bin\"=hex:01,02,03\n"
    "\"Dw\"=dword:0000002a\n"
    "\"euro\"=\"5 \\x20ac \\x416\"\n"
    "\"Multi\"=str(7):\"a\\0b\\0\"\n"
    "\"_under\"=\"u\"\n"
    "\n"
    "[Software\\\\Test\\\\Alpha] 1796618213\n"
    "#time=1dd8604951a9966\n"
    "\n"
    "[Software\\\\Test\\\\alpha2] 1796618213\n"
    "#time=1dd8604951a9966\n"
    "\n"
    "[Software\\\\Test\\\\beta] 1796618213\n"
    "#time=1dd8604951a9966\n"
    "#class=\"Klasse\"\n"
    "\n"
    "[Software\\\\Zulu] 1796618213\n"
    "#time=1dd8604951a9966\n"
    "\"z\"=\"1\"\n";

const char kUser[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[Software\\\\App] 1796618213\n"
    "#time=1dd8604951a9966\n"
    "\"Name\"=\"user\"\n";

const char kUserDefault[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to REGISTRY\\\\User\\\\.Default\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[Software\\\\App] 1796618213\n"
    "#time=1dd8604951a9966\n"
    "\"Name\"=\"default user\"\n";

class WineRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string templ = (fs::temp_directory_path() / "slregXXXXXX").string();
        ASSERT_NE(::mkdtemp(templ.data()), nullptr);
        dir_ = templ;
        WriteWholeFile(dir_ / "system.reg", kSystem);
        WriteWholeFile(dir_ / "user.reg", kUser);
        WriteWholeFile(dir_ / "userdef.reg", kUserDefault);
        reg_ = std::make_unique<WineRegistry>(dir_.string(), [this] { return serverRunning_; });
    }
    void TearDown() override {
        reg_.reset();
        fs::remove_all(dir_);
    }
    HKEY Open(HKEY root, const char* path, DWORD access = kKeyAllAccess) {
        HKEY h = 0;
        EXPECT_EQ(reg_->RegOpenKeyEx(root, path, access, &h), 0) << path;
        return h;
    }
    std::string QueryString(HKEY key, const char* name) {
        char buf[256] = {};
        DWORD len = sizeof buf, type = 0;
        if (reg_->RegQueryValueEx(key, name, &type, reinterpret_cast<std::uint8_t*>(buf), &len)) return "<err>";
        return std::string(buf, len);
    }

    fs::path dir_;
    bool serverRunning_ = false;
    std::unique_ptr<WineRegistry> reg_;
};

TEST_F(WineRegistryTest, OpensWithoutRegardToCaseAndReportsErrors) {
    HKEY h = Open(kHkeyLocalMachine, "SOFTWARE\\test");
    EXPECT_NE(h, 0u);
    EXPECT_LT(h, kHkeyClassesRoot);
    HKEY sub = Open(h, "ALPHA");
    EXPECT_NE(sub, h);
    HKEY missing = 123;
    EXPECT_EQ(reg_->RegOpenKeyEx(kHkeyLocalMachine, "Software\\Nope", kKeyRead, &missing), 2);
    EXPECT_EQ(missing, 0u);
    EXPECT_EQ(reg_->RegOpenKeyEx(0x4242, "x", kKeyRead, &missing), 6);
    EXPECT_EQ(reg_->RegCloseKey(sub), 0);
    EXPECT_EQ(reg_->RegCloseKey(sub), 6);
    EXPECT_EQ(reg_->RegCloseKey(kHkeyLocalMachine), 0);
    EXPECT_EQ(QueryString(h, "EURO"), std::string("5 \x80 ?\0", 6));
    EXPECT_EQ(QueryString(h, ""), std::string("default\0", 8));
    EXPECT_EQ(QueryString(h, nullptr), std::string("default\0", 8));
    DWORD len = 10;
    EXPECT_EQ(reg_->RegQueryValueEx(h, "absent", nullptr, nullptr, &len), 2);
}

TEST_F(WineRegistryTest, EnumeratesInWinesOrderWithClasses) {
    HKEY h = Open(kHkeyLocalMachine, "Software\\Test");
    std::vector<std::string> names, classes;
    for (DWORD i = 0;; ++i) {
        char name[256], cls[256];
        DWORD nameLen = 256, clsLen = 256;
        LONG rc = reg_->RegEnumKeyEx(h, i, name, &nameLen, cls, &clsLen);
        if (rc == 259) break;
        ASSERT_EQ(rc, 0);
        EXPECT_EQ(nameLen, std::strlen(name));
        names.emplace_back(name);
        classes.emplace_back(cls, clsLen);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "alpha2", "beta"}));
    EXPECT_EQ(classes, (std::vector<std::string>{"", "", "Klasse"}));

    std::vector<std::string> values;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameLen = 256, type = 0, dataLen = 0;
        LONG rc = reg_->RegEnumValue(h, i, name, &nameLen, &type, nullptr, &dataLen);
        if (rc == 259) break;
        ASSERT_EQ(rc, 0);
        values.emplace_back(name);
    }
    EXPECT_EQ(values, (std::vector<std::string>{"", "_under", "Bin", "Dw", "euro", "Multi"}));
}

TEST_F(WineRegistryTest, SizesAndShortBuffersBehaveLikeTheAnsiCalls) {
    HKEY h = Open(kHkeyLocalMachine, "Software\\Test");
    DWORD subKeys = 0, maxSub = 0, values = 0, maxName = 0, maxData = 0;
    ASSERT_EQ(reg_->RegQueryInfoKey(h, &subKeys, &maxSub, &values, &maxName, &maxData), 0);
    EXPECT_EQ(subKeys, 3u);
    EXPECT_EQ(maxSub, 6u);
    EXPECT_EQ(values, 6u);
    EXPECT_EQ(maxName, 6u);
    EXPECT_EQ(maxData, 16u);  // "default" in UTF-16 with its zero

    std::uint8_t buf[16];
    DWORD type = 0, len = 4;
    EXPECT_EQ(reg_->RegQueryValueEx(h, "euro", &type, buf, &len), 234);
    EXPECT_EQ(len, 6u);
    EXPECT_EQ(type, kRegSz);
    len = 0;
    EXPECT_EQ(reg_->RegQueryValueEx(h, "euro", nullptr, nullptr, &len), 0);
    EXPECT_EQ(len, 6u);
    len = sizeof buf;
    EXPECT_EQ(reg_->RegQueryValueEx(h, "multi", &type, buf, &len), 0);
    EXPECT_EQ(type, kRegMultiSz);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), len), std::string("a\0b\0\0", 5));
    len = sizeof buf;
    EXPECT_EQ(reg_->RegQueryValueEx(h, "bin", &type, buf, &len), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), len), "\x01\x02\x03");
    len = sizeof buf;
    EXPECT_EQ(reg_->RegQueryValueEx(h, "dw", &type, buf, &len), 0);
    EXPECT_EQ(len, 4u);
    EXPECT_EQ(buf[0], 42);
    EXPECT_EQ(reg_->RegQueryValueEx(h, "dw", &type, buf, nullptr), 87);

    // Value enumeration: data too small, then name too small.
    char name[8];
    DWORD nameLen = sizeof name;
    len = 2;
    EXPECT_EQ(reg_->RegEnumValue(h, 0, name, &nameLen, &type, buf, &len), 234);
    EXPECT_EQ(len, 8u);
    nameLen = 3;
    len = sizeof buf;
    EXPECT_EQ(reg_->RegEnumValue(h, 4, name, &nameLen, &type, buf, &len), 234);  // "euro"
    nameLen = 5;
    len = sizeof buf;
    EXPECT_EQ(reg_->RegEnumValue(h, 4, name, &nameLen, &type, buf, &len), 0);
    EXPECT_EQ(nameLen, 4u);
    EXPECT_STREQ(name, "euro");
    char sub[8];
    DWORD subLen = 5;
    EXPECT_EQ(reg_->RegEnumKeyEx(h, 0, sub, &subLen, nullptr, nullptr), 234);  // "Alpha" needs 6
    subLen = 6;
    EXPECT_EQ(reg_->RegEnumKeyEx(h, 0, sub, &subLen, nullptr, nullptr), 0);
    EXPECT_EQ(subLen, 5u);
    EXPECT_EQ(reg_->RegEnumKeyEx(h, 1, sub, &subLen, nullptr, nullptr), 234);  // "alpha2"
}

TEST_F(WineRegistryTest, WritesStayInMemoryUntilFlushedAndTouchOneSection) {
    HKEY h = Open(kHkeyLocalMachine, "software\\zulu");
    const std::string before = ReadWholeFile(dir_ / "system.reg");
    const char text[] = "caf\xe9 \x80";
    ASSERT_EQ(reg_->RegSetValueEx(h, "New", kRegSz, reinterpret_cast<const std::uint8_t*>(text), sizeof text), 0);
    EXPECT_EQ(QueryString(h, "new"), std::string(text, sizeof text));
    EXPECT_EQ(ReadWholeFile(dir_ / "system.reg"), before);
    ASSERT_EQ(reg_->RegFlushKey(h), 0);
    std::string after = ReadWholeFile(dir_ / "system.reg");
    std::size_t cut = before.find("[Software\\\\Zulu]");
    EXPECT_EQ(after.substr(0, cut), before.substr(0, cut));
    std::string section = after.substr(cut);
    EXPECT_NE(section.find("\n\"New\"=\"caf\\xe9 \\x20ac\"\n\"z\"=\"1\"\n"), std::string::npos) << section;
    for (const auto& e : fs::directory_iterator(dir_)) {
        // The writer lock file stays; removing it would let two writers lock two files.
        EXPECT_TRUE(e.path().extension() == ".reg" || e.path().filename() == kPrefixLockName)
            << "left behind: " << e.path();
    }

    // No change, no rewrite: the file keeps its inode.
    struct stat st1 {}, st2 {};
    ASSERT_EQ(::stat((dir_ / "system.reg").c_str(), &st1), 0);
    ASSERT_EQ(reg_->RegSetValueEx(h, "New", kRegSz, reinterpret_cast<const std::uint8_t*>(text), sizeof text), 0);
    EXPECT_EQ(reg_->FlushAll(), 0);
    ASSERT_EQ(::stat((dir_ / "system.reg").c_str(), &st2), 0);
    EXPECT_EQ(st1.st_ino, st2.st_ino);
    EXPECT_EQ(ReadWholeFile(dir_ / "system.reg"), after);
}

TEST_F(WineRegistryTest, CreatesKeysWithClassAndDisposition) {
    HKEY h = 0;
    DWORD disp = 0;
    ASSERT_EQ(reg_->RegCreateKeyEx(kHkeyCurrentUser, "Software\\New\\Deep", "Cls", 0, kKeyAllAccess, &h, &disp), 0);
    EXPECT_EQ(disp, 1u);
    HKEY again = 0;
    ASSERT_EQ(reg_->RegCreateKeyEx(kHkeyCurrentUser, "SOFTWARE\\new\\deep", nullptr, 0, kKeyRead, &again, &disp), 0);
    EXPECT_EQ(disp, 2u);
    HKEY parent = Open(kHkeyCurrentUser, "Software\\New");
    char name[256], cls[256];
    DWORD nameLen = 256, clsLen = 256;
    ASSERT_EQ(reg_->RegEnumKeyEx(parent, 0, name, &nameLen, cls, &clsLen), 0);
    EXPECT_STREQ(name, "Deep");
    EXPECT_STREQ(cls, "Cls");
    ASSERT_EQ(reg_->FlushAll(), 0);
    std::string user = ReadWholeFile(dir_ / "user.reg");
    EXPECT_NE(user.find("\n[Software\\\\New\\\\Deep] "), std::string::npos);
    EXPECT_NE(user.find("#class=\"Cls\"\n"), std::string::npos);
    EXPECT_EQ(user.find("[Software\\\\New] "), std::string::npos);  // has a subkey, no values

    // A handle opened for reading cannot set values.
    const std::uint8_t one[4] = {1, 0, 0, 0};
    EXPECT_EQ(reg_->RegSetValueEx(again, "x", kRegDword, one, 4), 5);
}

TEST_F(WineRegistryTest, RunningServerRefusesWritesButNotReads) {
    HKEY h = Open(kHkeyLocalMachine, "Software\\Test");
    const std::uint8_t one[4] = {1, 0, 0, 0};
    // A server running when the first write comes: refused.
    serverRunning_ = true;
    EXPECT_EQ(reg_->RegSetValueEx(h, "x", kRegDword, one, 4), 32);
    HKEY k = 0;
    EXPECT_EQ(reg_->RegCreateKeyEx(h, "brandnew", nullptr, 0, kKeyAllAccess, &k, nullptr), 32);
    EXPECT_EQ(reg_->RegCreateKeyEx(h, "alpha", nullptr, 0, kKeyAllAccess, &k, nullptr), 0);
    serverRunning_ = false;
    ASSERT_EQ(reg_->RegSetValueEx(h, "pending", kRegDword, one, 4), 0);
    // A server that starts after the first write: the writes stay in memory,
    // and no flush reaches the file while it runs.
    serverRunning_ = true;
    EXPECT_EQ(reg_->RegSetValueEx(h, "later", kRegDword, one, 4), 0);
    EXPECT_EQ(reg_->RegFlushKey(h), 32);
    EXPECT_EQ(reg_->FlushAll(), 32);
    EXPECT_EQ(QueryString(h, ""), std::string("default\0", 8));
    EXPECT_EQ(ReadWholeFile(dir_ / "system.reg"), kSystem);
    serverRunning_ = false;
    EXPECT_EQ(reg_->FlushAll(), 0);
    EXPECT_NE(ReadWholeFile(dir_ / "system.reg").find("\"pending\"=dword:00000001"), std::string::npos);
    EXPECT_NE(ReadWholeFile(dir_ / "system.reg").find("\"later\"=dword:00000001"), std::string::npos);
}

TEST_F(WineRegistryTest, RefusedHiveIsEmptyAndNeverWritten) {
    const std::string foreign = "WINE REGISTRY Version 1\n\n[Software\\\\App] 1\n\"Name\"=\"x\"\n";
    WriteWholeFile(dir_ / "user.reg", foreign);
    HKEY h = 0;
    EXPECT_EQ(reg_->RegOpenKeyEx(kHkeyCurrentUser, "Software\\App", kKeyRead, &h), 2);
    EXPECT_EQ(reg_->RegCreateKeyEx(kHkeyCurrentUser, "Software\\App", nullptr, 0, kKeyAllAccess, &h, nullptr), 5);
    const std::uint8_t one[4] = {1, 0, 0, 0};
    EXPECT_EQ(reg_->RegSetValueEx(kHkeyCurrentUser, "x", kRegDword, one, 4), 5);
    EXPECT_EQ(reg_->FlushAll(), 0);
    EXPECT_EQ(ReadWholeFile(dir_ / "user.reg"), foreign);
}

// A hive's name may hold a link or a FIFO someone put there: neither is
// read through (a FIFO would block the run) nor written through (a link
// would carry the registry into the file it names).
TEST_F(WineRegistryTest, LinkOrFifoInAHivesPlaceIsRefusedWithoutWaiting) {
    const fs::path victim = dir_ / "victim.txt";
    WriteWholeFile(victim, kUser);
    fs::remove(dir_ / "user.reg");
    fs::create_symlink(victim, dir_ / "user.reg");
    fs::remove(dir_ / "system.reg");
    ASSERT_EQ(::mkfifo((dir_ / "system.reg").c_str(), 0600), 0);

    HKEY h = 0;
    EXPECT_EQ(reg_->RegOpenKeyEx(kHkeyCurrentUser, "Software\\App", kKeyRead, &h), 2);
    EXPECT_EQ(reg_->RegOpenKeyEx(kHkeyLocalMachine, "Software\\test", kKeyRead, &h), 2);
    EXPECT_EQ(reg_->RegCreateKeyEx(kHkeyCurrentUser, "Software\\New", nullptr, 0, kKeyAllAccess,
                                   &h, nullptr),
              5);
    EXPECT_EQ(reg_->RegCreateKeyEx(kHkeyLocalMachine, "Software\\New", nullptr, 0, kKeyAllAccess,
                                   &h, nullptr),
              5);
    EXPECT_EQ(reg_->FlushAll(), 0);
    EXPECT_EQ(ReadWholeFile(victim), kUser);
    EXPECT_TRUE(fs::is_symlink(dir_ / "user.reg"));
    EXPECT_TRUE(fs::is_fifo(dir_ / "system.reg"));
}

TEST_F(WineRegistryTest, KeysDeeperOrLongerThanWindowsAllowsAreNotCreated) {
    std::string path = "Software";
    for (std::size_t depth = 1; depth < kMaxKeyDepth; ++depth) path += "\\k";
    HKEY h = 0;
    ASSERT_EQ(reg_->RegCreateKeyEx(kHkeyCurrentUser, path.c_str(), nullptr, 0, kKeyAllAccess, &h,
                                   nullptr),
              0);
    reg_->RegCloseKey(h);
    EXPECT_EQ(reg_->RegCreateKeyEx(kHkeyCurrentUser, (path + "\\deeper").c_str(), nullptr, 0,
                                   kKeyAllAccess, &h, nullptr),
              87);
    const std::string longName = "Software\\" + std::string(256, 'n');
    EXPECT_EQ(reg_->RegCreateKeyEx(kHkeyCurrentUser, longName.c_str(), nullptr, 0, kKeyAllAccess,
                                   &h, nullptr),
              87);
    // What was made is written and read back whole.
    ASSERT_EQ(reg_->FlushAll(), 0);
    auto other = std::make_unique<WineRegistry>(dir_.string(), [] { return false; });
    ASSERT_EQ(other->RegOpenKeyEx(kHkeyCurrentUser, path.c_str(), kKeyRead, &h), 0);
}

TEST_F(WineRegistryTest, RereadsHiveChangedOnDisk) {
    HKEY h = Open(kHkeyCurrentUser, "Software\\App");
    EXPECT_EQ(QueryString(h, "Name"), std::string("user\0", 5));
    std::string changed = kUser;
    changed.replace(changed.find("\"user\""), 6, "\"other user\"");
    fs::remove(dir_ / "user.reg");  // a new inode, as Wine's own save makes
    WriteWholeFile(dir_ / "user.reg", changed);
    EXPECT_EQ(QueryString(h, "Name"), std::string("other user\0", 11));

    // Unflushed changes are not thrown away, and are not written over a file
    // someone else replaced meanwhile.
    const std::uint8_t one[4] = {1, 0, 0, 0};
    ASSERT_EQ(reg_->RegSetValueEx(h, "mine", kRegDword, one, 4), 0);
    fs::remove(dir_ / "user.reg");
    WriteWholeFile(dir_ / "user.reg", kUser);
    EXPECT_EQ(reg_->RegFlushKey(h), 32);
    EXPECT_EQ(ReadWholeFile(dir_ / "user.reg"), kUser);
}

TEST_F(WineRegistryTest, AnEnumerationUnderWayListsOneStateOfTheHive) {
    std::string two = kUser;
    two += "\"Second\"=\"2\"\n";
    WriteWholeFile(dir_ / "user.reg", two);
    HKEY h = Open(kHkeyCurrentUser, "Software\\App");
    auto nameAt = [&](DWORD index) {
        char name[64] = {};
        DWORD length = sizeof name;
        LONG rc = reg_->RegEnumValue(h, index, name, &length, nullptr, nullptr, nullptr);
        return rc == 0 ? std::string(name, length) : "error " + std::to_string(rc);
    };
    EXPECT_EQ(nameAt(0), "Name");
    // Another process rewrites the hive with other values.
    std::string other = kUser;
    other += "\"Third\"=\"3\"\n\"Zeroth\"=\"0\"\n";
    fs::remove(dir_ / "user.reg");
    WriteWholeFile(dir_ / "user.reg", other);
    // The enumeration under way goes on in the list it started with...
    EXPECT_EQ(nameAt(1), "Second");
    EXPECT_EQ(nameAt(2), "error 259");
    // ...and one that starts over, or asks out of turn, reads the file again.
    EXPECT_EQ(nameAt(0), "Name");
    EXPECT_EQ(nameAt(1), "Third");
    fs::remove(dir_ / "user.reg");
    WriteWholeFile(dir_ / "user.reg", two);
    EXPECT_EQ(nameAt(1), "Second");
    EXPECT_EQ(nameAt(2), "error 259");
}

TEST_F(WineRegistryTest, UsersAndClassesRootsMapToHives) {
    char name[256];
    DWORD nameLen = 256;
    ASSERT_EQ(reg_->RegEnumKeyEx(kHkeyUsers, 0, name, &nameLen, nullptr, nullptr), 0);
    EXPECT_STREQ(name, ".Default");
    nameLen = 256;
    ASSERT_EQ(reg_->RegEnumKeyEx(kHkeyUsers, 1, name, &nameLen, nullptr, nullptr), 0);
    EXPECT_STREQ(name, "S-1-5-21-0-0-0-1000");
    nameLen = 256;
    EXPECT_EQ(reg_->RegEnumKeyEx(kHkeyUsers, 2, name, &nameLen, nullptr, nullptr), 259);

    EXPECT_EQ(QueryString(Open(kHkeyUsers, "s-1-5-21-0-0-0-1000\\Software\\App"), "Name"), std::string("user\0", 5));
    EXPECT_EQ(QueryString(Open(kHkeyUsers, ".DEFAULT\\Software\\App"), "Name"),
              std::string("default user\0", 13));
    HKEY h = 0;
    EXPECT_EQ(reg_->RegOpenKeyEx(kHkeyUsers, "S-1-5-18", kKeyRead, &h), 2);
    EXPECT_EQ(reg_->RegCreateKeyEx(kHkeyUsers, "S-1-5-18\\x", nullptr, 0, kKeyAllAccess, &h, nullptr), 5);

    EXPECT_EQ(QueryString(Open(kHkeyClassesRoot, ".TXT"), ""), std::string("txtfile\0", 8));
    ASSERT_EQ(reg_->RegCreateKeyEx(kHkeyClassesRoot, "myfile", nullptr, 0, kKeyAllAccess, &h, nullptr), 0);
    Open(kHkeyLocalMachine, "Software\\Classes\\MyFile");
}

}  // namespace
}  // namespace sl::platform::wine
