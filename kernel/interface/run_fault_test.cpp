// Faults injected into whole runs of the driver: the result, the failed IDs
// and the messages of each, and the backup folder's files kept whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "kernel/interface/kernel.h"
#include "kernel/testing/fault_injection.h"
#include "kernel/testing/registry_values.h"
#include "kernel/testing/temp_prefix.h"

namespace sl {
namespace {

using platform::CallKind;
using platform::FaultInjectingPlatform;

// Component 13 of the action script: two registry keys of Excel and the
// toolbar files *.XLB of the Windows folder.
const char kExcel[] = "'13'";

class RunFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::SetString(*prefix.Platform(), platform::kHkeyCurrentUser,
                           "Software\\Microsoft\\Office\\8.0\\Excel\\Init Menus", "Menu1", "a");
        testing::SetString(*prefix.Platform(), platform::kHkeyCurrentUser,
                           "Software\\Microsoft\\Office\\8.0\\Excel\\Init Commands", "Cmd1", "b");
        prefix.WriteFile("C:\\windows\\Excel8.xlb", "toolbar one");
        prefix.WriteFile("C:\\windows\\Other.xlb", "toolbar two");
        prefix.MakeFolder("C:\\Backup");
        ASSERT_EQ(prefix.Platform()->FlushRegistry(), 0);
        faults = std::make_shared<FaultInjectingPlatform>(prefix.Platform());
        previous = platform::Install(faults);
    }
    void TearDown() override { platform::Install(previous); }

    // One run on a fresh kernel, as the export makes it.
    std::int32_t Run(std::int32_t mode, const std::string& ids) {
        kernel = std::make_unique<CSLKernel>();
        kernel->Mode = mode;
        kernel->SetFolder("C:\\Backup");
        return kernel->RunInstructions(ids);
    }

    testing::TempPrefix prefix;
    std::shared_ptr<FaultInjectingPlatform> faults;
    std::shared_ptr<platform::Platform> previous;
    std::unique_ptr<CSLKernel> kernel;
};

TEST_F(RunFaultTest, BackupCopyOnAFullDiskMarksTheComponent) {
    faults->FailNth(CallKind::CopyFile, 1, platform::kErrorDiskFull);
    EXPECT_EQ(Run(SL_MODE_BACKUP, kExcel), 1);
    EXPECT_EQ(kernel->BadIDs, kExcel);
    EXPECT_EQ(kernel->ErrorText,
              "SLFileCopyFiles CopyFile 'C:\\windows\\Excel8.xlb' --> 'C:\\Backup\\3.dat' "
              "returned error 112\n");
    // The component counts as saved, with the file that did get copied.
    CSLKernel saved;
    ASSERT_EQ(saved.Load("C:\\Backup"), 0);
    EXPECT_EQ(saved.SavedIDs, kExcel);
    ASSERT_EQ(saved.FileItems.size(), 1u);
    EXPECT_EQ(saved.FileItems[0]->BackupFiles, (std::vector<std::string>{"4.dat"}));
    EXPECT_FALSE(prefix.Exists("C:\\Backup\\3.dat"));

    // Without a fault the same component is not bad.
    faults->Reset();
    prefix.MakeFolder("C:\\Other");
    kernel = std::make_unique<CSLKernel>();
    kernel->Mode = SL_MODE_BACKUP;
    kernel->SetFolder("C:\\Other");
    EXPECT_EQ(kernel->RunInstructions(kExcel), 1);
    EXPECT_EQ(kernel->BadIDs, "");
    EXPECT_EQ(kernel->ErrorText, "");
}

