// SL_RunInstructions on a copy of the demo machine with the embedded action
// script: skipping, numbering, stops, failures, progress and the summary entry.
#include <gtest/gtest.h>

#include <filesystem>

#include "kernel/interface/e2e_test_support.h"
#include "kernel/interface/kernel.h"
#include "kernel/script/instruction_list.h"
#include "kernel/script/resource_loader.h"

namespace sl {
namespace {

using platform::DWORD;
using platform::kHkeyCurrentUser;
using Message = testing::ProgressRecorder::Message;

const char kFolder[] = "C:\\Backup";
const char kWinampIni[] = "C:\\Program Files\\Winamp\\winamp.ini";

std::size_t InstructionCount(const std::string& ids) {
    std::string errors;
    return CSLInstructionList(ids, 1003, errors).Items.size();
}

std::size_t Occurrences(const std::string& text, const std::string& piece) {
    std::size_t count = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
        ++count;
    return count;
}

// Forwards to the demo machine's platform; lets a test fail chosen calls.
class FaultyPlatform : public platform::Platform {
public:
    explicit FaultyPlatform(std::shared_ptr<platform::Platform> inner) : p(std::move(inner)) {}
    std::shared_ptr<platform::Platform> p;
    std::function<DWORD(const std::string&)> failFind;         // pattern -> error or 0
    std::function<platform::LONG(const std::string&)> failOpenKey;  // key path -> error or 0
    std::function<DWORD(const std::string&)> failWrite;        // file path -> error or 0

    platform::LONG RegOpenKeyEx(platform::HKEY root, const char* subKey, DWORD sam,
                                platform::HKEY* result) override {
        if (failOpenKey && subKey) {
            if (platform::LONG e = failOpenKey(subKey)) return e;
        }
        return p->RegOpenKeyEx(root, subKey, sam, result);
    }
    platform::LONG RegCreateKeyEx(platform::HKEY root, const char* subKey, const char* keyClass,
                                  DWORD options, DWORD sam, platform::HKEY* result,
                                  DWORD* disposition) override {
        return p->RegCreateKeyEx(root, subKey, keyClass, options, sam, result, disposition);
    }
    platform::LONG RegCloseKey(platform::HKEY key) override { return p->RegCloseKey(key); }
    platform::LONG RegQueryInfoKey(platform::HKEY key, DWORD* subKeys, DWORD* maxSubKeyLen,
                                   DWORD* values, DWORD* maxValueNameLen,
                                   DWORD* maxValueLen) override {
        return p->RegQueryInfoKey(key, subKeys, maxSubKeyLen, values, maxValueNameLen,
                                  maxValueLen);
    }
    platform::LONG RegEnumKeyEx(platform::HKEY key, DWORD index, char* name, DWORD* nameLen,
                                char* keyClass, DWORD* classLen) override {
        return p->RegEnumKeyEx(key, index, name, nameLen, keyClass, classLen);
    }
    platform::LONG RegEnumValue(platform::HKEY key, DWORD index, char* name, DWORD* nameLen,
                                DWORD* type, std::uint8_t* data, DWORD* dataLen) override {
        return p->RegEnumValue(key, index, name, nameLen, type, data, dataLen);
    }
    platform::LONG RegQueryValueEx(platform::HKEY key, const char* name, DWORD* type,
                                   std::uint8_t* data, DWORD* dataLen) override {
        return p->RegQueryValueEx(key, name, type, data, dataLen);
    }
    platform::LONG RegSetValueEx(platform::HKEY key, const char* name, DWORD type,
                                 const std::uint8_t* data, DWORD dataLen) override {
        return p->RegSetValueEx(key, name, type, data, dataLen);
    }
    platform::LONG RegFlushKey(platform::HKEY key) override { return p->RegFlushKey(key); }
    DWORD FindFirstFile(const std::string& pattern, platform::FindHandle* handle,
                        platform::FindData* data) override {
        if (failFind) {
            if (DWORD e = failFind(pattern)) return e;
        }
        return p->FindFirstFile(pattern, handle, data);
    }
    DWORD FindNextFile(platform::FindHandle handle, platform::FindData* data) override {
        return p->FindNextFile(handle, data);
    }
    DWORD FindClose(platform::FindHandle handle) override { return p->FindClose(handle); }
    DWORD CopyFile(const std::string& from, const std::string& to) override {
        return p->CopyFile(from, to);
    }
    DWORD CreateDirectory(const std::string& path) override { return p->CreateDirectory(path); }
    DWORD GetFileAttributes(const std::string& path, DWORD* attributes) override {
        return p->GetFileAttributes(path, attributes);
    }
    std::string GetWindowsDirectory() override { return p->GetWindowsDirectory(); }
    std::string GetSystemDirectory() override { return p->GetSystemDirectory(); }
    DWORD OpenFile(const std::string& path, platform::FileAccess access,
                   platform::FileHandle* handle) override {
        if (failWrite && access != platform::FileAccess::Read) {
            if (DWORD e = failWrite(path)) return e;
        }
        return p->OpenFile(path, access, handle);
    }
    DWORD ReadFile(platform::FileHandle handle, void* buffer, std::size_t size,
                   std::size_t* done) override {
        return p->ReadFile(handle, buffer, size, done);
    }
    DWORD WriteFile(platform::FileHandle handle, const void* buffer, std::size_t size) override {
        return p->WriteFile(handle, buffer, size);
    }
    DWORD FileSize(platform::FileHandle handle, std::uint64_t* size) override {
        return p->FileSize(handle, size);
    }
    DWORD CloseFile(platform::FileHandle handle, bool sync) override {
        return p->CloseFile(handle, sync);
    }
    DWORD MoveFileReplace(const std::string& from, const std::string& to) override {
        return p->MoveFileReplace(from, to);
    }
    DWORD DeleteFile(const std::string& path) override { return p->DeleteFile(path); }
    std::string ModuleFileName() override { return p->ModuleFileName(); }
    void AppendLogBytes(const std::string& logName, const std::string& bytes) override {
        p->AppendLogBytes(logName, bytes);
    }
    std::string LogFilePath(const std::string& logName) override {
        return p->LogFilePath(logName);
    }
};

class RunDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::LoadDemoMachine(demo);
        demo.MakeFolder(kFolder);
    }

