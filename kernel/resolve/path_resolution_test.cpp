// ResolvePathID against a temporary prefix whose registry the tests fill.
#include <gtest/gtest.h>

#include <cstring>

#include "kernel/interface/kernel.h"
#include "kernel/resolve/path_text.h"
#include "kernel/resolve/reg_key.h"
#include "kernel/script/symbols.h"
#include "kernel/testing/temp_prefix.h"

namespace sl {
namespace {

using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;

void SetString(platform::HKEY root, const std::string& key, const std::string& name,
               const std::string& value) {
    CSLRegKey regKey(root, key, true);
    ASSERT_TRUE(regKey.IsOpen()) << key;
    ASSERT_EQ(regKey.SetValue(name, platform::kRegSz,
                              reinterpret_cast<const std::uint8_t*>(value.c_str()),
                              static_cast<platform::DWORD>(value.size() + 1)),
              0);
}

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
    CSLKernel kernel;
    EXPECT_EQ(kernel.ResolvePathID(WINDOWS_DIR), "C:\\windows\\");
    EXPECT_EQ(kernel.ResolvePathID(WINDOWS_SYS_DIR), "C:\\windows\\system32\\");
    EXPECT_EQ(kernel.ResolvePathID(WINDOWS_SYS32_DIR), kernel.ResolvePathID(WINDOWS_SYS_DIR));
    EXPECT_TRUE(kernel.ErrorText.empty());
}

TEST(ResolvePathIDTest, OfficeReadsDefaultValueOrPath) {
    testing::TempPrefix prefix;
    SetString(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Office\\8.0\\Common\\InstallRoot", "",
              "C:\\Office");
    SetString(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Office\\8.0\\Common\\InstallRoot", "Path",
              "C:\\Wrong");
    SetString(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Office\\8.0\\Word\\InstallRoot", "",
              "C:\\Wrong");
    SetString(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Office\\8.0\\Word\\InstallRoot", "Path",
              "C:\\Office\\Winword\\");
    SetString(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Office\\8.0\\Excel\\InstallRoot", "Path",
              "\"C:\\Office\\Excel\"");
    CSLKernel kernel;
    EXPECT_EQ(kernel.ResolvePathID(MSOFFICE_8_DIR), "C:\\Office\\");
    EXPECT_EQ(kernel.ResolvePathID(MSOFFICE_8_WORD_DIR), "C:\\Office\\Winword\\");
    EXPECT_EQ(kernel.ResolvePathID(MSOFFICE_8_EXCEL_DIR), "C:\\Office\\Excel\\");
    // A missing key gives an empty folder without a message.
    EXPECT_EQ(kernel.ResolvePathID(MSOFFICE_8_TEMPLATES_DIR), "");
    EXPECT_TRUE(kernel.ErrorText.empty());
}

TEST(ResolvePathIDTest, ShellFoldersAndOutlookExpress) {
    testing::TempPrefix prefix;
    const std::string shell = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    SetString(kHkeyCurrentUser, shell, "Favorites", "C:\\users\\demo\\Favorites");
    SetString(kHkeyCurrentUser, shell, "Cookies", "C:\\users\\demo\\Cookies\\");
    SetString(kHkeyCurrentUser, shell, "History", "C:\\users\\demo\\History");
    SetString(kHkeyCurrentUser, "Software\\Microsoft\\Outlook Express", "Store Root", "C:\\OE\\Store");
    CSLKernel kernel;
    EXPECT_EQ(kernel.ResolvePathID(WINDOWS_FAVORITES_CU_DIR), "C:\\users\\demo\\Favorites\\");
    EXPECT_EQ(kernel.ResolvePathID(WINDOWS_COOKIES_CU_DIR), "C:\\users\\demo\\Cookies\\");
    EXPECT_EQ(kernel.ResolvePathID(WINDOWS_HISTORY_CU_DIR), "C:\\users\\demo\\History\\");
    EXPECT_EQ(kernel.ResolvePathID(OUTLOOKEXPRESS_DATA_DIR), "C:\\OE\\Store\\");
    EXPECT_EQ(kernel.ResolvePathID(OUTLOOKEXPRESS_DIR), "");
}

TEST(ResolvePathIDTest, WinampFolderIsTheUninstallersFolder) {
    testing::TempPrefix prefix;
    CSLKernel kernel;
    SetString(kHkeyLocalMachine, kWinamp, "UninstallString", "C:\\Program Files\\Winamp\\UNINSTWA.EXE");
    EXPECT_EQ(kernel.ResolvePathID(WINAMP_DIR), "C:\\Program Files\\Winamp\\");
    SetString(kHkeyLocalMachine, kWinamp, "UninstallString",
              "\"C:\\Program Files\\Winamp\\UNINSTWA.EXE\"");
    EXPECT_EQ(kernel.ResolvePathID(WINAMP_DIR), "C:\\Program Files\\Winamp\\");
    SetString(kHkeyLocalMachine, kWinamp, "UninstallString", "UNINSTWA.EXE");
    EXPECT_EQ(kernel.ResolvePathID(WINAMP_DIR), "UNINSTWA.EXE\\");
    SetString(kHkeyLocalMachine, kWinamp, "UninstallString", "\"");
    EXPECT_EQ(kernel.ResolvePathID(WINAMP_DIR), "");
}

TEST(ResolvePathIDTest, IcqFolderIsAboveItsDllFolder) {
    testing::TempPrefix prefix;
    CSLKernel kernel;
    SetString(kHkeyCurrentUser, "Software\\Mirabilis\\ICQ\\DLL", "", "C:\\ICQ\\");
    EXPECT_EQ(kernel.ResolvePathID(ICQ_130_DIR), "C:\\");
    SetString(kHkeyCurrentUser, "Software\\Mirabilis\\ICQ\\DLL", "", "C:\\ICQ\\ICQ.DLL");
    EXPECT_EQ(kernel.ResolvePathID(ICQ_130_DIR), "C:\\ICQ\\");
}

TEST(ResolvePathIDTest, NetscapeUsersBecomeASemicolonList) {
    testing::TempPrefix prefix;
    SetString(kHkeyLocalMachine, std::string(kNetscapeUsers) + "\\alice", "DirRoot", "D:\\U1");
    SetString(kHkeyLocalMachine, std::string(kNetscapeUsers) + "\\bob", "DirRoot", "D:\\U2\\");
    SetString(kHkeyLocalMachine, std::string(kNetscapeUsers) + "\\carol", "Other", "x");
    CSLKernel kernel;
    EXPECT_EQ(kernel.ResolvePathID(NETSCAPE40_USERS_DIR), "D:\\U1\\;D:\\U2\\;");
    EXPECT_TRUE(kernel.ErrorText.empty());
}

TEST(ResolvePathIDTest, MissingNetscapeKeyReportsTheEnumerationError) {
    testing::TempPrefix prefix;
    CSLKernel kernel;
    EXPECT_EQ(kernel.ResolvePathID(NETSCAPE40_USERS_DIR), "");
    EXPECT_EQ(kernel.ErrorText.rfind("ResolvePathID #11 EnumerateKeys error: ", 0), 0u)
        << kernel.ErrorText;
    std::string log = prefix.LogText();
    EXPECT_NE(log.find("EnumerateKeys Error: "), std::string::npos);
    EXPECT_NE(log.find("ResolvePathID #11 EnumerateKeys error: "), std::string::npos);
}

TEST(ResolvePathIDTest, UnknownPathIdsAreReported) {
    testing::TempPrefix prefix;
    CSLKernel kernel;
    EXPECT_EQ(kernel.ResolvePathID(0), "");
    EXPECT_EQ(kernel.ResolvePathID(16), "");
    EXPECT_EQ(kernel.ResolvePathID(-1), "");
    EXPECT_EQ(kernel.ErrorText,
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
