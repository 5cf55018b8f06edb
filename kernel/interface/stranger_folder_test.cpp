// Restores from backup folders that someone else made, on a copy of the demo
// machine: the folders are real backups, edited afterwards the way a stranger
// could (records added through the kernel's own bookkeeping writer, backup
// copies and archives written beside them). What the script gives the
// component keeps restoring, on this machine and on one whose applications
// sit elsewhere; anything else is refused, the component fails, and nothing
// outside the component's keys and folders changes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "kernel/interface/crafted_bytes_test_support.h"
#include "kernel/interface/e2e_test_support.h"
#include "kernel/interface/kernel.h"
#include "kernel/script/symbols.h"

namespace sl {
namespace {

namespace fs = std::filesystem;
using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;
using testing::ReadValue;
using testing::SetString;

const char kFolder[] = "C:\\Backup";
const char kUsers[] = "C:\\Program Files\\Netscape\\Users\\";
const char kWinamp[] = "C:\\Program Files\\Winamp\\";
const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// Every regular file below root with its content; links are listed by their
// text and never followed.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        const std::string name = fs::relative(it->path(), root).string();
        if (it->is_symlink()) {
            files[name] = "-> " + fs::read_symlink(it->path()).string();
            it.disable_recursion_pending();
        } else if (it->is_regular_file()) {
            std::ifstream in(it->path(), std::ios::binary);
            files[name] = std::string(std::istreambuf_iterator<char>(in), {});
        } else if (it->is_directory()) {
            files[name + "/"] = "";
        }
    }
    return files;
}

class StrangerFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::LoadDemoMachine(demo);
        demo.MakeFolder(kFolder);
        // A folder outside the prefix that drive Z: reaches.
        outside = demo.Root() + "/outside";
        fs::create_directories(outside);
        std::ofstream(outside + "/victim.txt") << "the user's own file";
    }

    std::int32_t Run(std::int32_t mode, const std::string& ids) {
        kernel = std::make_unique<CSLKernel>();
        kernel->Mode = mode;
        kernel->SetFolder(kFolder);
        return kernel->RunInstructions(ids);
    }

    // Adds a file record to the folder's bookkeeping file, each pair's copy
    // holding text.
    void AddFileRecord(const std::string& id, std::int32_t pathID,
                       const std::vector<std::string>& sources, const std::string& text) {
        CSLKernel book;
        book.SetFolder(kFolder);
        ASSERT_EQ(book.Load(book.Folder), 0);
        auto record = std::make_unique<CSLFileItem>();
        record->ID = id;
        record->PathID = pathID;
        for (const std::string& source : sources) {
            const std::string name = std::to_string(++book.BackupCounter) + ".dat";
            demo.WriteFile(std::string(kFolder) + "\\" + name, text);
            record->SourceFiles.push_back(source);
            record->BackupFiles.push_back(name);
        }
        book.FileItems.push_back(std::move(record));
        ASSERT_EQ(book.Save(book.Folder), 0);
    }

    // Adds a registry record naming root and key whose archive sets one
    // string value below each of the given keys.
    void AddRegRecord(const std::string& id, std::uint32_t root, const std::string& key,
                      const std::vector<std::pair<std::uint32_t, std::string>>& writes) {
        CSLKernel book;
        book.SetFolder(kFolder);
        ASSERT_EQ(book.Load(book.Folder), 0);
        auto record = std::make_unique<CSLRegItem>();
        record->ID = id;
        record->Root = root;
        record->KeyPath = key;
        record->FileName = std::to_string(++book.BackupCounter) + ".bin";
        testing::Bytes archive;
        archive.U16(static_cast<std::uint16_t>(writes.size()));
        for (std::size_t i = 0; i < writes.size(); ++i) {
            if (i == 0) {
                archive.NewClass("CRegContentItem");
            } else {
                archive.U16(0x8001);
            }
            archive.Value(writes[i].first, writes[i].second, "planted", "evil");
        }
        demo.WriteFile(std::string(kFolder) + "\\" + record->FileName, archive.str());
        book.RegItems.push_back(std::move(record));
        ASSERT_EQ(book.Save(book.Folder), 0);
    }

    // The log text of each refused pair.
    static std::string Refused(const std::string& backup, const std::string& source) {
        return "SLRestoreFiles refused '" + backup + "' --> '" + source + "'\n";
    }

    testing::TempPrefix demo;
    std::string outside;
    std::unique_ptr<CSLKernel> kernel;
};