TEST_F(RunFaultTest, BookkeepingSaveFailureKeepsThePreviousFile) {
    ASSERT_EQ(Run(SL_MODE_BACKUP, kExcel), 1);
    const std::string before = prefix.ReadFile("C:\\Backup\\Stowlark.dat");
    ASSERT_FALSE(before.empty());

    // The disk fills up while the new bookkeeping file is written.
    faults->FailNth(CallKind::WriteFile, 1, platform::kErrorDiskFull);
    EXPECT_EQ(Run(SL_MODE_RESTORE, kExcel), 0);
    EXPECT_NE(kernel->ErrorText.find("RunInstructions Save 'C:\\Backup\\' error: 13\n"),
              std::string::npos)
        << kernel->ErrorText;
    EXPECT_EQ(prefix.ReadFile("C:\\Backup\\Stowlark.dat"), before);
    EXPECT_NE(prefix.LogText().find("RunInstructions Save 'C:\\Backup\\' error: 13"),
              std::string::npos);

    // Access denied opening it, and a failed rename into place.
    faults->Reset();
    faults->FailNth(CallKind::OpenFileWrite, 1, platform::kErrorAccessDenied, "Stowlark.dat");
    EXPECT_EQ(Run(SL_MODE_RESTORE, kExcel), 0);
    EXPECT_EQ(kernel->ErrorText.substr(kernel->ErrorText.rfind("RunInstructions")),
              "RunInstructions Save 'C:\\Backup\\' error: 5\n");
    faults->Reset();
    faults->FailNth(CallKind::MoveFile, 1, platform::kErrorSharingViolation, "Stowlark.dat");
    EXPECT_EQ(Run(SL_MODE_RESTORE, kExcel), 0);
    EXPECT_EQ(kernel->ErrorText.substr(kernel->ErrorText.rfind("RunInstructions")),
              "RunInstructions Save 'C:\\Backup\\' error: 11\n");
    EXPECT_EQ(prefix.ReadFile("C:\\Backup\\Stowlark.dat"), before);
    for (const auto& entry :
         std::filesystem::directory_iterator(prefix.UnixPath("C:\\Backup"))) {
        EXPECT_EQ(entry.path().filename().string().find("tmp"), std::string::npos)
            << entry.path();
    }
}

TEST_F(RunFaultTest, RegistryFailuresOnRestoreFailTheirIDs) {
    ASSERT_EQ(Run(SL_MODE_BACKUP, kExcel), 1);

    faults->FailNth(CallKind::RegSetValue, 1, platform::kErrorSharingViolation);
    EXPECT_EQ(Run(SL_MODE_RESTORE, kExcel), 0);
    EXPECT_EQ(kernel->BadIDs, kExcel);  // the first archive failed, the second went in
    EXPECT_EQ(kernel->ErrorText,
              "RegSLRestore RegSetValueEx Error: 32\n"
              "RegSLRestore 'C:\\Backup\\1.bin' error 32\n");

    // A value's key that cannot be created fails its record the same way
    // (the value is then set on no key, and that is the error named).
    faults->Reset();
    faults->FailNth(CallKind::RegCreateKey, 1, platform::kErrorAccessDenied);
    EXPECT_EQ(Run(SL_MODE_RESTORE, kExcel), 0);
    EXPECT_EQ(kernel->BadIDs, kExcel);
    EXPECT_EQ(kernel->ErrorText,
              "RegSLRestore RegSetValueEx Error: 6\n"
              "RegSLRestore 'C:\\Backup\\1.bin' error 6\n");

    faults->Reset();
    faults->FailFrom(CallKind::RegFlushKey, 1, platform::kErrorDiskFull);
    EXPECT_EQ(Run(SL_MODE_RESTORE, kExcel), 0);
    EXPECT_EQ(kernel->BadIDs, std::string(kExcel) + kExcel);
    EXPECT_EQ(kernel->ErrorText,
              "RegSLRestore RegFlushKey Error: 112\n"
              "RegSLRestore 'C:\\Backup\\1.bin' error 112\n"
              "RegSLRestore RegFlushKey Error: 112\n"
              "RegSLRestore 'C:\\Backup\\2.bin' error 112\n");
    // Every record counts as restored, failed or not.
    CSLKernel saved;
    ASSERT_EQ(saved.Load("C:\\Backup"), 0);
    std::string restored;
    for (int i = 0; i < 9; ++i) restored += kExcel;  // three runs of three records
    EXPECT_EQ(saved.RestoredIDs, restored);
}

TEST_F(RunFaultTest, UnreadableBookkeepingFileStopsTheRunUntouched) {
    ASSERT_EQ(Run(SL_MODE_BACKUP, kExcel), 1);
    const std::string before = prefix.ReadFile("C:\\Backup\\Stowlark.dat");
    faults->Reset();
    faults->FailNth(CallKind::ReadFile, 1, 1117);
    EXPECT_EQ(Run(SL_MODE_BACKUP, "'14'"), 0);
    EXPECT_EQ(kernel->ErrorText, "RunInstructions Save Load 'C:\\Backup\\' error: 1\n");
    faults->FailNth(CallKind::OpenFileRead, 1, platform::kErrorSharingViolation, "Stowlark.dat");
    EXPECT_EQ(Run(SL_MODE_RESTORE, kExcel), 0);
    EXPECT_EQ(kernel->ErrorText, "RunInstructions Restore Load 'C:\\Backup\\' error: 11\n");
    EXPECT_EQ(prefix.ReadFile("C:\\Backup\\Stowlark.dat"), before);
    EXPECT_EQ(faults->Calls(CallKind::MoveFile), 0u);
}

}  // namespace
}  // namespace sl