    int32_t Run(const std::string& ids, int32_t mode) {
        badIDs = "unset";
        return SL_RunInstructions(ids.c_str(), kFolder, mode, badIDs, progress.Window());
    }

    std::unique_ptr<CSLKernel> Folder() {
        auto kernel = std::make_unique<CSLKernel>();
        kernel->SetFolder(kFolder);
        EXPECT_EQ(kernel->Load(kernel->Folder), 0);
        return kernel;
    }

    // Every file record of the folder for the ID, in order.
    std::vector<const CSLFileItem*> FilesOf(const CSLKernel& kernel, const std::string& id) {
        std::vector<const CSLFileItem*> out;
        for (const auto& f : kernel.FileItems) {
            if (f->ID == id) out.push_back(f.get());
        }
        return out;
    }

    testing::TempPrefix demo;
    testing::ProgressRecorder progress;
    std::string badIDs;
};

TEST_F(RunDriverTest, EmptyListBacksUpEveryInstructionWithRangeAndSteps) {
    const std::size_t all = InstructionCount("");
    ASSERT_GT(all, 60u);
    ASSERT_EQ(Run("", SL_MODE_BACKUP), 1);
    EXPECT_EQ(badIDs, "");

    auto kernel = Folder();
    EXPECT_EQ(kernel->RegItems.size() + kernel->FileItems.size(), all);
    ASSERT_FALSE(progress.messages.empty());
    EXPECT_EQ(progress.messages.front(), (Message{1, static_cast<std::intptr_t>(all)}));
    std::vector<std::intptr_t> expected(all);
    for (std::size_t i = 0; i < all; ++i) expected[i] = static_cast<std::intptr_t>(i + 1);
    EXPECT_EQ(progress.Steps(), expected);
    // Each ID once in the saved list, however many lines it has.
    EXPECT_EQ(Occurrences(kernel->SavedIDs, "'58'"), 1u);
    EXPECT_EQ(Occurrences(kernel->SavedIDs, "'1'"), 1u);
    EXPECT_EQ(demo.LogText().find("Summary of Errors"), std::string::npos) << demo.LogText();
}

