// The read-only machine over Windows disks the test support builds: the
// registry as the ANSI calls see it (32-bit view, code page 1252, sizes and
// end-of-list numbers), files through C: and Z:, and every write refused.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "kernel/platform/offline/machine/offline_platform.h"
#include "kernel/testing/offline/key_plan.h"
#include "kernel/testing/offline/windows_layouts.h"
#include "kernel/testing/offline/nt_hive_writer.h"
#include "kernel/testing/offline/creg_hive_writer.h"

namespace sl::platform::offline {
namespace {

namespace fs = std::filesystem;
using testing::offline::TempFolder;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The value's data as RegQueryValueEx gives it; the result number in *rc.
std::string Query(Platform& machine, HKEY root, const char* key, const char* value, LONG* rc,
                  DWORD* type = nullptr) {
    HKEY handle = 0;
    *rc = machine.RegOpenKeyEx(root, key, kKeyRead, &handle);
    if (*rc != 0) return {};
    DWORD size = 0;
    *rc = machine.RegQueryValueEx(handle, value, type, nullptr, &size);
    std::string data(size, '\0');
    if (*rc == 0) *rc = machine.RegQueryValueEx(handle, value, type, reinterpret_cast<std::uint8_t*>(data.data()), &size);
    machine.RegCloseKey(handle);
    return data;
}

std::string Z(const std::string& unixPath) {
    std::string dos = "Z:" + unixPath;
    for (char& c : dos) if (c == '/') c = '\\';
    return dos;
}

TEST(OfflinePlatform, XpRegistryReadsAsTheAnsiCallsSeeIt) {
    TempFolder disk;
    std::string error;
    ASSERT_TRUE(testing::offline::BuildWindowsXp(disk.path(), {"bob"}, &error)) << error;
    OfflinePlatform machine(disk.path(), "");
    ASSERT_EQ(machine.problem(), "");
    ASSERT_NE(machine.profile(), nullptr);
    EXPECT_EQ(machine.profile()->name, "bob");

    LONG rc = 0;
    DWORD type = 0;
    EXPECT_EQ(Query(machine, kHkeyCurrentUser, "software\\WINAMP", "", &rc, &type),
              std::string("C:\\Program Files\\Winamp\0", 24));
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(Query(machine, kHkeyCurrentUser, "Software\\Winamp", "Language", &rc, &type),
              std::string("\x09\x04\0\0", 4));
    EXPECT_EQ(type, kRegDword);
    Query(machine, kHkeyCurrentUser, "Software\\Winamp", "Missing", &rc);
    EXPECT_EQ(rc, 2);
    Query(machine, kHkeyCurrentUser, "Software\\Nothing", "", &rc);
    EXPECT_EQ(rc, 2);
    EXPECT_EQ(Query(machine, kHkeyLocalMachine,
                    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Winamp",
                    "UninstallString", &rc),
              std::string("C:\\Program Files\\Winamp\\UNINSTWA.EXE\0", 37));
    // HKU shows the profile's hive under its SID.
    HKEY users = 0;
    ASSERT_EQ(machine.RegOpenKeyEx(kHkeyUsers, "S-1-5-21-1004336348-1177238915-682003330-1003\\Software\\Winamp",
                                   kKeyRead, &users), 0);
    machine.RegCloseKey(users);

    // A short buffer: 234 and the size needed; values in Wine's order, 259 at the end.
    HKEY key = 0;
    ASSERT_EQ(machine.RegOpenKeyEx(kHkeyCurrentUser, "Software\\Winamp", kKeyRead, &key), 0);
    std::uint8_t small[4];
    DWORD size = sizeof small;
    EXPECT_EQ(machine.RegQueryValueEx(key, "", nullptr, small, &size), 234);
    EXPECT_EQ(size, 24u);
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameLen = sizeof name;
        LONG r = machine.RegEnumValue(key, i, name, &nameLen, nullptr, nullptr, nullptr);
        if (r == 259) break;
        ASSERT_EQ(r, 0);
        names.emplace_back(name, nameLen);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"", "Language"}));
    DWORD subKeys = 9, values = 0, maxName = 0;
    EXPECT_EQ(machine.RegQueryInfoKey(key, &subKeys, nullptr, &values, &maxName, nullptr), 0);
    EXPECT_EQ(subKeys, 0u);
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(maxName, 8u);

    // Nothing is written.
    const std::uint8_t data[] = "x";
    EXPECT_EQ(machine.RegSetValueEx(key, "New", kRegSz, data, 2), 5);
    EXPECT_EQ(machine.RegFlushKey(key), 5);
    HKEY created = 0;
    DWORD disposition = 0;
    EXPECT_EQ(machine.RegCreateKeyEx(kHkeyCurrentUser, "Software\\New", nullptr, 0, kKeyRead, &created, nullptr), 5);
    EXPECT_EQ(machine.RegCreateKeyEx(kHkeyCurrentUser, "Software\\Winamp", nullptr, 0, kKeyAllAccess, &created, nullptr), 5);
    EXPECT_EQ(machine.RegCreateKeyEx(kHkeyCurrentUser, "Software\\Winamp", nullptr, 0, kKeyRead, &created, &disposition), 0);
    EXPECT_EQ(disposition, 2u);
    machine.RegCloseKey(created);
    machine.RegCloseKey(key);
    EXPECT_EQ(machine.RegCloseKey(key), 6);
}

