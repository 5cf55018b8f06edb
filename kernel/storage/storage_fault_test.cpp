// Failures injected into the storage engine's platform calls: each gives its
// message and status, and no file is lost or left half written.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "kernel/testing/fault_injection.h"
#include "kernel/storage/reg_save_restore.h"
#include "kernel/storage/file_copy_test_support.h"
#include "kernel/testing/registry_values.h"
#include "kernel/testing/temp_prefix.h"

namespace sl {
namespace {

using platform::CallKind;
using platform::FaultInjectingPlatform;

class StorageFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        faults = std::make_shared<FaultInjectingPlatform>(prefix.Platform());
        previous = platform::Install(faults);
        files.SetFolder("C:\\Backup");
        prefix.MakeFolder("C:\\Backup");
    }
    void TearDown() override { platform::Install(previous); }

    // The string value as the registry now holds it; "" when missing.
    std::string GetString(platform::HKEY root, const std::string& path, const std::string& name) {
        const auto value = testing::ReadValue(*prefix.Platform(), root, path, name);
        return value ? std::string(value->data.c_str()) : "";
    }
    // Files in the backup folder whose name ends like a temporary file.
    bool HasLeftovers() const {
        for (const auto& entry :
             std::filesystem::directory_iterator(prefix.UnixPath("C:\\Backup"))) {
            const std::string name = entry.path().filename().string();
            if (name.find(".tmp") != std::string::npos || name.find(".sl-") != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    testing::TempPrefix prefix;
    std::shared_ptr<FaultInjectingPlatform> faults;
    std::shared_ptr<platform::Platform> previous;
    testing::StorageRun files;
};

TEST_F(StorageFaultTest, BackupCopyOnAFullDisk) {
    prefix.WriteFile("C:\\windows\\a.acl", "a");
    prefix.WriteFile("C:\\windows\\b.acl", "b");
    prefix.WriteFile("C:\\windows\\c.acl", "c");
    faults->FailNth(CallKind::CopyFile, 2, platform::kErrorDiskFull);
    CSLFileItem record;
    record.ID = "'11'";
    record.PathID = 1;

    // The copy failure is reported; the status of the search stays 0.
    EXPECT_EQ(files.BackupFileTree(record, "", "", "", "*.ACL", 0), 0);
    EXPECT_EQ(files.ErrorText,
              "SLFileCopyFiles CopyFile 'C:\\windows\\b.acl' --> 'C:\\Backup\\2.dat' returned "
              "error 112\n");
    EXPECT_NE(prefix.LogText().find("returned error 112"), std::string::npos);
    EXPECT_EQ(record.BackupFiles, (std::vector<std::string>{"1.dat", "3.dat"}));
    EXPECT_EQ(files.BackupCounter, 3u);
    EXPECT_FALSE(prefix.Exists("C:\\Backup\\2.dat"));
    EXPECT_EQ(prefix.ReadFile("C:\\Backup\\3.dat"), "c");
}

TEST_F(StorageFaultTest, RestoreFailuresLeaveTargetsAsTheyWere) {
    prefix.WriteFile("C:\\Backup\\1.dat", "saved one");
    prefix.WriteFile("C:\\Backup\\2.dat", "saved two");
    prefix.WriteFile("C:\\windows\\one.ini", "current one");
    CSLFileItem record;
    record.ID = "'3'";
    record.PathID = 1;
    record.SourceFiles = {"one.ini", "New\\two.ini"};
    record.BackupFiles = {"1.dat", "2.dat"};

    // A full disk on the copy: message, status unchanged, target untouched.
    faults->FailNth(CallKind::CopyFile, 1, platform::kErrorDiskFull);
    // Access denied creating the new folder: message and the status 5.
    faults->FailNth(CallKind::CreateDirectory, 1, platform::kErrorAccessDenied);
    EXPECT_EQ(files.RestoreRecordFiles(record), 5);
    EXPECT_EQ(files.ErrorText,
              "SLRestoreFiles CopyFile 'C:\\Backup\\1.dat' --> 'C:\\windows\\one.ini' returned "
              "error 112\n"
              "SLRestoreFiles CreateDirectory 'C:\\windows\\New' returned error 5\n");
    EXPECT_EQ(prefix.ReadFile("C:\\windows\\one.ini"), "current one");
    EXPECT_FALSE(prefix.Exists("C:\\windows\\New"));
    EXPECT_EQ(prefix.ReadFile("C:\\Backup\\1.dat"), "saved one");
}

TEST_F(StorageFaultTest, ArchiveWriteFailureLeavesNoHalfFile) {
    testing::SetString(*prefix.Platform(), platform::kHkeyCurrentUser, "Software\\Demo", "Mode",
                       "fast");
    // A first, good archive.
    ASSERT_EQ(RegSLSave(0x80000001u, "Software\\Demo", "C:\\Backup\\1.bin", "", "", "", "", 0), 0);
    const std::string good = prefix.ReadFile("C:\\Backup\\1.bin");
    ASSERT_FALSE(good.empty());

    testing::SetString(*prefix.Platform(), platform::kHkeyCurrentUser, "Software\\Demo", "Mode",
                       "slow");
    // Disk full in the middle of the write: cause 13 in the archive position.
    faults->FailNth(CallKind::WriteFile, 1, platform::kErrorDiskFull);
    EXPECT_EQ(RegSLSave(0x80000001u, "Software\\Demo", "C:\\Backup\\1.bin", "", "", "", "", 0),
              13 * 1000000);
    EXPECT_EQ(prefix.ReadFile("C:\\Backup\\1.bin"), good);
    // Failing to open, or to put the written file in place, is no different.
    faults->FailNth(CallKind::OpenFileWrite, 1, platform::kErrorAccessDenied);
    EXPECT_EQ(RegSLSave(0x80000001u, "Software\\Demo", "C:\\Backup\\2.bin", "", "", "", "", 0),
              5 * 1000000);
    EXPECT_FALSE(prefix.Exists("C:\\Backup\\2.bin"));
    faults->FailNth(CallKind::MoveFile, 1, platform::kErrorSharingViolation);
    EXPECT_EQ(RegSLSave(0x80000001u, "Software\\Demo", "C:\\Backup\\1.bin", "", "", "", "", 0),
              11 * 1000000);
    EXPECT_EQ(prefix.ReadFile("C:\\Backup\\1.bin"), good);
    EXPECT_FALSE(HasLeftovers());
}

TEST_F(StorageFaultTest, RegistryWriteFailuresOnRestore) {
    testing::SetString(*prefix.Platform(), platform::kHkeyCurrentUser, "Software\\Demo", "A",
                       "one");
    testing::SetString(*prefix.Platform(), platform::kHkeyCurrentUser, "Software\\Demo\\Sub", "B",
                       "two");
    ASSERT_EQ(RegSLSave(0x80000001u, "Software\\Demo", "C:\\Backup\\1.bin", "", "", "", "", 0), 0);
    testing::SetString(*prefix.Platform(), platform::kHkeyCurrentUser, "Software\\Demo", "A",
                       "changed");
    const std::string archive = "C:\\Backup\\1.bin";

    // A sharing violation on the first set stops the records there.
    faults->FailNth(CallKind::RegSetValue, 1, platform::kErrorSharingViolation);
    std::string errors;
    EXPECT_EQ(RegSLRestore(archive, &errors), 32);
    EXPECT_EQ(errors, "RegSLRestore RegSetValueEx Error: 32\n");
    EXPECT_EQ(GetString(platform::kHkeyCurrentUser, "Software\\Demo", "A"), "changed");
    EXPECT_NE(prefix.LogText().find("RegSLRestore RegSetValueEx Error: 32"), std::string::npos);

    // Access denied creating a key.
    faults->Reset();
    faults->FailNth(CallKind::RegCreateKey, 1, platform::kErrorAccessDenied, "Sub");
    errors.clear();
    EXPECT_EQ(RegSLRestore(archive, &errors), 5);
    EXPECT_EQ(errors, "RegSLRestore RegCreateKeyEx Error: 5\n");

    // A flush that fails: the writes did not reach the disk, the restore failed.
    faults->Reset();
    testing::SetString(*prefix.Platform(), platform::kHkeyCurrentUser, "Software\\Demo", "A",
                       "changed");
    ASSERT_EQ(prefix.Platform()->FlushRegistry(), 0);
    faults->FailFrom(CallKind::RegFlushKey, 1, platform::kErrorDiskFull);
    errors.clear();
    EXPECT_EQ(RegSLRestore(archive, &errors), 112);
    EXPECT_EQ(errors, "RegSLRestore RegFlushKey Error: 112\n");
    // What is on disk is still the old hive, whole.
    prefix.ReloadPlatform();
    EXPECT_EQ(GetString(platform::kHkeyCurrentUser, "Software\\Demo", "A"), "changed");
}

TEST_F(StorageFaultTest, ArchiveReadFailureRestoresNothingPartial) {
    testing::SetString(*prefix.Platform(), platform::kHkeyCurrentUser, "Software\\Demo", "A",
                       "one");
    ASSERT_EQ(RegSLSave(0x80000001u, "Software\\Demo", "C:\\Backup\\1.bin", "", "", "", "", 0), 0);
    faults->FailNth(CallKind::ReadFile, 1, 1117);  // a hard I/O error
    std::string errors;
    EXPECT_EQ(RegSLRestore("C:\\Backup\\1.bin", &errors), 1);
    EXPECT_EQ(errors, "RegSLRestore ArchiveXfer Error: 1\n");
    faults->FailNth(CallKind::OpenFileRead, 1, platform::kErrorSharingViolation);
    errors.clear();
    EXPECT_EQ(RegSLRestore("C:\\Backup\\1.bin", &errors), 11);
    EXPECT_EQ(errors, "RegSLRestore ArchiveXfer Error: 11\n");
}

}  // namespace
}  // namespace sl