// Every Netscape user's files restore from a backup of this machine, and a
// stranger's records for that component reach only the folders of the
// users this machine has, only with the component's file names.
TEST_F(StrangerFolderTest, NetscapeUsersRestoreAndNothingElseOfTheComponent) {
    ASSERT_EQ(Run(SL_MODE_BACKUP, "'33''36'"), 1) << kernel->ErrorText;
    const std::string users = kUsers;
    demo.WriteFile(users + "alice\\prefs.js", "alice changed");
    demo.WriteFile(users + "bob\\prefs.js", "bob changed");
    demo.WriteFile(users + "alice\\Mail\\Inbox", "alice's inbox changed");
    ASSERT_EQ(Run(SL_MODE_RESTORE, "'33''36'"), 1) << kernel->ErrorText;
    EXPECT_EQ(kernel->BadIDs, "");
    EXPECT_NE(demo.ReadFile(users + "alice\\prefs.js"), "alice changed");
    EXPECT_NE(demo.ReadFile(users + "bob\\prefs.js"), "bob changed");
    EXPECT_NE(demo.ReadFile(users + "alice\\Mail\\Inbox"), "alice's inbox changed");

    const std::vector<std::string> strange = {
        users + "carol\\prefs.js",                // a user this machine does not have
        users + "alice\\evil.dll",                // not a file the component saves
        users + "alice\\Mail\\prefs.js",          // the line does not go into subfolders
        users + "alice\\..\\prefs.js",            // climbs out of the user's folder
        users + "alice\\prefs.js\\x:stream",      // a stream or drive inside a name
        "C:\\windows\\system32\\evil.dll",        // somewhere else on the drive
        testing::ZPath(outside) + "\\prefs.js",  // outside the prefix
        "prefs.js",                               // relative to the current folder
    };
    AddFileRecord("'33'", 0, strange, "planted");
    // With the PathID of all users, a record cannot say whose file it holds.
    AddFileRecord("'33'", NETSCAPE40_USERS_DIR, {"prefs.js"}, "whose?");
    AddFileRecord("'36'", 0, {users + "bob\\Mail\\Planted", users + "bob\\prefs.js"}, "mail");
    const auto before = Snapshot(demo.PrefixPath() + "/drive_c");
    const auto outsideBefore = Snapshot(outside);

    EXPECT_EQ(Run(SL_MODE_RESTORE, "'33''36'"), 0);
    EXPECT_EQ(kernel->BadIDs, "'33''33''36'");
    EXPECT_NE(kernel->ErrorText.find(Refused(std::to_string(kernel->BackupCounter - 2) + ".dat",
                                             "prefs.js")),
              std::string::npos)
        << kernel->ErrorText;
    for (std::size_t i = 0; i < strange.size(); ++i) {
        const std::string backup = std::to_string(kernel->BackupCounter - 3 - strange.size() + i + 1) + ".dat";
        EXPECT_NE(kernel->ErrorText.find(Refused(backup, strange[i])), std::string::npos)
            << strange[i] << "\n" << kernel->ErrorText;
    }
    // Only the legitimate copies came back: the restored files, the new
    // mail folder file of 36 and the bookkeeping file.
    std::vector<std::string> changed = testing::Changed(before, Snapshot(demo.PrefixPath() + "/drive_c"));
    EXPECT_EQ(changed, (std::vector<std::string>{"Backup/Stowlark.dat",
                                                 "Program Files/Netscape/Users/bob/Mail/Planted"}));
    EXPECT_EQ(testing::Changed(outsideBefore, Snapshot(outside)), std::vector<std::string>{});
    EXPECT_FALSE(fs::exists(demo.DriveC() + "/Program Files/Netscape/Users/carol"));
}

// A backup made here restores onto a machine where WinAmp sits in another
// folder: the records with a PathID follow the application.
TEST_F(StrangerFolderTest, BackupFromAnotherMachineFollowsTheApplication) {
    ASSERT_EQ(Run(SL_MODE_BACKUP, "'58''59'"), 1) << kernel->ErrorText;
    const std::string ini = demo.ReadFile(std::string(kWinamp) + "winamp.ini");
    const std::string c = demo.DriveC();
    fs::create_directories(c + "/Apps");
    fs::rename(c + "/Program Files/Winamp", c + "/Apps/Winamp2");
    demo.WriteFile("C:\\Apps\\Winamp2\\winamp.ini", "moved and changed");
    SetString(kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Winamp",
              "UninstallString", "\"C:\\Apps\\Winamp2\\UNINSTWA.EXE\"");
    demo.ReloadPlatform();

    EXPECT_EQ(Run(SL_MODE_RESTORE, "'58''59'"), 1) << kernel->ErrorText;
    EXPECT_EQ(demo.ReadFile("C:\\Apps\\Winamp2\\winamp.ini"), ini);
    EXPECT_TRUE(demo.Exists("C:\\Apps\\Winamp2\\Skins\\Neon"));
    EXPECT_FALSE(fs::exists(c + "/Program Files/Winamp"));
}