TEST_F(RunDriverTest, SavedComponentIsSkippedAndNumberingContinues) {
    ASSERT_EQ(Run("'58'", SL_MODE_BACKUP), 1);
    const std::uint32_t firstCounter = Folder()->BackupCounter;
    ASSERT_EQ(firstCounter, InstructionCount("'58'"));  // one registry key, two files
    const std::string firstIni = demo.ReadFile(std::string(kFolder) + "\\" +
                                               FilesOf(*Folder(), "'58'")[0]->BackupFiles[0]);
    demo.WriteFile(kWinampIni, "[Winamp]\r\nchanged=1\r\n");

    progress.messages.clear();
    ASSERT_EQ(Run("'58','59'", SL_MODE_BACKUP), 1);
    EXPECT_EQ(badIDs, "");
    // The range counts every selected instruction; only 59's one is stepped.
    EXPECT_EQ(progress.messages.front(),
              (Message{1, static_cast<std::intptr_t>(InstructionCount("'58','59'"))}));
    EXPECT_EQ(progress.Steps(), std::vector<std::intptr_t>{1});

    auto kernel = Folder();
    EXPECT_EQ(FilesOf(*kernel, "'58'").size(), 2u);
    EXPECT_EQ(Occurrences(kernel->SavedIDs, "'58'"), 1u);
    EXPECT_EQ(demo.ReadFile(std::string(kFolder) + "\\" +
                            FilesOf(*kernel, "'58'")[0]->BackupFiles[0]),
              firstIni);
    auto skins = FilesOf(*kernel, "'59'");
    ASSERT_EQ(skins.size(), 1u);
    ASSERT_FALSE(skins[0]->BackupFiles.empty());
    for (std::size_t i = 0; i < skins[0]->BackupFiles.size(); ++i) {
        EXPECT_EQ(skins[0]->BackupFiles[i], std::to_string(firstCounter + 1 + i) + ".dat");
    }
}

TEST_F(RunDriverTest, RestoreWithEmptyListRestoresNothingButKeepsTheBookkeeping) {
    ASSERT_EQ(Run("'58'", SL_MODE_BACKUP), 1);
    demo.WriteFile(kWinampIni, "changed");
    const std::string dat = demo.UnixPath(std::string(kFolder) + "\\Stowlark.dat");
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24);
    std::filesystem::last_write_time(dat, old);

    progress.messages.clear();
    EXPECT_EQ(Run("", SL_MODE_RESTORE), 1);
    EXPECT_EQ(badIDs, "");
    EXPECT_EQ(progress.messages, (std::vector<Message>{{1, 3}}));
    EXPECT_EQ(demo.ReadFile(kWinampIni), "changed");
    EXPECT_GT(std::filesystem::last_write_time(dat), old);
    EXPECT_EQ(Folder()->RestoredIDs, "");
}

TEST_F(RunDriverTest, StopDuringBackupRecordsWhatWasDoneAndNeverSavesTheRest) {
    // 58 has three lines (registry, winamp.ini, winamp.q1), then 59 and 60.
    progress.onMessage = [](const Message& m) {
        if (m.code == 2 && m.count == 2) SL_StopRunInstructions();
    };
    ASSERT_EQ(Run("'58','59','60'", SL_MODE_BACKUP), 1);
    EXPECT_EQ(progress.Steps(), (std::vector<std::intptr_t>{1, 2}));
    auto kernel = Folder();
    EXPECT_EQ(kernel->SavedIDs, "'58'");
    EXPECT_EQ(kernel->RegItems.size(), 1u);
    ASSERT_EQ(kernel->FileItems.size(), 1u);
    EXPECT_EQ(kernel->FileItems[0]->SourceFiles, std::vector<std::string>{"winamp.ini"});

    // A stop outside a run has no effect on the next one; 58 counts as saved,
    // so its third line is never saved into this folder.
    progress.onMessage = nullptr;
    SL_StopRunInstructions();
    ASSERT_EQ(Run("'58','59','60'", SL_MODE_BACKUP), 1);
    kernel = Folder();
    EXPECT_EQ(kernel->SavedIDs, "'58''59''60'");
    EXPECT_EQ(FilesOf(*kernel, "'58'").size(), 1u);
    EXPECT_EQ(FilesOf(*kernel, "'59'").size(), 1u);
    EXPECT_EQ(FilesOf(*kernel, "'60'").size(), 2u);
}

