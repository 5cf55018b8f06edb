// The fault-injection wrapper over a real (temporary) Wine prefix: which call
// fails, what a failing call leaves behind, and that everything else passes
// through unchanged.
#include "kernel/testing/fault_injection.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "kernel/testing/temp_prefix.h"

namespace sl::platform {
namespace {

class FaultInjectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        faults = std::make_shared<FaultInjectingPlatform>(prefix.Platform());
        prefix.WriteFile("C:\\src\\a.txt", "alpha");
        prefix.WriteFile("C:\\src\\b.txt", "beta");
    }

    testing::TempPrefix prefix;
    std::shared_ptr<FaultInjectingPlatform> faults;
};

TEST_F(FaultInjectionTest, FailsOnlyTheNthCallOfItsKind) {
    faults->FailNth(CallKind::CopyFile, 2, kErrorDiskFull);
    EXPECT_EQ(faults->CopyFile("C:\\src\\a.txt", "C:\\src\\1.dat"), 0u);
    EXPECT_EQ(faults->CopyFile("C:\\src\\a.txt", "C:\\src\\2.dat"), kErrorDiskFull);
    EXPECT_EQ(faults->CopyFile("C:\\src\\b.txt", "C:\\src\\3.dat"), 0u);
    EXPECT_EQ(prefix.ReadFile("C:\\src\\1.dat"), "alpha");
    EXPECT_FALSE(prefix.Exists("C:\\src\\2.dat"));  // the failed call never reached the disk
    EXPECT_EQ(prefix.ReadFile("C:\\src\\3.dat"), "beta");
    EXPECT_EQ(faults->Calls(CallKind::CopyFile), 3u);
    EXPECT_EQ(faults->Injected(CallKind::CopyFile), 1u);
    // Other kinds are untouched and counted apart.
    EXPECT_EQ(faults->CreateDirectory("C:\\made"), 0u);
    EXPECT_EQ(faults->Calls(CallKind::CreateDirectory), 1u);
    EXPECT_EQ(faults->Injected(CallKind::CreateDirectory), 0u);
}

TEST_F(FaultInjectionTest, PathFilterAndPersistentFaults) {
    // Only calls naming "b.txt" count toward this fault, case ignored.
    faults->FailFrom(CallKind::CopyFile, 1, kErrorSharingViolation, "B.TXT");
    EXPECT_EQ(faults->CopyFile("C:\\src\\a.txt", "C:\\src\\x"), 0u);
    EXPECT_EQ(faults->CopyFile("C:\\src\\b.txt", "C:\\src\\y"), kErrorSharingViolation);
    EXPECT_EQ(faults->CopyFile("C:\\src\\a.txt", "C:\\src\\b.txt.copy"), kErrorSharingViolation);
    EXPECT_EQ(faults->Injected(CallKind::CopyFile), 2u);

    faults->Reset();
    EXPECT_EQ(faults->Calls(CallKind::CopyFile), 0u);
    EXPECT_EQ(faults->CopyFile("C:\\src\\b.txt", "C:\\src\\y"), 0u);

    // Registry calls match on the subkey or value name.
    faults->FailNth(CallKind::RegCreateKey, 1, kErrorAccessDenied, "Blocked");
    HKEY key = 0;
    EXPECT_EQ(faults->RegCreateKeyEx(kHkeyCurrentUser, "Software\\Open", nullptr, 0,
                                     kKeyAllAccess, &key, nullptr), 0);
    faults->RegCloseKey(key);
    key = 0;
    EXPECT_EQ(faults->RegCreateKeyEx(kHkeyCurrentUser, "Software\\Blocked", nullptr, 0,
                                     kKeyAllAccess, &key, nullptr), kErrorAccessDenied);
    EXPECT_EQ(key, 0u);  // out parameters of a failing call stay as they were
}

TEST_F(FaultInjectionTest, FailingWriteLeavesHalfTheBytesAndCloseStillCloses) {
    faults->FailNth(CallKind::WriteFile, 1, kErrorDiskFull);
    faults->FailNth(CallKind::CloseFile, 1, kErrorDiskFull);
    FileHandle handle = 0;
    ASSERT_EQ(faults->OpenFile("C:\\src\\out.bin", FileAccess::Write, &handle), 0u);
    EXPECT_EQ(faults->WriteFile(handle, "12345678", 8), kErrorDiskFull);
    EXPECT_EQ(faults->CloseFile(handle, true), kErrorDiskFull);
    EXPECT_EQ(prefix.ReadFile("C:\\src\\out.bin"), "1234");
    // The handle is gone: the file can be opened exclusively again.
    ASSERT_EQ(faults->OpenFile("C:\\src\\out.bin", FileAccess::Read, &handle), 0u);
    EXPECT_EQ(faults->CloseFile(handle, false), 0u);
    EXPECT_EQ(faults->Calls(CallKind::OpenFileWrite), 1u);
    EXPECT_EQ(faults->Calls(CallKind::OpenFileRead), 1u);
}

TEST_F(FaultInjectionTest, HookSeesEveryCallInOrder) {
    std::string seen;
    faults->SetCallHook([&seen](CallKind kind, unsigned number) {
        seen += std::string(CallKindName(kind)) + "#" + std::to_string(number) + " ";
    });
    DWORD attributes = 0;
    faults->GetFileAttributes("C:\\src\\a.txt", &attributes);
    faults->CopyFile("C:\\src\\a.txt", "C:\\src\\c.txt");
    faults->GetFileAttributes("C:\\src\\c.txt", &attributes);
    EXPECT_EQ(seen, "GetFileAttributes#1 CopyFile#1 GetFileAttributes#2 ");
    EXPECT_EQ(faults->TotalCalls(), 3u);
    // The log is never failed nor counted.
    faults->FailFrom(CallKind::WriteFile, 1, kErrorDiskFull);
    faults->AppendLogBytes("Stowlark.Log", "entry\r\n");
    EXPECT_EQ(prefix.LogText(), "entry\r\n");
    EXPECT_EQ(faults->TotalCalls(), 3u);
}

}  // namespace
}  // namespace sl::platform
