#include "kernel/platform/offline/creg_hive_reader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "kernel/testing/offline/creg_hive_writer.h"
#include "kernel/testing/offline/hive_compare.h"
#include "kernel/testing/offline/windows_layouts.h"

namespace sl::platform::offline {
namespace {

using namespace sl::testing::offline;

// ANSI names and data in code page 1252 bytes ("Müller", "Größe"), every
// value type, embedded zeros, the default value, an empty value.
KeyPlan Awkward() {
    KeyPlan root{"", false, {}, {}, {}};
    KeyPlan& key = root.Key("Software\\M\xFCller Soft\\MixedCase");
    key.Set("", 1, AnsiText("default"))
        .Set("Gr\xF6\xDF" "e", 1, AnsiText("gro\xDF"))
        .Set("Path", 2, AnsiText("%windir%\\x"))
        .Set("Blob", 3, std::string("\0\1\0\xff", 4))
        .Set("Count", 4, Dword(0x01020304))
        .Set("List", 7, std::string("a\0b\0\0", 5))
        .Set("Odd type", 0x4711, "raw")
        .Set("Empty", 3, "");
    root.Key("Software\\lower case").Set("x", 4, Dword(7));
    root.Key("Network\\Logon").Set("username", 1, AnsiText("bob"));
    return root;
}

class CregHiveReaderTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& bytes) {
        std::string path = folder_.path() + "/" + name;
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        return path;
    }
    TempFolder folder_;
};

TEST_F(CregHiveReaderTest, ReturnsTheTreeTheWriterWrote) {
    for (const KeyPlan& tree : {Awkward(), NinetyEightSystem({"bob", "alice"}), NinetyEightUser("bob")}) {
        std::string path = Write("USER.DAT", CregHiveBytes(tree));
        OfflineHive hive;
        std::string message;
        ASSERT_EQ(ReadCregHive(path, &hive, &message), 0u) << message;
        EXPECT_EQ(hive.text, HiveText::Ansi);
        KeyPlan expected = tree;
        if (expected.name.empty()) expected.name = "ROOT";
        EXPECT_EQ(Difference(Expected(expected, HiveText::Ansi), hive.root), "");
        const OfflineKey* found = FindKey(hive.root, "SOFTWARE", hive.text);
        EXPECT_NE(found, nullptr);
    }
}

TEST_F(CregHiveReaderTest, ToolsOfTheDistributionReadTheWrittenFile) {
    if (!HaveTool("cregexport") || !HaveTool("creginfo")) {
        GTEST_SKIP() << "creginfo/cregexport (libcreg-utils) are not installed";
    }
    std::string path = Write("SYSTEM.DAT", CregHiveBytes(Awkward()));
    int status = 0;
    std::string info = RunTool("creginfo '" + path + "' 2>&1", &status);
    EXPECT_EQ(status, 0) << info;
    EXPECT_NE(info.find("(key:) MixedCase"), std::string::npos) << info;
    EXPECT_NE(info.find("(key:) lower case"), std::string::npos) << info;
    std::string out = RunTool("cregexport '" + path + "' 2>&1", &status);
    EXPECT_EQ(status, 0) << out;
    for (const char* line : {// The tool shows 1252 bytes in UTF-8: the bytes were taken as 1252.
                             "Key path: ROOT\\Software\\Müller Soft\\MixedCase",
                             "Value: 1 Größe\nType: string (REG_SZ)\nData size: 5\nData: groß",
                             "Value: 4 Count\nType: 32-bit integer little-endian (REG_DWORD_LITTLE_ENDIAN)\n"
                             "Data size: 4\nData: 16909060",
                             "Value: 0 (default)\nType: string (REG_SZ)\nData size: 8\nData: default",
                             "Value: 3 Blob\nType: binary data (REG_BINARY)\nData size: 4"}) {
        EXPECT_NE(out.find(line), std::string::npos) << line << "\n--- in ---\n" << out;
    }
}

TEST_F(CregHiveReaderTest, RefusesTruncatedAndDamagedFiles) {
    std::string good = CregHiveBytes(NinetyEightSystem({"bob"}));
    std::vector<std::pair<std::string, std::string>> cases = {
        {"empty", ""},
        {"header only", good.substr(0, 32)},
        {"half", good.substr(0, good.size() / 2)},
        {"no data block", good.substr(0, good.size() - 40)},
        {"nt hive", "regf" + std::string(8188, '\0')},
    };
    std::string loop = good;
    // The root's first subkey names the root itself as its first subkey.
    const std::size_t rootEntry = 0x20 + 0x20;
    const std::size_t firstChild = 0x20 + (static_cast<unsigned char>(loop[rootEntry + 16]) |
                                          static_cast<unsigned char>(loop[rootEntry + 17]) << 8);
    loop.replace(firstChild + 16, 4, std::string("\x20\0\0\0", 4));
    cases.emplace_back("loop", loop);
    std::string siblings = good;
    // The first subkey is its own next sibling: the library alone would spin.
    siblings.replace(firstChild + 20, 4, siblings.substr(rootEntry + 16, 4));
    cases.emplace_back("sibling loop", siblings);
    std::string sizes = good;
    sizes.replace(good.find("RGDB") + 4, 4, std::string("\xff\xff\xff\x7f", 4));
    cases.emplace_back("huge data block", sizes);
    for (const auto& [name, bytes] : cases) {
        std::string path = Write(name, bytes);
        OfflineHive hive;
        hive.root.name = "untouched";
        std::string message;
        EXPECT_EQ(ReadCregHive(path, &hive, &message), kErrorBadDatabase) << name;
        EXPECT_NE(message.find(path), std::string::npos) << name << ": " << message;
        EXPECT_EQ(hive.root.name, "untouched") << name;
    }
}

TEST_F(CregHiveReaderTest, OpensOnlyPlainFilesWithoutFollowingLinks) {
    std::string good = Write("USER.DAT", CregHiveBytes(NinetyEightUser("bob")));
    std::string link = folder_.path() + "/link";
    ASSERT_EQ(::symlink(good.c_str(), link.c_str()), 0);
    std::string fifo = folder_.path() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    OfflineHive hive;
    std::string message;
    EXPECT_EQ(ReadCregHive(link, &hive, &message), kErrorCantResolveFilename);
    EXPECT_NE(message.find(link), std::string::npos);
    EXPECT_EQ(ReadCregHive(fifo, &hive, &message), kErrorCantAccessFile);
    EXPECT_NE(message.find(fifo), std::string::npos);
    EXPECT_EQ(ReadCregHive("/dev/null", &hive, &message), kErrorCantAccessFile);
    EXPECT_EQ(ReadCregHive(folder_.path() + "/missing", &hive, &message), kErrorFileNotFound);
}

}  // namespace
}  // namespace sl::platform::offline