TEST_F(RunDriverTest, StopDuringFilePhaseStillRestoresOneRegistryRecord) {
    // 11: two registry keys (Word Data, Wizards) and two file sets (Normal.dot, *.ACL).
    ASSERT_EQ(Run("'11'", SL_MODE_BACKUP), 1);
    const std::string normal = "C:\\Program Files\\Microsoft Office\\Templates\\Normal.dot";
    const std::string acl = "C:\\windows\\Demo User.acl";
    const std::string data = "Software\\Microsoft\\Office\\8.0\\Word\\Data";
    const std::string wizard = "Software\\Microsoft\\Office\\8.0\\Word\\Wizards\\Letter Wizard";
    const std::string savedNormal = demo.ReadFile(normal);
    const std::optional<testing::RegValue> savedSettings =
        testing::ReadValue(kHkeyCurrentUser, data, "Settings");
    demo.WriteFile(normal, "new");
    demo.WriteFile(acl, "new");
    testing::SetString(kHkeyCurrentUser, data, "Settings", "new");
    testing::SetString(kHkeyCurrentUser, wizard, "Sender", "new");

    progress.messages.clear();
    progress.onMessage = [](const Message& m) {
        if (m.code == 2 && m.count == 1) SL_StopRunInstructions();
    };
    EXPECT_EQ(Run("'11'", SL_MODE_RESTORE), 1);
    EXPECT_EQ(progress.messages, (std::vector<Message>{{1, 4}, {2, 1}, {2, 2}}));
    EXPECT_EQ(demo.ReadFile(normal), savedNormal);
    EXPECT_EQ(demo.ReadFile(acl), "new");
    EXPECT_EQ(testing::ReadValue(kHkeyCurrentUser, data, "Settings"), savedSettings);
    EXPECT_EQ(testing::ReadString(kHkeyCurrentUser, wizard, "Sender"), "new");
    EXPECT_EQ(Folder()->RestoredIDs, "'11''11'");
}

TEST_F(RunDriverTest, FailuresMarkTheirIdsAndOnlyRegistryFailuresFailTheRun) {
    auto faulty = std::make_shared<FaultyPlatform>(demo.Platform());
    faulty->failFind = [](const std::string& pattern) -> DWORD {
        return pattern.find("\\SKINS\\") != std::string::npos ? 5 : 0;
    };
    faulty->failOpenKey = [](const std::string& key) -> platform::LONG {
        return key == "SOFTWARE\\WINAMP" ? 5 : 0;
    };
    auto previous = platform::Install(faulty);

    // A file set that cannot be listed marks 59 but leaves the result at 1.
    EXPECT_EQ(Run("'59','60'", SL_MODE_BACKUP), 1);
    EXPECT_EQ(badIDs, "'59'");
    const std::string listing =
        "SLFileCopyEx FindFirstFile/FindNextFile on 'C:\\Program Files\\Winamp\\SKINS\\*.*' "
        "returned error 5";
    std::string log = demo.LogText();
    EXPECT_NE(log.find("Summary of Errors:"), std::string::npos);
    EXPECT_EQ(Occurrences(log, listing), 2u) << log;  // as it arose, and in the summary
    EXPECT_EQ(Folder()->SavedIDs, "'59''60'");

    // A registry key that cannot be read fails the run.
    EXPECT_EQ(Run("'58'", SL_MODE_BACKUP), 0);
    EXPECT_EQ(badIDs, "'58'");
    log = demo.LogText();
    EXPECT_NE(log.find("RegSLSave #'58' 'SOFTWARE\\WINAMP' error 5"), std::string::npos) << log;
    EXPECT_NE(log.find("***regCopyFrom.Save Error 5"), std::string::npos);
    EXPECT_EQ(Occurrences(log, "Summary of Errors:"), 2u);
    platform::Install(previous);
}

