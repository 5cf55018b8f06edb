// The library's whole job on copies of the demo machine: a full backup of
// machine A, a restore into machine B whose WinAmp and Office folders live
// elsewhere, and the unrestore of B from its pre-restore folder.
#include <gtest/gtest.h>

#include <set>

#include "kernel/interface/e2e_test_support.h"
#include "kernel/interface/kernel.h"
#include "kernel/interface/stowlark_kernel.h"
#include "kernel/platform/wine/text/hive.h"
#include "kernel/script/instruction_list.h"

namespace sl {
namespace {

using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;
using testing::OnMachine;
using testing::TempPrefix;

// Every component row of the catalogue (groups left out).
const std::vector<int> kComponentIDs = {
    1,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 23, 24, 25, 26, 27, 29, 30, 31, 32, 33, 34, 35, 36,
    37, 38, 39, 40, 42, 43, 44, 45, 46, 47, 48, 49, 50, 52, 53, 54, 55, 56, 58, 59, 60};

const char kWinampKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Winamp";
const char kTemplatesKey[] = "Software\\Microsoft\\Office\\8.0\\Common\\FileNew\\LocalTemplates";
const char kWordOptions[] = "Software\\Microsoft\\Office\\8.0\\Word\\Options";
const char kPreRestoreFolder[] = "C:\\windows\\Stowlark.Bak";

std::unique_ptr<CSLKernel> LoadFolder(const std::string& folder) {
    auto kernel = std::make_unique<CSLKernel>();
    kernel->SetFolder(folder);
    EXPECT_EQ(kernel->Load(kernel->Folder), 0) << folder;
    return kernel;
}

std::string Resolve(std::int32_t pathID) {
    CSLKernel kernel;
    return pathID == 0 ? std::string() : kernel.ResolvePathID(pathID);
}

class EndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::LoadDemoMachine(machineA);
        testing::LoadDemoMachine(machineB);
        testing::SetString(kHkeyCurrentUser, kWordOptions, "A Only", "from A");
        std::filesystem::create_directories(machineA.Root() + "/backup");
        backupFolder = testing::ZPath(machineA.Root() + "/backup");
    }

    // B keeps WinAmp in C:\Apps\Winamp2 and the Office templates in
    // C:\MSOffice\Templates, with settings of its own there and in the registry.
    void MoveMachineBsApplications() {
        namespace fs = std::filesystem;
        OnMachine onB(machineB);
        const std::string c = machineB.DriveC();
        fs::create_directories(c + "/Apps");
        fs::rename(c + "/Program Files/Winamp", c + "/Apps/Winamp2");
        fs::create_directories(c + "/MSOffice");
        fs::rename(c + "/Program Files/Microsoft Office/Templates", c + "/MSOffice/Templates");
        testing::SetString(kHkeyLocalMachine, kWinampKey, "UninstallString",
                           "\"C:\\Apps\\Winamp2\\UNINSTWA.EXE\"");
        testing::SetString(kHkeyLocalMachine, kTemplatesKey, "", "C:\\MSOffice\\Templates");

        machineB.WriteFile("C:\\Apps\\Winamp2\\winamp.ini", "[Winamp]\r\nvolume=15\r\n");
        machineB.WriteFile("C:\\Apps\\Winamp2\\Skins\\Neon\\main.bmp", "B's own Neon\r\n");
        machineB.WriteFile("C:\\Apps\\Winamp2\\Skins\\B Only\\main.bmp", "only on B\r\n");
        machineB.WriteFile("C:\\MSOffice\\Templates\\Normal.dot", "B's Normal.dot");
        machineB.WriteFile("C:\\users\\demo\\Favorites\\B Only.url", "[InternetShortcut]\r\n");
        testing::SetString(kHkeyCurrentUser, kWordOptions, "BackgroundSave", "0");
        testing::SetString(kHkeyCurrentUser, kWordOptions, "B Only", "kept");
        testing::SetValue(kHkeyCurrentUser, "Software\\Winamp", "Language", platform::kRegDword,
                          std::string("\x07\x04\0\0", 4));
        testing::SetString(kHkeyCurrentUser, "Software\\FTP Explorer\\Profiles\\B Site", "Host",
                           "ftp.b.example.net");
        testing::SetString(kHkeyCurrentUser, "Software\\Microsoft\\Internet Explorer\\Main",
                           "Start Page", "http://b.example.net/");
    }

