#include "kernel/platform/offline/nt_hive_reader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

#include "kernel/testing/offline/hive_compare.h"
#include "kernel/testing/offline/nt_hive_writer.h"
#include "kernel/testing/offline/windows_layouts.h"

namespace sl::platform::offline {
namespace {

using namespace sl::testing::offline;

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::uint32_t Get32(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + i])) << (8 * i);
    return v;
}

void Put32(std::string& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A tree with what a hive must carry through unchanged: case, names beyond
// one byte, every value type (an unknown one too), empty and large data,
// embedded zeros, the default value, a class.
KeyPlan Awkward() {
    KeyPlan root{"ROOT", false, {}, {}, {}};
    KeyPlan& mixed = root.Key("Software\\MixedCase Vendor\\Tool");
    mixed.Set("", 1, NtText("default text"))
        .Set("Path", 2, NtText("%SystemDrive%\\Tools"))
        .Set("Blob", 3, std::string("\0\1\2\0\xff", 5))
        .Set("Count", 4, Dword(0xDEADBEEF))
        .Set("BigEndian", 5, std::string("\0\0\0\1", 4))
        .Set("List", 7, NtText("one") + NtText("two") + std::string(2, '\0'))
        .Set("Wide", 11, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8))
        .Set("Odd type", 0x12345, "raw")
        .Set("Empty", 1, "")
        .Set("日本語", 1, NtText("名前"))
        .Set("Large", 3, std::string(20000, 'L'));
    mixed.hasClass = true;
    mixed.keyClass = "Tool Class";
    root.Key("Software\\lower").Set("x", 4, Dword(1));
    root.Key("Ελληνικά");
    root.Key("Jürgen").Set("Grüße", 1, NtText("Grüße"));
    return root;
}

class NtHiveReaderTest : public ::testing::Test {
protected:
    std::string Write(const KeyPlan& tree, const std::string& name = "hive") {
        std::string path = folder_.path() + "/" + name;
        std::string error;
        EXPECT_TRUE(WriteNtHive(path, tree, &error)) << error;
        return path;
    }
    TempFolder folder_;
};

TEST_F(NtHiveReaderTest, ReturnsTheTreeTheBuilderWrote) {
    for (const KeyPlan& tree : {Awkward(), SevenSoftware({"bob", "alice"}), XpSoftware({"bob", "Jürgen"}),
                                NtUserHive("bob", "C:\\x")}) {
        std::string path = Write(tree);
        OfflineHive hive;
        std::string message;
        ASSERT_EQ(ReadNtHive(path, &hive, &message), 0u) << message;
        EXPECT_EQ(hive.text, HiveText::Utf16Le);
        EXPECT_EQ(Difference(Expected(tree, HiveText::Utf16Le), hive.root), "");
    }
}

TEST_F(NtHiveReaderTest, KeepsTheThirtyTwoBitSubtreeAndClasses) {
    std::string path = Write(SevenSoftware({"bob"}));
    OfflineHive hive;
    std::string message;
    ASSERT_EQ(ReadNtHive(path, &hive, &message), 0u) << message;
    const OfflineKey* winamp =
        FindKey(hive.root, "WOW6432NODE\\microsoft\\windows\\currentversion\\uninstall\\winamp", hive.text);
    ASSERT_NE(winamp, nullptr);
    const OfflineValue* uninstall = FindValue(*winamp, "uninstallstring", hive.text);
    ASSERT_NE(uninstall, nullptr);
    EXPECT_EQ(uninstall->type, kRegSz);
    EXPECT_EQ(uninstall->data, NtText("C:\\Program Files (x86)\\Winamp\\UNINSTWA.EXE"));
    EXPECT_EQ(FindKey(hive.root, "Microsoft\\Windows\\CurrentVersion\\Uninstall\\Winamp", hive.text), nullptr);
    const OfflineKey* classes = FindKey(hive.root, "Classes\\Winamp.File", hive.text);
    ASSERT_NE(classes, nullptr);
    EXPECT_TRUE(classes->hasClass);
    EXPECT_EQ(classes->keyClass, Utf16Le("Winamp media file"));
    EXPECT_FALSE(FindKey(hive.root, "Classes", hive.text)->hasClass);
}

TEST_F(NtHiveReaderTest, HiveToolsOfTheDistributionReadTheBuiltHive) {
    std::string path = Write(Awkward());
    int status = 0;
    if (HaveTool("hivexget")) {
        std::string out = RunTool("hivexget '" + path + "' 'Software\\MixedCase Vendor\\Tool' Count", &status);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(out, std::to_string(static_cast<std::int32_t>(0xDEADBEEF)) + "\n");
        out = RunTool("hivexget '" + path + "' 'Jürgen' 'Grüße'", &status);
        EXPECT_EQ(out, "Grüße\n");
    }
    if (!HaveTool("hivexregedit")) GTEST_SKIP() << "hivexregedit (libwin-hivex-perl) is not installed";
    std::string out = RunTool("hivexregedit --export '" + path + "' '\\' 2>/dev/null", &status);
    EXPECT_EQ(status, 0);
    // (The export is large: a failure names only the missing line.)
    for (const char* line : {"[\\Software\\MixedCase Vendor\\Tool]\n", "[\\Software\\lower]\n",
                             "\"Count\"=dword:deadbeef", "\"Odd type\"=hex(12345):72,61,77",
                             "\"Blob\"=hex(3):00,01,02,00,ff", "\"Empty\"=hex(1):\n",
                             "\"Wide\"=hex(b):01,02,03,04,05,06,07,08",
                             "\"List\"=hex(7):6f,00,6e,00,65,00,00,00,74,00,77,00,6f,00,00,00,00,00",
                             "@=hex(1):64,00,65,00,66,00"}) {
        EXPECT_NE(out.find(line), std::string::npos) << line;
    }
}