// File records whose PathID no line of their component has, whose names
// the component does not save, or whose way goes through a linked folder.
TEST_F(StrangerFolderTest, FileRecordsOutsideTheComponentsPlacesAreRefused) {
    ASSERT_EQ(Run(SL_MODE_BACKUP, "'58''59'"), 1) << kernel->ErrorText;
    // Inside WinAmp's folder a link leads out of the prefix.
    fs::create_symlink(outside, demo.DriveC() + "/Program Files/Winamp/Skins/Linked");
    fs::create_symlink(outside, demo.DriveC() + "/Program Files/Winamp/Gone");
    AddFileRecord("'58'", 1, {"win.ini"}, "in the Windows folder");          // 58 has no WINDOWS_DIR line
    AddFileRecord("'58'", 15, {"in_evil.dll", "Plugins\\winamp.ini", "Gone\\winamp.ini"},
                  "code");                                                 // not 58's names or depth
    AddFileRecord("'59'", 15, {"Skins\\Linked\\victim.txt", "Skins\\Linked\\new.bmp",
                               "Skins\\Planted\\main.bmp"}, "through the link");
    AddFileRecord("'59'", 0, {std::string(kWinamp) + "Skins\\Abs.bmp"}, "absolute");
    const auto before = Snapshot(demo.PrefixPath() + "/drive_c");
    const auto outsideBefore = Snapshot(outside);

    EXPECT_EQ(Run(SL_MODE_RESTORE, "'58''59'"), 0);
    EXPECT_EQ(kernel->BadIDs, "'58''58''59'");  // the absolute record is sound
    for (const char* source : {"win.ini", "in_evil.dll", "Plugins\\winamp.ini", "Gone\\winamp.ini",
                               "Skins\\Linked\\victim.txt", "Skins\\Linked\\new.bmp"}) {
        EXPECT_NE(kernel->ErrorText.find(std::string("' --> '") + source + "'\n"), std::string::npos)
            << source << "\n" << kernel->ErrorText;
    }
    // The record with absolute paths is checked against 59's folder on this
    // machine, and goes in; so does the planted skin of the real record.
    const std::vector<std::string> changed = testing::Changed(before, Snapshot(demo.PrefixPath() + "/drive_c"));
    EXPECT_EQ(changed, (std::vector<std::string>{"Backup/Stowlark.dat",
                                                 "Program Files/Winamp/Skins/Abs.bmp",
                                                 "Program Files/Winamp/Skins/Planted/",
                                                 "Program Files/Winamp/Skins/Planted/main.bmp"}));
    EXPECT_EQ(testing::Changed(outsideBefore, Snapshot(outside)), std::vector<std::string>{});
}

// Registry records whose root and key are not those of a registry line of
// their component: the archive would write wherever it likes below the key
// the record names, so the record is refused as a whole.
TEST_F(StrangerFolderTest, RegistryRecordsNamingAnotherKeyAreRefused) {
    ASSERT_EQ(Run(SL_MODE_BACKUP, "'58'"), 1) << kernel->ErrorText;
    const std::vector<std::pair<std::uint32_t, std::string>> planted = {
        {0x80000001u, kRunKey}, {0x80000001u, "Software\\Winamp"}};
    struct Case {
        std::uint32_t root;
        const char* key;
    };
    const std::vector<Case> cases = {{0x80000001u, ""},
                                     {0x80000001u, "SOFTWARE"},
                                     {0x80000001u, "Software\\Microsoft"},
                                     {0x80000001u, "Software\\Winamp\\"},
                                     {0x80000001u, "Software\\\\Winamp"},
                                     {0x80000001u, "Software\\Mirabilis\\ICQ"},  // 54's key
                                     {0x80000002u, "Software\\Winamp"},
                                     {0x80000003u, "Software\\Winamp"}};
    for (const Case& c : cases) AddRegRecord("'58'", c.root, c.key, planted);
    demo.ReloadPlatform();
    const std::string userBefore = demo.ReadHive("user.reg");
    const std::string systemBefore = demo.ReadHive("system.reg");

    EXPECT_EQ(Run(SL_MODE_RESTORE, "'58'"), 0);
    std::string expectedBad;
    for (std::size_t i = 0; i < cases.size(); ++i) expectedBad += "'58'";
    EXPECT_EQ(kernel->BadIDs, expectedBad);  // the real record went in
    for (const Case& c : cases) {
        EXPECT_NE(kernel->ErrorText.find(std::string("RegSLRestore refused '") + c.key + "'\n"),
                  std::string::npos)
            << c.key << "\n" << kernel->ErrorText;
    }
    demo.ReloadPlatform();
    EXPECT_FALSE(ReadValue(kHkeyCurrentUser, kRunKey, "planted").has_value());
    EXPECT_FALSE(ReadValue(kHkeyCurrentUser, "Software\\Winamp", "planted").has_value());
    EXPECT_EQ(demo.ReadHive("system.reg"), systemBefore);

    // The key of 58's line in other letters is the same key: its archive's
    // writes inside the key go in, the one outside is refused.
    AddRegRecord("'58'", 0x80000001u, "SOFTWARE\\WINAMP", planted);
    demo.ReloadPlatform();
    Run(SL_MODE_RESTORE, "'58'");
    EXPECT_NE(kernel->ErrorText.find(std::string("RegSLRestore refused '") + kRunKey + "'\n"),
              std::string::npos)
        << kernel->ErrorText;
    demo.ReloadPlatform();
    EXPECT_FALSE(ReadValue(kHkeyCurrentUser, kRunKey, "planted").has_value());
    EXPECT_TRUE(ReadValue(kHkeyCurrentUser, "Software\\Winamp", "planted").has_value());
    (void)userBefore;
}

