#include "kernel/script/instruction_list.h"

#include <gtest/gtest.h>

#include "kernel/script/symbols.h"
#include "kernel/script/test_support.h"

namespace sl {
namespace {

class ParserTest : public testing::ScriptTest {
protected:
    CSLInstructionList Parse(const std::string& text, const std::string& filter = "") {
        return CSLInstructionList::FromPlainText(text, filter, errors);
    }
    static std::vector<std::string> Ids(const CSLInstructionList& list) {
        std::vector<std::string> ids;
        for (const auto& item : list.Items) ids.push_back(item->ID);
        return ids;
    }
    std::string errors;
};

using Strings = std::vector<std::string>;

TEST_F(ParserTest, RegistryLineFillsEveryField) {
    auto list = Parse(
        "7, 0, HKEY_CURRENT_USER , Software\\Microsoft\\IE, 'Main''Zoom', 'Cache', "
        "'Start Page', 'Temp', 12\n");
    ASSERT_EQ(list.Items.size(), 1u);
    const CSLInstruction& item = *list.Items[0];
    EXPECT_EQ(item.ID, "'7'");
    EXPECT_EQ(item.Kind, KIND_REGISTRY);
    const RegInstruction* reg = item.Reg();
    ASSERT_NE(reg, nullptr);
    EXPECT_EQ(reg->Root, platform::kHkeyCurrentUser);
    EXPECT_EQ(reg->KeyPath, "SOFTWARE\\MICROSOFT\\IE");
    EXPECT_EQ(reg->IncludeKeys, "'MAIN''ZOOM'");
    EXPECT_EQ(reg->ExcludeKeys, "'CACHE'");
    EXPECT_EQ(reg->IncludeValues, "'START PAGE'");
    EXPECT_EQ(reg->ExcludeValues, "'TEMP'");
    EXPECT_EQ(reg->KeepPathValues, 12);
    EXPECT_TRUE(errors.empty());
}

TEST_F(ParserTest, FileLinesUpperCaseTextsAndAcceptAnyCaseFolder) {
    auto list = Parse(
        "10, 1, msoffice_8_templates_dir, sub\\dir, 'Data''Profiles', 'cache', normal.dot, 1\n"
        "11, 4, windows_dir, system, win.ini\n");
    ASSERT_EQ(list.Items.size(), 2u);
    const FileInstruction* files = list.Items[0]->Files();
    ASSERT_NE(files, nullptr);
    EXPECT_EQ(files->PathID, MSOFFICE_8_TEMPLATES_DIR);
    EXPECT_EQ(files->SubPath, "SUB\\DIR");
    EXPECT_EQ(files->IncludeDirs, "'DATA''PROFILES'");
    EXPECT_EQ(files->ExcludeDirs, "'CACHE'");
    EXPECT_EQ(files->FileMask, "NORMAL.DOT");
    EXPECT_EQ(files->Recurse, 1);

    // A file-exists test takes the folder name as written: lower case fails.
    const FileTest* test = list.Items[1]->FileExists();
    ASSERT_NE(test, nullptr);
    EXPECT_EQ(test->PathID, 0);
    EXPECT_EQ(test->SubPath, "SYSTEM");
    EXPECT_EQ(test->FileName, "WIN.INI");
    EXPECT_EQ(list.ErrorText, "sToPathID 'windows_dir' not found\n");
    EXPECT_EQ(errors, list.ErrorText);
    ASSERT_EQ(LogEntries().size(), 1u);
    EXPECT_TRUE(EntryHolds(LogEntries()[0], "sToPathID 'windows_dir' not found\n"));
}

TEST_F(ParserTest, InstalledTestKinds) {
    auto list = Parse(
        "57, 3, HKEY_LOCAL_MACHINE, Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Winamp\n"
        "26, 5, IE4_ActiveDesktop_EXISTS\n"
        "8, 5, NETSCAPE40_EXISTS, ignored\n"
        "9, 5, NOT_YET_IMPLEMENTED\n");
    ASSERT_EQ(list.Items.size(), 4u);
    const RegKeyTest* key = list.Items[0]->KeyTest();
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->Root, platform::kHkeyLocalMachine);
    EXPECT_EQ(key->KeyPath, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL\\WINAMP");
    for (std::size_t i = 1; i < 4; ++i) {
        EXPECT_EQ(list.Items[i]->Kind, KIND_SPECIAL_EXISTS);
        EXPECT_TRUE(std::holds_alternative<std::monostate>(list.Items[i]->Data));
    }
    EXPECT_EQ(list.Items[1]->SpecialExistsID, IE4_ActiveDesktop_EXISTS);
    EXPECT_EQ(list.Items[2]->SpecialExistsID, NETSCAPE40_EXISTS);
    EXPECT_EQ(list.Items[3]->SpecialExistsID, NOT_YET_IMPLEMENTED);
    EXPECT_TRUE(errors.empty());
}

TEST_F(ParserTest, LineBreaksBlankLinesAndComments) {
    const std::string lf =
        "\n\n1, 2\n"
        "   \n"
        "\t\n"
        "  // a comment after blanks\n"
        "//2, 2\n"
        "/x, 2\n"
        ", 3, this line has no ID\n"
        "3, 2\n\n\n";
    std::string crlf;
    for (char c : lf) {
        if (c == '\n') crlf.push_back('\r');
        crlf.push_back(c);
    }
    for (const std::string& text : {lf, crlf}) {
        auto list = Parse(text);
        EXPECT_EQ(Ids(list), (Strings{"'1'", "'/x'", "'3'"}));
        for (const auto& item : list.Items) EXPECT_EQ(item->Kind, 2);
        EXPECT_TRUE(list.ErrorText.empty());
    }
    EXPECT_TRUE(LogEntries().empty());
}

TEST_F(ParserTest, LineWithOnlyAnIdIsAnEmptyRegistryInstruction) {
    auto list = Parse("42\r\n");
    ASSERT_EQ(list.Items.size(), 1u);
    EXPECT_EQ(list.Items[0]->ID, "'42'");
    EXPECT_EQ(list.Items[0]->Kind, KIND_REGISTRY);
    const RegInstruction* reg = list.Items[0]->Reg();
    ASSERT_NE(reg, nullptr);
    EXPECT_EQ(reg->Root, 0u);
    EXPECT_TRUE(reg->KeyPath.empty());
    EXPECT_TRUE(reg->IncludeKeys.empty());
    EXPECT_TRUE(reg->ExcludeValues.empty());
    EXPECT_EQ(reg->KeepPathValues, 0);
    EXPECT_EQ(errors, "sToHKey '' not found\n");
    EXPECT_EQ(LogEntries().size(), 1u);
}

TEST_F(ParserTest, RootNameIsCaseSensitive) {
    auto list = Parse("1, 0, hkey_current_user, Software\n");
    ASSERT_EQ(list.Items.size(), 1u);  // kept although the lookup failed
    EXPECT_EQ(list.Items[0]->Reg()->Root, 0u);
    EXPECT_EQ(list.Items[0]->Reg()->KeyPath, "SOFTWARE");
    EXPECT_EQ(errors, "sToHKey 'hkey_current_user' not found\n");
}

TEST_F(ParserTest, FilterSearchesForQuotedTokens) {
    const std::string text = "1, 2\n2, 2\n12, 2\n1, 3\n";
    EXPECT_EQ(Ids(Parse(text, "'1','12'")), (Strings{"'1'", "'12'", "'1'"}));
    EXPECT_EQ(Ids(Parse(text, "'12'")), (Strings{"'12'"}));
    EXPECT_EQ(Ids(Parse(text, "'1''12'")), (Strings{"'1'", "'12'", "'1'"}));  // no separator
    EXPECT_EQ(Ids(Parse(text, "1,2,12")), Strings{});  // tokens need their quotes
    EXPECT_EQ(Ids(Parse(text, "")).size(), 4u);
}

TEST_F(ParserTest, KindsWithoutRecordAndExtraFields) {
    auto list = Parse(
        "1, 2, HKEY_CURRENT_USER, x\n"
        "1, 7\n"
        "1, -1, whatever\n"
        "1, abc\n"
        "1, 1x, WINAMP_DIR, , , , A.INI, 0, extra, more\n");
    ASSERT_EQ(list.Items.size(), 5u);
    EXPECT_EQ(list.Items[0]->Kind, 2);
    EXPECT_EQ(list.Items[1]->Kind, 7);
    EXPECT_EQ(list.Items[2]->Kind, -1);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(std::holds_alternative<std::monostate>(list.Items[i]->Data));
        EXPECT_EQ(list.Items[i]->SpecialExistsID, 0);
    }
    // A kind that does not read as a number is 0, and its line a registry line.
    EXPECT_EQ(list.Items[3]->Kind, KIND_REGISTRY);
    // Leading digits count ("1x" is 1); fields past the last one are ignored.
    EXPECT_EQ(list.Items[4]->Kind, KIND_FILES);
    EXPECT_EQ(list.Items[4]->Files()->PathID, WINAMP_DIR);
    EXPECT_EQ(list.Items[4]->Files()->FileMask, "A.INI");
    EXPECT_EQ(list.Items[4]->Files()->Recurse, 0);
    EXPECT_EQ(errors, "sToHKey '' not found\n");  // from the "1, abc" line only
}

TEST_F(ParserTest, DuplicateIdsKeepScriptOrder) {
    auto list = Parse(
        "59, 1, WINAMP_DIR, SKINS, , , *.*, 1\n"
        "58, 1, WINAMP_DIR, , , , WINAMP.INI, 0\n"
        "59, 1, WINAMP_DIR, SKINS2, , , *.*, 1\n");
    EXPECT_EQ(Ids(list), (Strings{"'59'", "'58'", "'59'"}));
    EXPECT_EQ(list.Items[0]->Files()->SubPath, "SKINS");
    EXPECT_EQ(list.Items[2]->Files()->SubPath, "SKINS2");
}

TEST_F(ParserTest, ErrorsAreAppendedToTheCallersText) {
    errors = "earlier\n";
    auto list = Parse("1, 0, HKLM, x\n2, 5, IE4_ACTIVEDESKTOP_EXISTS\n");
    EXPECT_EQ(list.ErrorText,
              "sToHKey 'HKLM' not found\n"
              "sToSpecialExistsID 'IE4_ACTIVEDESKTOP_EXISTS' not found\n");
    EXPECT_EQ(errors, "earlier\n" + list.ErrorText);
    EXPECT_EQ(LogEntries().size(), 2u);
}

TEST_F(ParserTest, IdKeepsItsCase) {
    auto list = Parse("Abc, 2\n", "'Abc'");
    EXPECT_EQ(Ids(list), (Strings{"'Abc'"}));
    EXPECT_TRUE(Parse("Abc, 2\n", "'ABC'").Items.empty());
}

}  // namespace
}  // namespace sl