    int32_t Run(const std::string& ids, const std::string& folder, int32_t mode) {
        std::string bad = "unset";
        int32_t result = SL_RunInstructions(ids.c_str(), folder.c_str(), mode, bad, nullptr);
        EXPECT_EQ(bad, "") << ids << " " << folder;
        return result;
    }

    TempPrefix machineA;
    TempPrefix machineB{false};
    std::string backupFolder;
};

void Regenerate(platform::wine::HiveKey& key) {
    key.regenerate = true;
    for (auto& sub : key.subkeys) Regenerate(*sub);
}

// The demo hives are written as Wine writes them: read, and written again
// from the key tree alone, they give the same bytes.
TEST(DemoMachineTest, HivesAreInWinesOwnForm) {
    for (const char* name : {"system.reg", "user.reg", "userdef.reg"}) {
        const std::string text = testing::ReadUnix(testing::DemoPrefixPath() + "/" + name);
        auto hive = platform::wine::Hive::FromText(text);
        ASSERT_EQ(hive->status(), platform::wine::Hive::Status::Loaded) << name;
        Regenerate(hive->root());
        EXPECT_EQ(hive->Write(), text) << name;
    }
    EXPECT_EQ(std::filesystem::read_symlink(testing::DemoPrefixPath() + "/dosdevices/c:"),
              "../drive_c");
    EXPECT_EQ(std::filesystem::read_symlink(testing::DemoPrefixPath() + "/dosdevices/z:"), "/");
}

TEST_F(EndToEndTest, FullBackupSavesSomethingForEveryComponent) {
    ASSERT_EQ(Run("", backupFolder, SL_MODE_BACKUP), 1);
    EXPECT_EQ(machineA.LogText().find("Summary of Errors"), std::string::npos)
        << machineA.LogText();

    std::string errors;
    CSLInstructionList script("", 1003, errors);
    auto kernel = LoadFolder(backupFolder);
    EXPECT_EQ(kernel->RegItems.size() + kernel->FileItems.size(), script.Items.size());
    EXPECT_EQ(kernel->BackupCounter,
              kernel->RegItems.size() + [&] {
                  std::size_t files = 0;
                  for (const auto& f : kernel->FileItems) files += f->BackupFiles.size();
                  return files;
              }());

    std::map<std::string, int> savedPieces;
    for (const auto& reg : kernel->RegItems) {
        testing::ArchiveRecords archive(backupFolder + "\\" + reg->FileName);
        EXPECT_EQ(archive.loaded, 0) << reg->FileName;
        for (const auto& record : archive.records) {
            if (record->Kind == CRegContentItem::kValueRecord) ++savedPieces[reg->ID];
        }
        // Every registry instruction found something in the demo machine.
        EXPECT_FALSE(archive.records.empty()) << reg->ID << " " << reg->KeyPath;
    }
    for (const auto& files : kernel->FileItems) {
        EXPECT_EQ(files->SourceFiles.size(), files->BackupFiles.size());
        EXPECT_FALSE(files->SourceFiles.empty()) << files->ID;
        savedPieces[files->ID] += static_cast<int>(files->SourceFiles.size());
    }
    for (int id : kComponentIDs) {
        const std::string token = IdToken(std::to_string(id));
        EXPECT_TRUE(IdListContains(kernel->SavedIDs, token)) << token;
        EXPECT_GT(savedPieces[token], 0) << token << " saved nothing";
    }

    // What the titles promise, spot-checked on the records.
    auto sources = [&](const std::string& id) {
        std::set<std::string> names;
        for (const auto& files : kernel->FileItems) {
            if (files->ID == id) names.insert(files->SourceFiles.begin(), files->SourceFiles.end());
        }
        return names;
    };
    EXPECT_TRUE(sources("'58'").count("winamp.ini"));
    EXPECT_TRUE(sources("'59'").count("SKINS\\Classic Blue\\Extras\\readme.txt"));
    EXPECT_TRUE(sources("'24'").count("News\\Daily\\Paper.url"));
    EXPECT_FALSE(sources("'24'").count("Channels\\Demo Channel.url"));
    EXPECT_TRUE(sources("'27'").count("CHANNELS\\Demo Channel.url"));
    EXPECT_TRUE(sources("'29'").count("demo@example.txt"));
    EXPECT_TRUE(sources("'31'").count("C:\\Program Files\\Netscape\\Users\\alice\\bookmark.htm"));
    EXPECT_TRUE(sources("'31'").count("C:\\Program Files\\Netscape\\Users\\bob\\bookmark.htm"));
    EXPECT_TRUE(sources("'11'").count("Normal.dot"));
    EXPECT_TRUE(sources("'54'").count("DB\\1234567.dat"));
}