TEST_F(NtHiveReaderTest, ReadsOneSubtreeByNameWithoutRegardToCase) {
    std::string path = Write(XpSoftware({"bob"}));
    OfflineHive hive;
    std::string message;
    ASSERT_EQ(ReadNtHiveSubtree(path, "MICROSOFT\\windows nt\\CurrentVersion", &hive, &message), 0u) << message;
    EXPECT_EQ(hive.root.name, Utf16Le("CurrentVersion"));
    EXPECT_NE(FindKey(hive.root, "ProfileList\\S-1-5-18", hive.text), nullptr);
    EXPECT_EQ(ReadNtHiveSubtree(path, "Microsoft\\Nothing", &hive, &message), kErrorFileNotFound);
    EXPECT_NE(message.find(path), std::string::npos);
}

// Every damaged file is an error naming the file, never a crash or a tree.
TEST_F(NtHiveReaderTest, RefusesTruncatedAndDamagedHives) {
    std::string good = ReadBytes(Write(SevenSoftware({"bob"}), "good"));
    std::vector<std::pair<std::string, std::string>> cases = {
        {"empty", ""},
        {"text", "Windows Registry Editor Version 5.00\n"},
        {"header only", good.substr(0, 4096)},
        {"half", good.substr(0, good.size() / 2)},
        {"one bin short", good.substr(0, good.size() - 4096)},
    };
    std::string badRoot = good;
    Put32(badRoot, 36, 0x7FFFFFF0);  // the root cell far past the end
    cases.emplace_back("root past the end", badRoot);
    std::string garbled = good;
    for (std::size_t i = 0x1100; i < garbled.size(); i += 7) garbled[i] = static_cast<char>(garbled[i] ^ 0x5A);
    cases.emplace_back("garbled bins", garbled);
    for (const auto& [name, bytes] : cases) {
        std::string path = folder_.path() + "/" + name;
        WriteBytes(path, bytes);
        OfflineHive hive;
        hive.root.name = "untouched";
        std::string message;
        EXPECT_EQ(ReadNtHive(path, &hive, &message), kErrorBadDatabase) << name;
        EXPECT_NE(message.find(path), std::string::npos) << name << ": " << message;
        EXPECT_EQ(hive.root.name, "untouched") << name;
    }
}

// A subkey list that leads back to the key itself would make the walk endless.
TEST_F(NtHiveReaderTest, RefusesAKeyLoop) {
    KeyPlan tree{"ROOT", false, {}, {}, {}};
    tree.Key("Only");
    std::string path = Write(tree);
    std::string bytes = ReadBytes(path);
    const std::size_t root = 0x1000 + Get32(bytes, 36);
    const std::size_t list = 0x1000 + Get32(bytes, root + 32);
    const std::size_t only = 0x1000 + Get32(bytes, list + 8);  // first entry of the lf/lh list
    ASSERT_EQ(bytes.substr(only + 4, 2), "nk");
    Put32(bytes, only + 24, 1);                          // one subkey...
    Put32(bytes, only + 32, Get32(bytes, root + 32));    // ...from the root's own list: itself
    WriteBytes(path, bytes);
    OfflineHive hive;
    std::string message;
    EXPECT_EQ(ReadNtHive(path, &hive, &message), kErrorBadDatabase);
    EXPECT_NE(message.find("loop"), std::string::npos) << message;
}

TEST_F(NtHiveReaderTest, HoldsToItsLimits) {
    KeyPlan deep{"ROOT", false, {}, {}, {}};
    deep.Key("a\\b\\c\\d").Set("v", 4, Dword(1));
    std::string path = Write(deep);
    OfflineHive hive;
    std::string message;
    HiveLimits limits;
    limits.maxDepth = 3;
    EXPECT_EQ(ReadNtHive(path, &hive, &message, limits), kErrorBadDatabase);
    EXPECT_NE(message.find("deeper"), std::string::npos) << message;
    limits.maxDepth = 4;
    EXPECT_EQ(ReadNtHive(path, &hive, &message, limits), 0u) << message;
    limits.maxKeys = 4;
    EXPECT_EQ(ReadNtHive(path, &hive, &message, limits), kErrorBadDatabase);
    limits = HiveLimits();
    limits.maxValues = 0;
    EXPECT_EQ(ReadNtHive(path, &hive, &message, limits), kErrorBadDatabase);
}

TEST_F(NtHiveReaderTest, OpensOnlyPlainFilesWithoutFollowingLinks) {
    std::string good = Write(NtUserHive("bob", "C:\\x"), "good");
    std::string link = folder_.path() + "/link";
    ASSERT_EQ(::symlink(good.c_str(), link.c_str()), 0);
    std::string fifo = folder_.path() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        std::string path;
        DWORD error;
    };
    for (const Case& c : {Case{link, kErrorCantResolveFilename}, Case{fifo, kErrorCantAccessFile},
                          Case{"/dev/zero", kErrorCantAccessFile}, Case{folder_.path(), kErrorCantAccessFile},
                          Case{folder_.path() + "/missing", kErrorFileNotFound}}) {
        OfflineHive hive;
        std::string message;
        EXPECT_EQ(ReadNtHive(c.path, &hive, &message), c.error) << c.path;
        EXPECT_NE(message.find(c.path), std::string::npos) << message;
    }
}

}  // namespace
}  // namespace sl::platform::offline