TEST(OfflinePlatform, FilesComeFromCAndGoToZOnly) {
    TempFolder disk, out;
    std::string error;
    ASSERT_TRUE(testing::offline::BuildWindowsXp(disk.path(), {"bob"}, &error)) << error;
    OfflinePlatform machine(disk.path(), "BOB");
    ASSERT_EQ(machine.problem(), "");
    EXPECT_EQ(machine.GetWindowsDirectory(), "C:\\WINDOWS");
    EXPECT_EQ(machine.GetSystemDirectory(), "C:\\WINDOWS\\system32");

    FindHandle find = 0;
    FindData found;
    ASSERT_EQ(machine.FindFirstFile("C:\\PROGRAM FILES\\winamp\\*.INI", &find, &found), 0);
    EXPECT_EQ(found.name, "winamp.ini");
    EXPECT_EQ(machine.FindNextFile(find, &found), 18);
    machine.FindClose(find);
    EXPECT_EQ(machine.FindFirstFile("C:\\Program Files\\Nothing\\*.*", &find, &found), 3);

    const std::string ini = disk.path() + "/Program Files/Winamp/winamp.ini";
    struct stat before {};
    ASSERT_EQ(::stat(ini.c_str(), &before), 0);
    EXPECT_EQ(machine.CopyFile("C:\\Program Files\\WINAMP\\WINAMP.INI", Z(out.path() + "/winamp.ini")), 0);
    EXPECT_EQ(ReadAll(out.path() + "/winamp.ini"), ReadAll(ini));
    EXPECT_EQ(machine.CreateDirectory(Z(out.path() + "/sub")), 0);

    // Every way onto the disk is refused, through C: and through Z:.
    EXPECT_EQ(machine.CopyFile(Z(out.path() + "/winamp.ini"), "C:\\Program Files\\Winamp\\new.ini"), 5);
    EXPECT_EQ(machine.CopyFile(Z(out.path() + "/winamp.ini"), Z(ini)), 5);
    EXPECT_EQ(machine.CreateDirectory("C:\\New"), 5);
    EXPECT_EQ(machine.CreateDirectory(Z(disk.path() + "/New")), 5);
    FileHandle file = 0;
    EXPECT_EQ(machine.OpenFile("C:\\Program Files\\Winamp\\winamp.ini", FileAccess::Write, &file), 5);
    EXPECT_EQ(machine.OpenFile("C:\\x.txt", FileAccess::CreateNew, &file), 5);
    EXPECT_EQ(machine.DeleteFile("C:\\Program Files\\Winamp\\winamp.ini"), 5);
    EXPECT_EQ(machine.MoveFileReplace("C:\\Program Files\\Winamp\\winamp.ini", Z(out.path() + "/m")), 5);
    ASSERT_EQ(machine.OpenFile("c:\\program files\\winamp\\winamp.ini", FileAccess::Read, &file), 0);
    machine.CloseFile(file, false);

    struct stat after {};
    ASSERT_EQ(::stat(ini.c_str(), &after), 0);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_FALSE(fs::exists(disk.path() + "/New"));
    EXPECT_FALSE(fs::exists(disk.path() + "/x.txt"));
}