// Inside its line's key a record may still not write what the line's save
// leaves out: a subkey the key lists drop (Netscape's user list, ICQ's
// folder), a value the value lists drop, or a drive path where the line
// keeps none. Those are where this machine's applications are found; a
// stranger setting them would send the next restore's files elsewhere.
TEST_F(StrangerFolderTest, RegistryRecordsMayNotWriteWhatTheSaveLeavesOut) {
    ASSERT_EQ(Run(SL_MODE_BACKUP, "'33''54''58'"), 1) << kernel->ErrorText;
    const std::string navigator = "SOFTWARE\\Netscape\\Netscape Navigator";
    const std::string users = navigator + "\\Users\\carol";
    AddRegRecord("'33'", 0x80000002u, navigator, {{0x80000002u, users}, {0x80000002u, navigator}});
    AddRegRecord("'54'", 0x80000001u, "Software\\Mirabilis\\ICQ",
                 {{0x80000001u, "Software\\Mirabilis\\ICQ\\DLL"},
                  {0x80000001u, "Software\\Mirabilis\\ICQ\\Sounds"}});
    // 58 keeps no drive paths: a planted one is refused, plain text goes in.
    {
        CSLKernel book;
        book.SetFolder(kFolder);
        ASSERT_EQ(book.Load(book.Folder), 0);
        auto record = std::make_unique<CSLRegItem>();
        record->ID = "'58'";
        record->Root = 0x80000001u;
        record->KeyPath = "Software\\Winamp";
        record->FileName = std::to_string(++book.BackupCounter) + ".bin";
        testing::Bytes archive;
        archive.U16(2)
            .NewClass("CRegContentItem")
            .Value(0x80000001u, "Software\\Winamp", "SkinDir", "Z:\\home\\someone\\skins")
            .U16(0x8001)
            .Value(0x80000001u, "Software\\Winamp", "Title", "plain");
        demo.WriteFile(std::string(kFolder) + "\\" + record->FileName, archive.str());
        book.RegItems.push_back(std::move(record));
        ASSERT_EQ(book.Save(book.Folder), 0);
    }
    demo.ReloadPlatform();
    const std::string netscapeBefore = demo.ReadFile(std::string(kUsers) + "alice\\prefs.js");
    CSLKernel resolver;
    const std::string usersBefore = resolver.ResolvePathID(NETSCAPE40_USERS_DIR);

    EXPECT_EQ(Run(SL_MODE_RESTORE, "'33''54''58'"), 0);
    EXPECT_EQ(kernel->BadIDs, "'33''54''58'");
    for (const std::string& key : {users, std::string("Software\\Mirabilis\\ICQ\\DLL"),
                                   std::string("Software\\Winamp")}) {
        EXPECT_NE(kernel->ErrorText.find("RegSLRestore refused '" + key + "'\n"), std::string::npos)
            << key << "\n" << kernel->ErrorText;
    }
    demo.ReloadPlatform();
    EXPECT_FALSE(ReadValue(kHkeyLocalMachine, users, "planted").has_value());
    EXPECT_FALSE(ReadValue(kHkeyCurrentUser, "Software\\Mirabilis\\ICQ\\DLL", "planted").has_value());
    EXPECT_FALSE(ReadValue(kHkeyCurrentUser, "Software\\Winamp", "SkinDir").has_value());
    // What the lines do keep went in.
    EXPECT_TRUE(ReadValue(kHkeyLocalMachine, navigator, "planted").has_value());
    EXPECT_TRUE(ReadValue(kHkeyCurrentUser, "Software\\Mirabilis\\ICQ\\Sounds", "planted").has_value());
    EXPECT_TRUE(ReadValue(kHkeyCurrentUser, "Software\\Winamp", "Title").has_value());
    EXPECT_EQ(CSLKernel().ResolvePathID(NETSCAPE40_USERS_DIR), usersBefore);
    EXPECT_EQ(demo.ReadFile(std::string(kUsers) + "alice\\prefs.js"), netscapeBefore);
}

}  // namespace
}  // namespace sl
