// Saving registry subtrees into archives.
#include "kernel/storage/reg_save_restore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <new>
#include <optional>
#include <utility>

#include "kernel/testing/fault_injection.h"
#include "kernel/storage/archive.h"
#include "kernel/storage/reg_archive_test_support.h"
#include "kernel/testing/temp_prefix.h"

namespace sl {
namespace {

TEST_F(RegSaveRestoreTest, SavesTheDemoKeyAsTheKnown150Bytes) {
    SetValue(kHkeyCurrentUser, "Software\\Demo", "Size", platform::kRegDword, Dword(16));
    SetValue(kHkeyCurrentUser, "Software\\Demo\\Opts", "Mode", platform::kRegSz, Sz("fast"));

    EXPECT_EQ(Save(kHkeyCurrentUser, "Software\\Demo", "1.bin"), 0);

    const std::string root = std::string("\x01\x00\x00\x80", 4);
    std::string expected = std::string("\x03\x00\xFF\xFF\x01\x00\x0F\x00", 8) + "CRegContentItem";
    expected += std::string(4, '\0') + root + "\x0DSoftware\\Demo" + std::string(1, '\0') +
                "\x04Size" + Dword(4) + Dword(4) + Dword(16);
    expected += std::string("\x01\x80\x01\x00\x00\x00", 6) + root + "\x12Software\\Demo\\Opts" +
                std::string(10, '\0');
    expected += std::string("\x01\x80", 2) + std::string(4, '\0') + root +
                "\x12Software\\Demo\\Opts" + std::string(1, '\0') + "\x04Mode" + Dword(1) +
                Dword(5) + Sz("fast");
    ASSERT_EQ(expected.size(), 150u);
    EXPECT_EQ(prefix.ReadFile(Archive("1.bin")), expected);

    // Identical content gives identical archives.
    EXPECT_EQ(Save(kHkeyCurrentUser, "Software\\Demo", "2.bin"), 0);
    EXPECT_EQ(prefix.ReadFile(Archive("2.bin")), expected);
}

TEST_F(RegSaveRestoreTest, EmptyAndMissingKeysGiveTwoByteArchives) {
    CreateKey(kHkeyCurrentUser, "Software\\Empty");
    EXPECT_EQ(Save(kHkeyCurrentUser, "Software\\Empty", "1.bin"), 0);
    EXPECT_EQ(prefix.ReadFile(Archive("1.bin")), std::string(2, '\0'));

    EXPECT_EQ(Save(kHkeyCurrentUser, "Software\\Missing", "2.bin"), 2);
    EXPECT_EQ(prefix.ReadFile(Archive("2.bin")), std::string(2, '\0'));

    std::string errors;
    EXPECT_EQ(RegSLRestore(Archive("2.bin"), &errors), 0);
    EXPECT_EQ(errors, "");
    EXPECT_FALSE(KeyExists(kHkeyCurrentUser, "Software\\Missing"));
}

// A link key whose target is gone (Wine leaves such links behind) is left
// out of a save instead of failing it.
TEST_F(RegSaveRestoreTest, ALinkToNowhereIsLeftOutOfASave) {
    std::string target;
    for (char c : std::string("\\Registry\\Machine\\Software\\Gone")) {
        target += (target.empty() ? "" : ",") + std::string(1, "0123456789abcdef"[(c >> 4) & 15]) +
                  "0123456789abcdef"[c & 15] + ",00";
    }
    {
        std::ofstream hive(prefix.PrefixPath() + "/system.reg", std::ios::app);
        hive << "\n[Software\\\\App\\\\Dangling] 1796618213\n#link\n\"SymbolicLinkValue\"=hex(6):" << target
             << "\n\n[Software\\\\App\\\\Real] 1796618213\n\"a\"=\"b\"\n";
    }
    Reload();
    EXPECT_EQ(Save(kHkeyLocalMachine, "Software\\App", "1.bin"), 0);
    EXPECT_EQ(Summary(Load("1.bin")), (std::vector<std::string>{"Software\\App\\Real|", "Software\\App\\Real|a"}));
}

TEST_F(RegSaveRestoreTest, KeyListsFilterTheFirstLevelAndValueListsEveryLevel) {
    const std::string key = "Software\\App";
    SetValue(kHkeyCurrentUser, key, "Top", platform::kRegDword, Dword(1));
    SetValue(kHkeyCurrentUser, key + "\\Keep", "A", platform::kRegDword, Dword(2));
    SetValue(kHkeyCurrentUser, key + "\\Keep", "Secret", platform::kRegDword, Dword(3));
    SetValue(kHkeyCurrentUser, key + "\\Keep\\Other\\Deeper", "B", platform::kRegDword, Dword(4));
    SetValue(kHkeyCurrentUser, key + "\\Keep\\Other\\Deeper", "secret", platform::kRegDword,
             Dword(5));
    SetValue(kHkeyCurrentUser, key + "\\Skip", "C", platform::kRegDword, Dword(6));
    SetValue(kHkeyCurrentUser, key + "\\Skip\\Keep", "D", platform::kRegDword, Dword(7));

    EXPECT_EQ(Save(kHkeyCurrentUser, key, "1.bin", "'KEEP'", "", "", "'SECRET'"), 0);
    EXPECT_EQ(Summary(Load("1.bin")),
              (std::vector<std::string>{key + "|Top", key + "\\Keep|", key + "\\Keep|A",
                                        key + "\\Keep\\Other|", key + "\\Keep\\Other\\Deeper|",
                                        key + "\\Keep\\Other\\Deeper|B"}));

    // An exclude list removes a first-level subkey with its whole subtree.
    EXPECT_EQ(Save(kHkeyCurrentUser, key, "2.bin", "", "'KEEP'", "'C';'D'"), 0);
    EXPECT_EQ(Summary(Load("2.bin")),
              (std::vector<std::string>{key + "\\Skip|", key + "\\Skip|C", key + "\\Skip\\Keep|",
                                        key + "\\Skip\\Keep|D"}));
}

TEST_F(RegSaveRestoreTest, DefaultValueMatchesTwoAdjacentQuotes) {
    SetValue(kHkeyCurrentUser, "Software\\D", "", platform::kRegSz, Sz("default"));
    SetValue(kHkeyCurrentUser, "Software\\D", "Named", platform::kRegSz, Sz("named"));
    EXPECT_EQ(Save(kHkeyCurrentUser, "Software\\D", "1.bin", "", "", "''"), 0);
    EXPECT_EQ(Summary(Load("1.bin")), std::vector<std::string>{"Software\\D|"});
}

TEST(DrivePathTest, FindsALetterColonBackslashNotPrecededByALetter) {
    auto holds = [](const std::string& text) {
        return HoldsDrivePath(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    };
    EXPECT_TRUE(holds("C:\\x"));
    EXPECT_TRUE(holds("x;C:\\y"));
    EXPECT_TRUE(holds("x:C:\\dir"));
    EXPECT_TRUE(holds("http://a;d:\\b"));
    EXPECT_FALSE(holds("::C:\\dir"));
    EXPECT_FALSE(holds("ab:\\x"));
    EXPECT_FALSE(holds("http://host/C:/x"));
    EXPECT_FALSE(holds("1:\\x"));
    EXPECT_FALSE(holds("C:"));
    EXPECT_FALSE(holds(std::string("x\0C:\\dir", 9)));  // stops at the first zero
    const std::string text = "C:\\dir";
    EXPECT_FALSE(HoldsDrivePath(reinterpret_cast<const std::uint8_t*>(text.data()), 2));
}

TEST_F(RegSaveRestoreTest, DrivePathValuesAreLeftOutUnlessKept) {
    const std::string key = "Software\\Paths";
    SetValue(kHkeyCurrentUser, key, "A", platform::kRegSz, Sz("x:C:\\dir"));
    SetValue(kHkeyCurrentUser, key, "B", platform::kRegSz, Sz("::C:\\dir"));
    SetValue(kHkeyCurrentUser, key, "C", platform::kRegExpandSz, Sz("C:\\dir"));
    SetValue(kHkeyCurrentUser, key, "D", platform::kRegMultiSz, Sz("C:\\dir") + '\0');
    SetValue(kHkeyCurrentUser, key, "E", platform::kRegBinary, "C:\\dir");
    SetValue(kHkeyCurrentUser, key + "\\Sub", "F", platform::kRegSz, Sz("D:\\deep"));

    EXPECT_EQ(Save(kHkeyCurrentUser, key, "1.bin"), 0);
    EXPECT_EQ(Summary(Load("1.bin")),
              (std::vector<std::string>{key + "|B", key + "|C", key + "|D", key + "|E",
                                        key + "\\Sub|"}));

    EXPECT_EQ(Save(kHkeyCurrentUser, key, "2.bin", "", "", "", "", 1), 0);
    EXPECT_EQ(Load("2.bin").size(), 7u);
}

TEST_F(RegSaveRestoreTest, CompositeStatusWrapsModulo2To32) {
    auto faulty = std::make_shared<FaultyPlatform>(prefix.Platform());
    faulty->writeRunsOutOfMemory = true;
    auto previous = platform::Install(faulty);
    // Values status 2 (missing key), archive 99123: 2 + 1000000 * 99123 mod 2^32.
    std::int32_t status = Save(kHkeyCurrentUser, "Software\\Missing", "1.bin");
    platform::Install(previous);
    EXPECT_EQ(static_cast<std::uint32_t>(status), 338752192u + 2u);
    // An archive that cannot be written at all: bad path (3) in the archive part.
    EXPECT_EQ(RegSLSave(static_cast<std::uint32_t>(kHkeyCurrentUser), "Software\\Missing",
                        "C:\\NoSuchFolder\\1.bin", "", "", "", "", 0),
              2 + 3000000);
}

}  // namespace
}  // namespace sl
