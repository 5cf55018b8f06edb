// The scripts the build embeds in the kernel, and the loading path from a
// module's resources to an instruction list.
#include <gtest/gtest.h>

#include <set>

#include "kernel/script/decode.h"
#include "kernel/script/instruction_list.h"
#include "kernel/script/resource_loader.h"
#include "kernel/script/script_key.h"
#include "kernel/script/symbols.h"
#include "kernel/script/test_support.h"

namespace sl {
namespace {

class EmbeddedScriptTest : public testing::ScriptTest {
protected:
    std::string errors;
};

TEST_F(EmbeddedScriptTest, ResourcesHoldOnlyEncodedText) {
    for (std::uint16_t id : {1003, 1004}) {
        std::string raw;
        ASSERT_EQ(LoadResourceText(KernelResources(), raw, id, "Bin"), 1) << id;
        ASSERT_FALSE(raw.empty());
        EXPECT_EQ(raw.size() % 2, 0u);
        for (char c : raw) ASSERT_NO_THROW(CharValue(c)) << id;
        EXPECT_EQ(raw.find("//"), std::string::npos);
        EXPECT_EQ(raw.find("HKEY_"), std::string::npos);
        // Only its own type: "Text" 1003 is not the script.
        EXPECT_EQ(LoadResourceText(KernelResources(), raw, id, "Text"), 0);
    }
}

TEST_F(EmbeddedScriptTest, ActionScriptParsesCleanlyIntoBackupKinds) {
    CSLInstructionList list("", 1003, errors);
    ASSERT_FALSE(list.Items.empty());
    EXPECT_EQ(errors, "");
    EXPECT_TRUE(LogEntries().empty());
    for (const auto& item : list.Items) {
        EXPECT_TRUE(item->Kind == KIND_REGISTRY || item->Kind == KIND_FILES) << item->ID;
        if (const RegInstruction* reg = item->Reg()) {
            EXPECT_FALSE(reg->KeyPath.empty()) << item->ID;
        }
        if (const FileInstruction* files = item->Files()) {
            EXPECT_NE(files->PathID, 0) << item->ID;
            EXPECT_FALSE(files->FileMask.empty()) << item->ID;
        }
    }

    CSLInstructionList winamp("'58'", 1003, errors);
    bool found = false;
    for (const auto& item : winamp.Items) {
        EXPECT_EQ(item->ID, "'58'");
        const FileInstruction* files = item->Files();
        if (files && files->PathID == WINAMP_DIR && files->FileMask == "WINAMP.INI") found = true;
    }
    EXPECT_TRUE(found);
}

TEST_F(EmbeddedScriptTest, InstalledTestsScriptParsesCleanlyIntoTestKinds) {
    CSLInstructionList list("", 1004, errors);
    ASSERT_FALSE(list.Items.empty());
    EXPECT_EQ(errors, "");
    std::set<std::string> ids;
    for (const auto& item : list.Items) {
        EXPECT_TRUE(item->Kind == KIND_REGKEY_EXISTS || item->Kind == KIND_FILE_EXISTS ||
                    item->Kind == KIND_SPECIAL_EXISTS)
            << item->ID;
        if (const RegKeyTest* key = item->KeyTest()) {
            EXPECT_NE(key->Root, 0u) << item->ID;
        }
        if (const FileTest* file = item->FileExists()) {
            EXPECT_NE(file->PathID, 0) << item->ID;
        }
        ids.insert(item->ID);
    }
    EXPECT_TRUE(ids.count("'57'"));
}

TEST_F(EmbeddedScriptTest, MissingResourceIsAnEmptyListWithoutMessage) {
    errors = "kept\n";
    CSLInstructionList list("", 999, errors);
    EXPECT_TRUE(list.Items.empty());
    EXPECT_EQ(list.ErrorText, "");
    EXPECT_EQ(errors, "kept\n");
    EXPECT_TRUE(LogEntries().empty());
}

// A module of our own, to feed the loader resources the kernel does not hold.
struct TestModule {
    std::string empty;
    std::string script = EncodeText("5, 2\n6, 2\n", kScriptKey);
    std::string odd = script.substr(1);
    std::string badChar = "1A-A";
    ResourceEntry entries[4] = {
        {"Bin", 1, reinterpret_cast<const unsigned char*>(empty.data()), 0},
        {"Bin", 2, reinterpret_cast<const unsigned char*>(script.data()), script.size()},
        {"Bin", 3, reinterpret_cast<const unsigned char*>(odd.data()), odd.size()},
        {"Bin", 4, reinterpret_cast<const unsigned char*>(badChar.data()), badChar.size()},
    };
    ResourceTable table{entries, 4};
};

TEST_F(EmbeddedScriptTest, LoadsDecodesAndFiltersAModulesResource) {
    TestModule module;
    CSLInstructionList all(module.table, "", 2, errors);
    ASSERT_EQ(all.Items.size(), 2u);
    EXPECT_EQ(all.Items[1]->ID, "'6'");
    CSLInstructionList some(module.table, "'6'", 2, errors);
    ASSERT_EQ(some.Items.size(), 1u);
    EXPECT_EQ(some.Items[0]->ID, "'6'");
    CSLInstructionList empty(module.table, "", 1, errors);
    EXPECT_TRUE(empty.Items.empty());
    EXPECT_EQ(errors, "");
}

TEST_F(EmbeddedScriptTest, DecodeFailureBecomesAnEmptyListAndAMessage) {
    TestModule module;
    CSLInstructionList odd(module.table, "", 3, errors);
    EXPECT_TRUE(odd.Items.empty());
    EXPECT_EQ(odd.ErrorText, "DecodeText error: Length is bad.\n");

    CSLInstructionList bad(module.table, "", 4, errors);
    EXPECT_TRUE(bad.Items.empty());
    EXPECT_EQ(bad.ErrorText, "DecodeText error: Encrypt Char Error\n");

    EXPECT_EQ(errors, "DecodeText error: Length is bad.\nDecodeText error: Encrypt Char Error\n");
    ASSERT_EQ(LogEntries().size(), 2u);
    EXPECT_TRUE(EntryHolds(LogEntries()[0], "DecodeText error: Length is bad.\n"));
    EXPECT_TRUE(EntryHolds(LogEntries()[1], "DecodeText error: Encrypt Char Error\n"));
}

}  // namespace
}  // namespace sl