TEST(OfflinePlatform, ALinkOffTheDiskIsNotFollowedThroughC) {
    TempFolder disk, outside;
    std::string error;
    ASSERT_TRUE(testing::offline::BuildWindows7(disk.path(), {"ann"}, &error)) << error;
    ASSERT_TRUE(testing::offline::PutFile(outside.path(), "secret.txt", "secret", &error)) << error;
    fs::create_directory_symlink(outside.path(), disk.path() + "/Escape");
    OfflinePlatform machine(disk.path(), "");
    ASSERT_EQ(machine.problem(), "");
    DWORD attributes = 0;
    EXPECT_EQ(machine.GetFileAttributes("C:\\Escape\\secret.txt", &attributes), 3);
    FileHandle file = 0;
    EXPECT_EQ(machine.OpenFile("C:\\Escape\\secret.txt", FileAccess::Read, &file), 3);
    FindHandle find = 0;
    FindData found;
    EXPECT_EQ(machine.FindFirstFile("C:\\Escape\\*.*", &find, &found), 3);
    // A link that stays on the disk is followed, as Windows follows its junction.
    EXPECT_EQ(machine.GetFileAttributes("C:\\Documents and Settings\\ann\\NTUSER.DAT", &attributes), 0);
}

TEST(OfflinePlatform, SevenIsSeenInThe32BitView) {
    TempFolder disk;
    std::string error;
    ASSERT_TRUE(testing::offline::BuildWindows7(disk.path(), {"ann"}, &error)) << error;
    OfflinePlatform machine(disk.path(), "ann");
    ASSERT_EQ(machine.problem(), "");
    EXPECT_EQ(machine.GetWindowsDirectory(), "C:\\Windows");
    EXPECT_EQ(machine.GetSystemDirectory(), "C:\\Windows\\System32");
    LONG rc = 0;
    EXPECT_EQ(Query(machine, kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion",
                    "ProgramFilesDir", &rc),
              std::string("C:\\Program Files (x86)\0", 23));
    EXPECT_EQ(Query(machine, kHkeyLocalMachine,
                    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Winamp",
                    "UninstallString", &rc),
              std::string("C:\\Program Files (x86)\\Winamp\\UNINSTWA.EXE\0", 43));
    // Asked for by name, Wow6432Node itself is reached.
    Query(machine, kHkeyLocalMachine, "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion",
          "ProgramFilesDir", &rc);
    EXPECT_EQ(rc, 0);
    // HKCR is HKLM\Software\Classes, with its classes.
    char name[256], keyClass[256];
    DWORD nameLen = sizeof name, classLen = sizeof keyClass;
    ASSERT_EQ(machine.RegEnumKeyEx(kHkeyClassesRoot, 0, name, &nameLen, keyClass, &classLen), 0);
    EXPECT_EQ(std::string(name, nameLen), "Winamp.File");
    EXPECT_EQ(std::string(keyClass, classLen), "Winamp media file");
    nameLen = 3;
    EXPECT_EQ(machine.RegEnumKeyEx(kHkeyClassesRoot, 0, name, &nameLen, nullptr, nullptr), 234);
    nameLen = sizeof name;
    EXPECT_EQ(machine.RegEnumKeyEx(kHkeyClassesRoot, 1, name, &nameLen, nullptr, nullptr), 259);
}

