// ResolvePathID against a temporary prefix whose registry the tests fill.
#include <gtest/gtest.h>

#include <cstring>

#include "kernel/resolve/path_resolution.h"
#include "kernel/resolve/path_text.h"
#include "kernel/resolve/reg_key.h"
#include "kernel/script/symbols.h"
#include "kernel/testing/registry_values.h"
#include "kernel/testing/temp_prefix.h"

namespace sl {
namespace {

using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;

const char* const kWinamp = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Winamp";
const char* const kNetscapeUsers = "SOFTWARE\\Netscape\\Netscape Navigator\\Users";

TEST(PathTextTest, TrailingBackslashAndDirectoryPart) {
    EXPECT_EQ(WithTrailingBackslash(""), "");
    EXPECT_EQ(WithTrailingBackslash("C:\\a"), "C:\\a\\");
    EXPECT_EQ(WithTrailingBackslash("C:\\a\\"), "C:\\a\\");
    EXPECT_EQ(DirectoryPart("C:\\ICQ"), "C:\\");
    EXPECT_EQ(DirectoryPart("C:\\ICQ\\ICQ.DLL"), "C:\\ICQ");
    EXPECT_EQ(DirectoryPart("ICQ.DLL"), "");
    EXPECT_EQ(DirectoryPart("\\x"), "");
}

TEST(ResolvePathIDTest, WindowsFoldersComeFromThePlatform) {
    testing::TempPrefix prefix;
    std::string errors;
    EXPECT_EQ(ResolvePathID(WINDOWS_DIR, errors), "C:\\windows\\");
    EXPECT_EQ(ResolvePathID(WINDOWS_SYS_DIR, errors), "C:\\windows\\system32\\");
    EXPECT_EQ(ResolvePathID(WINDOWS_SYS32_DIR, errors), ResolvePathID(WINDOWS_SYS_DIR, errors));
    EXPECT_TRUE(errors.empty());
}

TEST(ResolvePathIDTest, OfficeReadsDefaultValueOrPath) {
    testing::TempPrefix prefix;
    testing::SetString(platform::Current(), kHkeyLocalMachine,
                       "SOFTWARE\\Microsoft\\Office\\8.0\\Common\\InstallRoot", "", "C:\\Office");
    testing::SetString(platform::Current(), kHkeyLocalMachine,
                       "SOFTWARE\\Microsoft\\Office\\8.0\\Common\\InstallRoot", "Path",
                       "C:\\Wrong");
    testing::SetString(platform::Current(), kHkeyLocalMachine,
                       "SOFTWARE\\Microsoft\\Office\\8.0\\Word\\InstallRoot", "", "C:\\Wrong");
    testing::SetString(platform::Current(), kHkeyLocalMachine,
                       "SOFTWARE\\Microsoft\\Office\\8.0\\Word\\InstallRoot", "Path",
                       "C:\\Office\\Winword\\");
    testing::SetString(platform::Current(), kHkeyLocalMachine,
                       "SOFTWARE\\Microsoft\\Office\\8.0\\Excel\\InstallRoot", "Path",
                       "\"C:\\Office\\Excel\"");
    std::string errors;
    EXPECT_EQ(ResolvePathID(MSOFFICE_8_DIR, errors), "C:\\Office\\");
    EXPECT_EQ(ResolvePathID(MSOFFICE_8_WORD_DIR, errors), "C:\\Office\\Winword\\");
    EXPECT_EQ(ResolvePathID(MSOFFICE_8_EXCEL_DIR, errors), "C:\\Office\\Excel\\");
    // A missing key gives an empty folder without a message.
    EXPECT_EQ(ResolvePathID(MSOFFICE_8_TEMPLATES_DIR, errors), "");
    EXPECT_TRUE(errors.empty());
}

TEST(ResolvePathIDTest, ShellFoldersAndOutlookExpress) {
    testing::TempPrefix prefix;
    const std::string shell = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    testing::SetString(platform::Current(), kHkeyCurrentUser, shell, "Favorites",
                       "C:\\users\\demo\\Favorites");
    testing::SetString(platform::Current(), kHkeyCurrentUser, shell, "Cookies",
                       "C:\\users\\demo\\Cookies\\");
    testing::SetString(platform::Current(), kHkeyCurrentUser, shell, "History",
                       "C:\\users\\demo\\History");
    testing::SetString(platform::Current(), kHkeyCurrentUser,
                       "Software\\Microsoft\\Outlook Express", "Store Root", "C:\\OE\\Store");
    std::string errors;
    EXPECT_EQ(ResolvePathID(WINDOWS_FAVORITES_CU_DIR, errors), "C:\\users\\demo\\Favorites\\");
    EXPECT_EQ(ResolvePathID(WINDOWS_COOKIES_CU_DIR, errors), "C:\\users\\demo\\Cookies\\");
    EXPECT_EQ(ResolvePathID(WINDOWS_HISTORY_CU_DIR, errors), "C:\\users\\demo\\History\\");
    EXPECT_EQ(ResolvePathID(OUTLOOKEXPRESS_DATA_DIR, errors), "C:\\OE\\Store\\");
    EXPECT_EQ(ResolvePathID(OUTLOOKEXPRESS_DIR, errors), "");
}

TEST(ResolvePathIDTest, WinampFolderIsTheUninstallersFolder) {
    testing::TempPrefix prefix;
    std::string errors;
    testing::SetString(platform::Current(), kHkeyLocalMachine, kWinamp, "UninstallString",
                       "C:\\Program Files\\Winamp\\UNINSTWA.EXE");
    EXPECT_EQ(ResolvePathID(WINAMP_DIR, errors), "C:\\Program Files\\Winamp\\");
    testing::SetString(platform::Current(), kHkeyLocalMachine, kWinamp, "UninstallString",
                       "\"C:\\Program Files\\Winamp\\UNINSTWA.EXE\"");
    EXPECT_EQ(ResolvePathID(WINAMP_DIR, errors), "C:\\Program Files\\Winamp\\");
    testing::SetString(platform::Current(), kHkeyLocalMachine, kWinamp, "UninstallString",
                       "UNINSTWA.EXE");
    EXPECT_EQ(ResolvePathID(WINAMP_DIR, errors), "UNINSTWA.EXE\\");
    testing::SetString(platform::Current(), kHkeyLocalMachine, kWinamp, "UninstallString", "\"");
    EXPECT_EQ(ResolvePathID(WINAMP_DIR, errors), "");
}

TEST(ResolvePathIDTest, IcqFolderIsAboveItsDllFolder) {
    testing::TempPrefix prefix;
    std::string errors;
    testing::SetString(platform::Current(), kHkeyCurrentUser, "Software\\Mirabilis\\ICQ\\DLL", "",
                       "C:\\ICQ\\");
    EXPECT_EQ(ResolvePathID(ICQ_130_DIR, errors), "C:\\");
    testing::SetString(platform::Current(), kHkeyCurrentUser, "Software\\Mirabilis\\ICQ\\DLL", "",
                       "C:\\ICQ\\ICQ.DLL");
    EXPECT_EQ(ResolvePathID(ICQ_130_DIR, errors), "C:\\ICQ\\");
}

TEST(ResolvePathIDTest, NetscapeUsersBecomeASemicolonList) {
    testing::TempPrefix prefix;
    testing::SetString(platform::Current(), kHkeyLocalMachine,
                       std::string(kNetscapeUsers) + "\\alice", "DirRoot", "D:\\U1");
    testing::SetString(platform::Current(), kHkeyLocalMachine,
                       std::string(kNetscapeUsers) + "\\bob", "DirRoot", "D:\\U2\\");
    testing::SetString(platform::Current(), kHkeyLocalMachine,
                       std::string(kNetscapeUsers) + "\\carol", "Other", "x");
    std::string errors;
    EXPECT_EQ(ResolvePathID(NETSCAPE40_USERS_DIR, errors), "D:\\U1\\;D:\\U2\\;");
    EXPECT_TRUE(errors.empty());
}

TEST(ResolvePathIDTest, MissingNetscapeKeyReportsTheEnumerationError) {
    testing::TempPrefix prefix;
    std::string errors;
    EXPECT_EQ(ResolvePathID(NETSCAPE40_USERS_DIR, errors), "");
    EXPECT_EQ(errors.rfind("ResolvePathID #11 EnumerateKeys error: ", 0), 0u)
        << errors;
    std::string log = prefix.LogText();
    EXPECT_NE(log.find("EnumerateKeys Error: "), std::string::npos);
    EXPECT_NE(log.find("ResolvePathID #11 EnumerateKeys error: "), std::string::npos);
}

TEST(ResolvePathIDTest, UnknownPathIdsAreReported) {
    testing::TempPrefix prefix;
    std::string errors;
    EXPECT_EQ(ResolvePathID(0, errors), "");
    EXPECT_EQ(ResolvePathID(16, errors), "");
    EXPECT_EQ(ResolvePathID(-1, errors), "");
    EXPECT_EQ(errors,
              "ResolvePathID #0 not found\nResolvePathID #16 not found\nResolvePathID #-1 not found\n");
    EXPECT_NE(prefix.LogText().find("ResolvePathID #16 not found\r\n"), std::string::npos);
}

TEST(RegKeyTest, QueryStringDefaultsAndBinaryData) {
    testing::TempPrefix prefix;
    CSLRegKey key(kHkeyCurrentUser, "Software\\Test", true);
    ASSERT_TRUE(key.IsOpen());
    const std::uint8_t binary[3] = {'a', 'b', 'c'};
    ASSERT_EQ(key.SetValue("bin", platform::kRegBinary, binary, 3), 0);
    std::string longText(300, 'x');
    ASSERT_EQ(key.SetValue("long", platform::kRegSz,
                           reinterpret_cast<const std::uint8_t*>(longText.c_str()), 301),
              0);
    EXPECT_EQ(key.QueryString("bin", "d"), "abc");
    EXPECT_EQ(key.QueryString("long", "d"), "d");  // longer than 256 bytes
    EXPECT_EQ(key.QueryString("missing", "d"), "d");
    EXPECT_EQ(key.Close(), 0);
    EXPECT_EQ(key.Close(), 0);
    EXPECT_EQ(key.QueryString("bin", "closed"), "closed");
    CSLRegKey missing;
    EXPECT_EQ(missing.Open(kHkeyCurrentUser, "Software\\Nothing", false), 2);
    EXPECT_FALSE(missing.IsOpen());
}

}  // namespace
}  // namespace sl