TEST_F(EndToEndTest, FolderValuesOfThePathTableNeverTravel) {
    ASSERT_EQ(Run("", backupFolder, SL_MODE_BACKUP), 1);
    auto kernel = LoadFolder(backupFolder);
    for (const auto& reg : kernel->RegItems) {
        testing::ArchiveRecords archive(backupFolder + "\\" + reg->FileName);
        for (const auto& record : archive.records) {
            std::string where = record->KeyPath + "|" + record->ValueName;
            for (char& c : where) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            EXPECT_EQ(where.find("UNINSTALL\\WINAMP"), std::string::npos) << where;
            EXPECT_EQ(where.find("INSTALLROOT"), std::string::npos) << where;
            EXPECT_EQ(where.find("LOCALTEMPLATES"), std::string::npos) << where;
            EXPECT_EQ(where.find("SHELL FOLDERS"), std::string::npos) << where;
            EXPECT_EQ(where.find("|STORE ROOT"), std::string::npos) << where;
            EXPECT_EQ(where.find("ICQ\\DLL"), std::string::npos) << where;
            EXPECT_EQ(where.find("USERS\\"), std::string::npos) << where;
            // Recent files keep their paths; WinAmp's folder value does not.
            EXPECT_NE(where, "SOFTWARE\\WINAMP|");
        }
    }
}