TEST(OfflinePlatform, NinetyEightHivesAreAnsiAlready) {
    TempFolder disk;
    std::string error;
    ASSERT_TRUE(testing::offline::BuildWindows98(disk.path(), {"carl"}, &error)) << error;
    // A name and data with a character above 127 (code page 1252) and a
    // string stored without its zero.
    testing::offline::KeyPlan user = testing::offline::NinetyEightUser("carl");
    user.Key("Software\\Caf\xe9").Set("N\xe4me", 1, "Gr\xfc\xdf");
    ASSERT_TRUE(testing::offline::WriteCregHive(disk.path() + "/WINDOWS/Profiles/carl/USER.DAT", user, &error)) << error;
    OfflinePlatform machine(disk.path(), "");
    ASSERT_EQ(machine.problem(), "");
    EXPECT_EQ(machine.GetWindowsDirectory(), "C:\\WINDOWS");
    LONG rc = 0;
    EXPECT_EQ(Query(machine, kHkeyCurrentUser, "Software\\Winamp", "", &rc),
              std::string("C:\\Program Files\\Winamp\0", 24));
    EXPECT_EQ(Query(machine, kHkeyCurrentUser, "Software\\CAF\xc9", "n\xc4me", &rc),
              std::string("Gr\xfc\xdf\0", 5));
    EXPECT_EQ(Query(machine, kHkeyLocalMachine,
                    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Winamp",
                    "UninstallString", &rc),
              std::string("C:\\Program Files\\Winamp\\UNINSTWA.EXE\0", 37));
    FindHandle find = 0;
    FindData found;
    ASSERT_EQ(machine.FindFirstFile("C:\\Program Files\\Winamp\\winamp.ini", &find, &found), 0);
    EXPECT_EQ(found.name, "WINAMP.INI");
    machine.FindClose(find);
}

TEST(OfflinePlatform, SaysWhyADiskOrProfileCannotBeUsed) {
    TempFolder disk, empty;
    std::string error;
    ASSERT_TRUE(testing::offline::BuildWindowsXp(disk.path(), {"bob", "eve"}, &error)) << error;
    OfflinePlatform several(disk.path(), "");
    EXPECT_NE(several.problem().find("several user profiles"), std::string::npos) << several.problem();
    OfflinePlatform unknown(disk.path(), "mallory");
    EXPECT_NE(unknown.problem().find("no user profile is named 'mallory'"), std::string::npos);
    EXPECT_NE(unknown.problem().find("\n  bob\n  eve"), std::string::npos) << unknown.problem();
    OfflinePlatform none(empty.path(), "");
    EXPECT_NE(none.problem().find("no Windows installation found"), std::string::npos) << none.problem();
    // An unusable machine still answers: nothing is there.
    HKEY key = 0;
    EXPECT_EQ(none.RegOpenKeyEx(kHkeyLocalMachine, "Software", kKeyRead, &key), 2);

    // A damaged user hive: HKCU reports the registry corrupt, HKLM still
    // reads, and the problem names the file.
    ASSERT_TRUE(testing::offline::PutFile(disk.path(), "Documents and Settings/eve/NTUSER.DAT",
                                          "regf but not really", &error));
    OfflinePlatform damaged(disk.path(), "eve");
    EXPECT_EQ(damaged.RegOpenKeyEx(kHkeyCurrentUser, "Software", kKeyRead, &key), 1009);
    EXPECT_EQ(damaged.RegOpenKeyEx(kHkeyLocalMachine, "Software\\Microsoft", kKeyRead, &key), 0);
    damaged.RegCloseKey(key);
    EXPECT_NE(damaged.RegistryProblems().find("NTUSER.DAT"), std::string::npos)
        << damaged.RegistryProblems();
}

}  // namespace
}  // namespace sl::platform::offline
