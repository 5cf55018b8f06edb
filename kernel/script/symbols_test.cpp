#include "kernel/script/symbols.h"

#include <gtest/gtest.h>

#include "kernel/script/instruction_list.h"
#include "kernel/script/test_support.h"

namespace sl {
namespace {

class SymbolsTest : public testing::ScriptTest {
protected:
    std::string errors;
    CSLInstructionList list = CSLInstructionList::FromPlainText("", "", errors);
};

TEST_F(SymbolsTest, RootsMatchExactlyAndCaseSensitively) {
    EXPECT_EQ(list.sToHKey("HKEY_CLASSES_ROOT"), 0x80000000u);
    EXPECT_EQ(list.sToHKey("HKEY_CURRENT_USER"), 0x80000001u);
    EXPECT_EQ(list.sToHKey("HKEY_LOCAL_MACHINE"), 0x80000002u);
    EXPECT_EQ(list.sToHKey("HKEY_USERS"), 0x80000003u);
    EXPECT_TRUE(list.ErrorText.empty());
    EXPECT_TRUE(LogEntries().empty());

    EXPECT_EQ(list.sToHKey("hkey_local_machine"), 0u);
    EXPECT_EQ(list.sToHKey("HKEY_LOCAL_MACHINE "), 0u);  // whole name only
    EXPECT_EQ(list.sToHKey("HKEY_USER"), 0u);
    EXPECT_EQ(list.ErrorText,
              "sToHKey 'hkey_local_machine' not found\n"
              "sToHKey 'HKEY_LOCAL_MACHINE ' not found\n"
              "sToHKey 'HKEY_USER' not found\n");
}

TEST_F(SymbolsTest, UnknownRootIsOneMessageAndOneLogEntry) {
    EXPECT_EQ(list.sToHKey("HKLM"), 0u);
    EXPECT_EQ(list.ErrorText, "sToHKey 'HKLM' not found\n");
    ASSERT_EQ(LogEntries().size(), 1u);
    EXPECT_TRUE(EntryHolds(LogEntries()[0], "sToHKey 'HKLM' not found\n"));
    // The lookup itself leaves the caller's text alone; the parser appends
    // the list's text at the end of a parse.
    EXPECT_TRUE(errors.empty());
}

TEST_F(SymbolsTest, PathIDsKeepTheirOwnNumbers) {
    EXPECT_EQ(list.sToPathID("WINDOWS_DIR"), WINDOWS_DIR);
    EXPECT_EQ(WINDOWS_DIR, 1);
    EXPECT_EQ(list.sToPathID("WINDOWS_SYS_DIR"), 2);
    EXPECT_EQ(list.sToPathID("WINDOWS_SYS32_DIR"), 3);  // not 2, though it resolves alike
    EXPECT_EQ(list.sToPathID("MSOFFICE_8_TEMPLATES_DIR"), 7);
    EXPECT_EQ(list.sToPathID("NETSCAPE40_USERS_DIR"), 11);
    EXPECT_EQ(list.sToPathID("OUTLOOKEXPRESS_DATA_DIR"), 13);
    EXPECT_EQ(list.sToPathID("ICQ_130_DIR"), 14);
    EXPECT_EQ(list.sToPathID("WINAMP_DIR"), 15);
    EXPECT_TRUE(list.ErrorText.empty());

    EXPECT_EQ(list.sToPathID("winamp_dir"), 0);
    EXPECT_EQ(list.ErrorText, "sToPathID 'winamp_dir' not found\n");
}

TEST_F(SymbolsTest, SpecialChecksKeepTheirMixedCase) {
    EXPECT_EQ(list.sToSpecialExistsID("NOT_YET_IMPLEMENTED"), NOT_YET_IMPLEMENTED);
    EXPECT_EQ(list.sToSpecialExistsID("IE4_EXISTS"), 1);
    EXPECT_EQ(list.sToSpecialExistsID("IE4_ActiveDesktop_EXISTS"), 2);
    EXPECT_EQ(list.sToSpecialExistsID("NETSCAPE40_EXISTS"), 3);
    EXPECT_TRUE(list.ErrorText.empty());

    EXPECT_EQ(list.sToSpecialExistsID("IE4_ACTIVEDESKTOP_EXISTS"), 0);
    EXPECT_EQ(list.ErrorText, "sToSpecialExistsID 'IE4_ACTIVEDESKTOP_EXISTS' not found\n");
    EXPECT_EQ(LogEntries().size(), 1u);
}

TEST_F(SymbolsTest, EmptyNameFailsEveryTableWithEmptyQuotes) {
    EXPECT_EQ(list.sToHKey(""), 0u);
    EXPECT_EQ(list.sToPathID(""), 0);
    EXPECT_EQ(list.sToSpecialExistsID(""), 0);
    EXPECT_EQ(list.ErrorText,
              "sToHKey '' not found\n"
              "sToPathID '' not found\n"
              "sToSpecialExistsID '' not found\n");
    EXPECT_EQ(LogEntries().size(), 3u);
}

}  // namespace
}  // namespace sl