TEST_F(EndToEndTest, RestoreIntoAnotherMachineAndUnrestoreItAgain) {
    ASSERT_EQ(Run("", backupFolder, SL_MODE_BACKUP), 1);
    MoveMachineBsApplications();

    std::string ids;
    ASSERT_EQ(SL_GetSavedIDs(backupFolder.c_str(), ids), 0);
    auto backup = LoadFolder(backupFolder);

    OnMachine onB(machineB);
    const testing::RegistrySnapshot userBefore = testing::SnapshotRegistry(kHkeyCurrentUser);
    const testing::RegistrySnapshot machineBefore = testing::SnapshotRegistry(kHkeyLocalMachine);
    const auto filesBefore = testing::SnapshotFiles(machineB);
    ASSERT_GT(userBefore.size(), 50u);
    ASSERT_GT(filesBefore.size(), 50u);

    // What the program does first: a backup of the same components into the
    // pre-restore folder below the Windows folder.
    ASSERT_EQ(platform::Current().CreateDirectory(kPreRestoreFolder), 0u);
    ASSERT_EQ(Run(ids, kPreRestoreFolder, SL_MODE_BACKUP), 1);
    ASSERT_EQ(Run(ids, backupFolder, SL_MODE_RESTORE), 1);
    EXPECT_EQ(machineB.LogText().find("Summary of Errors"), std::string::npos)
        << machineB.LogText();

    // Files land below B's own folders, byte for byte as on A.
    for (const auto& files : backup->FileItems) {
        std::string fromA, toB;
        {
            OnMachine onA(machineA);
            fromA = Resolve(files->PathID);
        }
        toB = Resolve(files->PathID);
        for (std::size_t i = 0; i < files->SourceFiles.size(); ++i) {
            const std::string& source = files->SourceFiles[i];
            ASSERT_TRUE(machineB.Exists(toB + source)) << files->ID << " " << toB + source;
            EXPECT_EQ(machineB.ReadFile(toB + source), machineA.ReadFile(fromA + source))
                << toB + source;
        }
    }
    EXPECT_EQ(machineB.ReadFile("C:\\Apps\\Winamp2\\winamp.ini"),
              machineA.ReadFile("C:\\Program Files\\Winamp\\winamp.ini"));
    EXPECT_TRUE(machineB.Exists("C:\\Apps\\Winamp2\\Skins\\Classic Blue\\Extras\\readme.txt"));
    EXPECT_EQ(machineB.ReadFile("C:\\MSOffice\\Templates\\Normal.dot"),
              machineA.ReadFile("C:\\Program Files\\Microsoft Office\\Templates\\Normal.dot"));
    EXPECT_TRUE(machineB.Exists("C:\\MSOffice\\Templates\\Web Pages\\Styles\\Festive.htm"));
    EXPECT_FALSE(machineB.Exists("C:\\Program Files\\Winamp"));
    EXPECT_FALSE(machineB.Exists("C:\\Program Files\\Microsoft Office\\Templates"));

    // Every saved value now reads on B as it reads on A.
    std::size_t compared = 0;
    for (const auto& reg : backup->RegItems) {
        testing::ArchiveRecords archive(backupFolder + "\\" + reg->FileName);
        for (const auto& record : archive.records) {
            if (record->Kind != CRegContentItem::kValueRecord) continue;
            const testing::RegValue saved{
                record->Type, std::string(record->Data.begin(), record->Data.end())};
            EXPECT_EQ(testing::ReadValue(record->Root, record->KeyPath, record->ValueName), saved)
                << record->KeyPath << "|" << record->ValueName;
            OnMachine onA(machineA);
            EXPECT_EQ(testing::ReadValue(record->Root, record->KeyPath, record->ValueName), saved);
            ++compared;
        }
    }
    EXPECT_GT(compared, 80u);
    EXPECT_EQ(testing::ReadString(kHkeyCurrentUser, kWordOptions, "BackgroundSave"), "1");
    // What the backup did not hold is untouched.
    EXPECT_EQ(testing::ReadString(kHkeyCurrentUser, kWordOptions, "B Only"), "kept");
    EXPECT_EQ(testing::ReadString(kHkeyLocalMachine, kWinampKey, "UninstallString"),
              "\"C:\\Apps\\Winamp2\\UNINSTWA.EXE\"");
    EXPECT_EQ(testing::ReadString(kHkeyLocalMachine, kTemplatesKey, ""), "C:\\MSOffice\\Templates");
    EXPECT_EQ(machineB.ReadFile("C:\\Apps\\Winamp2\\Skins\\B Only\\main.bmp"), "only on B\r\n");

    // The unrestore puts back everything B held before, byte for byte, from
    // the hive files on disk.
    ASSERT_EQ(Run(ids, kPreRestoreFolder, SL_MODE_RESTORE), 1);
    machineB.ReloadPlatform();
    OnMachine reloadedB(machineB);
    const testing::RegistrySnapshot userAfter = testing::SnapshotRegistry(kHkeyCurrentUser);
    const testing::RegistrySnapshot machineAfter = testing::SnapshotRegistry(kHkeyLocalMachine);
    for (const auto& [name, value] : userBefore) {
        auto found = userAfter.find(name);
        ASSERT_NE(found, userAfter.end()) << name;
        EXPECT_EQ(found->second, value) << name;
    }
    for (const auto& [name, value] : machineBefore) {
        auto found = machineAfter.find(name);
        ASSERT_NE(found, machineAfter.end()) << name;
        EXPECT_EQ(found->second, value) << name;
    }
    const auto filesAfter = testing::SnapshotFiles(machineB);
    for (const auto& [path, bytes] : filesBefore) {
        auto found = filesAfter.find(path);
        ASSERT_NE(found, filesAfter.end()) << path;
        EXPECT_EQ(found->second, bytes) << path;
    }
    // A restore never deletes: what it added stays.
    EXPECT_EQ(testing::ReadString(kHkeyCurrentUser, kWordOptions, "A Only"), "from A");

    // The pre-restore folder keeps the settings found before the first
    // restore: a second restore saves nothing new there, and the next
    // unrestore again brings back what B held at first.
    std::string restored;
    ASSERT_EQ(SL_GetRestoredIDs(kPreRestoreFolder, restored), 0);
    EXPECT_TRUE(IdListContains(restored, "'58'"));
    machineB.WriteFile("C:\\Apps\\Winamp2\\winamp.ini", "[Winamp]\r\nvolume=99\r\n");
    ASSERT_EQ(Run(ids, kPreRestoreFolder, SL_MODE_BACKUP), 1);
    ASSERT_EQ(Run(ids, backupFolder, SL_MODE_RESTORE), 1);
    ASSERT_EQ(Run(ids, kPreRestoreFolder, SL_MODE_RESTORE), 1);
    EXPECT_EQ(machineB.ReadFile("C:\\Apps\\Winamp2\\winamp.ini"),
              filesBefore.at("Apps/Winamp2/winamp.ini"));
}

}  // namespace
}  // namespace sl