TEST_F(RunDriverTest, UnwritableBookkeepingFailsTheRun) {
    auto faulty = std::make_shared<FaultyPlatform>(demo.Platform());
    faulty->failWrite = [](const std::string& path) -> DWORD {
        return path.find("Stowlark.dat") != std::string::npos ? 112 : 0;
    };
    auto previous = platform::Install(faulty);
    EXPECT_EQ(Run("'58'", SL_MODE_BACKUP), 0);
    platform::Install(previous);
    EXPECT_EQ(SL_DoesPathContainSLFiles(kFolder), 0);
    EXPECT_NE(demo.LogText().find("RunInstructions Save 'C:\\Backup\\' error: "),
              std::string::npos)
        << demo.LogText();
}

TEST_F(RunDriverTest, UnreadableBookkeepingStopsBeforeAnythingIsWritten) {
    demo.WriteFile(std::string(kFolder) + "\\Stowlark.dat", "not a bookkeeping file");
    EXPECT_EQ(Run("'58'", SL_MODE_BACKUP), 0);
    EXPECT_TRUE(progress.messages.empty());
    EXPECT_FALSE(demo.Exists(std::string(kFolder) + "\\1.bin"));
    EXPECT_EQ(demo.ReadFile(std::string(kFolder) + "\\Stowlark.dat"), "not a bookkeeping file");
    EXPECT_NE(demo.LogText().find("RunInstructions Save Load 'C:\\Backup\\' error: "),
              std::string::npos);

    EXPECT_EQ(SL_RunInstructions("'58'", "C:\\Nowhere", SL_MODE_RESTORE, badIDs, nullptr), 0);
    EXPECT_NE(demo.LogText().find("RunInstructions Restore Load 'C:\\Nowhere\\' error: "),
              std::string::npos);
}

// An action script that cannot be decoded makes no backup: no bookkeeping
// file appears (an empty one would make the folder look like a backup), the
// run fails, and a restore leaves the folder's records as they were.
TEST_F(RunDriverTest, UndecodableScriptWritesNothingAndFails) {
    static const unsigned char kGarbled[] = "0A1B!";
    static const ResourceEntry kEntries[] = {{"Bin", 1003, kGarbled, sizeof kGarbled - 1}};
    static const ResourceTable kBroken{kEntries, 1};

    CSLKernel backup;
    backup.Mode = SL_MODE_BACKUP;
    backup.SetFolder(kFolder);
    backup.Scripts = &kBroken;
    EXPECT_EQ(backup.RunInstructions("'58'"), 0);
    EXPECT_NE(backup.ErrorText.find("DecodeText error: "), std::string::npos) << backup.ErrorText;
    EXPECT_EQ(SL_DoesPathContainSLFiles(kFolder), 0);
    EXPECT_TRUE(std::filesystem::is_empty(demo.UnixPath(kFolder)));

    // A real backup, then a restore that cannot read its script.
    ASSERT_EQ(Run("'58'", SL_MODE_BACKUP), 1);
    const std::string bookkeeping = demo.ReadFile(std::string(kFolder) + "\\Stowlark.dat");
    demo.WriteFile(kWinampIni, "changed");
    CSLKernel restore;
    restore.Mode = SL_MODE_RESTORE;
    restore.SetFolder(kFolder);
    restore.Scripts = &kBroken;
    EXPECT_EQ(restore.RunInstructions("'58'"), 0);
    EXPECT_EQ(demo.ReadFile(kWinampIni), "changed");
    EXPECT_EQ(demo.ReadFile(std::string(kFolder) + "\\Stowlark.dat"), bookkeeping);
}

}  // namespace
}  // namespace sl
