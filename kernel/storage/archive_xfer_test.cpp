#include <gtest/gtest.h>

#include <filesystem>

#include <new>
#include <string>

#include "kernel/platform/platform.h"
#include "kernel/storage/archive.h"
#include "kernel/storage/reg_content_item.h"
#include "kernel/testing/temp_prefix.h"

namespace sl {
namespace {

using platform::DWORD;
using platform::FileHandle;

// Passes every file call to the prefix's platform, except that the call of
// the chosen kind fails with the chosen Win32 error.
class FaultyFiles : public platform::Platform {
public:
    enum class Call { None, Open, Read, Write, Close, Move };
    FaultyFiles(std::shared_ptr<platform::Platform> inner, Call call, DWORD error)
        : inner_(std::move(inner)), call_(call), error_(error) {}

    DWORD OpenFile(const std::string& path, platform::FileAccess access,
                   FileHandle* handle) override {
        if (call_ == Call::Open) return error_;
        return inner_->OpenFile(path, access, handle);
    }
    DWORD ReadFile(FileHandle h, void* buffer, std::size_t size, std::size_t* done) override {
        if (call_ == Call::Read) return error_;
        return inner_->ReadFile(h, buffer, size, done);
    }
    DWORD WriteFile(FileHandle h, const void* buffer, std::size_t size) override {
        if (call_ == Call::Write) {
            inner_->WriteFile(h, buffer, size / 2);  // part of it reached the disk
            return error_;
        }
        return inner_->WriteFile(h, buffer, size);
    }
    DWORD FileSize(FileHandle h, std::uint64_t* size) override { return inner_->FileSize(h, size); }
    DWORD CloseFile(FileHandle h, bool sync) override {
        DWORD result = inner_->CloseFile(h, sync);
        return call_ == Call::Close ? error_ : result;
    }
    DWORD MoveFileReplace(const std::string& from, const std::string& to) override {
        if (call_ == Call::Move) return error_;
        return inner_->MoveFileReplace(from, to);
    }
    DWORD DeleteFile(const std::string& path) override { return inner_->DeleteFile(path); }

    // Everything else is not used by ArchiveXfer.
    platform::LONG RegOpenKeyEx(platform::HKEY, const char*, DWORD, platform::HKEY*) override { return 6; }
    platform::LONG RegCreateKeyEx(platform::HKEY, const char*, const char*, DWORD, DWORD,
                                  platform::HKEY*, DWORD*) override { return 6; }
    platform::LONG RegCloseKey(platform::HKEY) override { return 6; }
    platform::LONG RegQueryInfoKey(platform::HKEY, DWORD*, DWORD*, DWORD*, DWORD*, DWORD*) override { return 6; }
    platform::LONG RegEnumKeyEx(platform::HKEY, DWORD, char*, DWORD*, char*, DWORD*) override { return 6; }
    platform::LONG RegEnumValue(platform::HKEY, DWORD, char*, DWORD*, DWORD*, std::uint8_t*,
                                DWORD*) override { return 6; }
    platform::LONG RegQueryValueEx(platform::HKEY, const char*, DWORD*, std::uint8_t*, DWORD*) override { return 6; }
    platform::LONG RegSetValueEx(platform::HKEY, const char*, DWORD, const std::uint8_t*, DWORD) override { return 6; }
    platform::LONG RegFlushKey(platform::HKEY) override { return 6; }
    DWORD FindFirstFile(const std::string& p, platform::FindHandle* h, platform::FindData* d) override {
        return inner_->FindFirstFile(p, h, d);
    }
    DWORD FindNextFile(platform::FindHandle h, platform::FindData* d) override { return inner_->FindNextFile(h, d); }
    DWORD FindClose(platform::FindHandle h) override { return inner_->FindClose(h); }
    DWORD CopyFile(const std::string& a, const std::string& b) override { return inner_->CopyFile(a, b); }
    DWORD CreateDirectory(const std::string& p) override { return inner_->CreateDirectory(p); }
    DWORD GetFileAttributes(const std::string& p, DWORD* a) override { return inner_->GetFileAttributes(p, a); }
    std::string GetWindowsDirectory() override { return inner_->GetWindowsDirectory(); }
    std::string GetSystemDirectory() override { return inner_->GetSystemDirectory(); }
    std::string ModuleFileName() override { return inner_->ModuleFileName(); }
    void AppendLogBytes(const std::string& n, const std::string& b) override { inner_->AppendLogBytes(n, b); }
    std::string LogFilePath(const std::string& n) override { return inner_->LogFilePath(n); }

private:
    std::shared_ptr<platform::Platform> inner_;
    Call call_;
    DWORD error_;
};

// A registry archive as a whole file.
struct RecordFile : SerializableObject {
    std::vector<std::unique_ptr<CRegContentItem>> records;
    const RuntimeClass* GetRuntimeClass() const override { return nullptr; }
    void Serialize(Archive& archive) override { SerializeObjectList(archive, records); }
};

RecordFile Records(int count, const std::string& name) {
    RecordFile file;
    for (int i = 0; i < count; ++i) {
        auto item = std::make_unique<CRegContentItem>();
        item->Root = 0x80000002u;
        item->KeyPath = "Software\\Vendor\\App";
        item->ValueName = name + std::to_string(i);
        item->Type = 3;
        std::vector<std::uint8_t> data(i % 300, static_cast<std::uint8_t>(i));
        item->SetData(data.data(), static_cast<std::uint32_t>(data.size()));
        file.records.push_back(std::move(item));
    }
    return file;
}

class ArchiveXferTest : public ::testing::Test {
protected:
    void SetUp() override { prefix_.MakeFolder("C:\\Backup"); }

    // Runs body with a faulty platform installed over the prefix's.
    template <typename Body>
    void WithFault(FaultyFiles::Call call, DWORD error, Body&& body) {
        auto previous = platform::Install(
            std::make_shared<FaultyFiles>(prefix_.Platform(), call, error));
        body();
        platform::Install(previous);
    }

    // Names in the archive's folder that a store writes on the way.
    std::vector<std::string> Temporaries() {
        std::vector<std::string> names;
        for (const auto& entry :
             std::filesystem::directory_iterator(prefix_.UnixPath("C:\\Backup"))) {
            const std::string name = entry.path().filename().string();
            if (name.find("tmp") != std::string::npos) names.push_back(name);
        }
        return names;
    }

    testing::TempPrefix prefix_;
    const std::string path_ = "C:\\Backup\\1.bin";
};

TEST_F(ArchiveXferTest, WritesAndReadsBackAcrossManyBuffers) {
    RecordFile stored = Records(400, "v");  // far more than one 4096-byte buffer
    ASSERT_EQ(ArchiveXfer(stored, path_, 1), 0);
    EXPECT_EQ(Temporaries(), std::vector<std::string>{});
    std::string bytes = prefix_.ReadFile(path_);
    EXPECT_GT(bytes.size(), 3u * Archive::kBufferSize);
    EXPECT_EQ(bytes.substr(0, 23), std::string("\x90\x01\xFF\xFF\x01\x00\x0F\x00", 8) + "CRegContentItem");

    RecordFile loaded;
    ASSERT_EQ(ArchiveXfer(loaded, path_, 0), 0);
    ASSERT_EQ(loaded.records.size(), 400u);
    for (std::size_t i = 0; i < 400; ++i) {
        EXPECT_EQ(loaded.records[i]->ValueName, stored.records[i]->ValueName);
        EXPECT_EQ(loaded.records[i]->Data, stored.records[i]->Data);
    }

    // Storing again replaces the whole file.
    RecordFile smaller = Records(1, "w");
    ASSERT_EQ(ArchiveXfer(smaller, path_, 1), 0);
    RecordFile again;
    ASSERT_EQ(ArchiveXfer(again, path_, 0), 0);
    ASSERT_EQ(again.records.size(), 1u);
    EXPECT_EQ(again.records[0]->ValueName, "w0");
}

TEST_F(ArchiveXferTest, MissingEmptyAndTruncatedFiles) {
    RecordFile file;
    EXPECT_EQ(ArchiveXfer(file, "C:\\Backup\\9.bin", 0), kFileNotFound);
    EXPECT_EQ(ArchiveXfer(file, "C:\\Nowhere\\9.bin", 0), kFileBadPath);

    prefix_.WriteFile(path_, "");
    EXPECT_EQ(ArchiveXfer(file, path_, 0), kArchiveEndOfFile);

    RecordFile stored = Records(3, "v");
    ASSERT_EQ(ArchiveXfer(stored, path_, 1), 0);
    std::string bytes = prefix_.ReadFile(path_);
    prefix_.WriteFile(path_, bytes.substr(0, bytes.size() - 1));
    RecordFile partial;
    EXPECT_EQ(ArchiveXfer(partial, path_, 0), kArchiveEndOfFile);
    EXPECT_EQ(partial.records.size(), 2u);

    // A file naming a class the library does not know.
    prefix_.WriteFile(path_, std::string("\x01\x00\xFF\xFF\x01\x00\x03\x00" "Foo", 11));
    EXPECT_EQ(ArchiveXfer(file, path_, 0), kArchiveBadClass);
}

TEST_F(ArchiveXferTest, FailedStoreLeavesTheOldFile) {
    RecordFile old = Records(2, "old");
    ASSERT_EQ(ArchiveXfer(old, path_, 1), 0);
    const std::string before = prefix_.ReadFile(path_);
    RecordFile replacement = Records(300, "new");

    const struct {
        FaultyFiles::Call call;
        DWORD error;
        std::int32_t result;
    } faults[] = {
        {FaultyFiles::Call::Open, 5, kFileAccessDenied},
        {FaultyFiles::Call::Open, 32, kFileSharingViolation},
        {FaultyFiles::Call::Write, 112, kFileDiskFull},
        {FaultyFiles::Call::Close, 112, kFileDiskFull},
        {FaultyFiles::Call::Move, 5, kFileAccessDenied},
        {FaultyFiles::Call::Move, 33, kFileLockViolation},
        {FaultyFiles::Call::Write, 1117, kFileGeneric},
    };
    for (const auto& fault : faults) {
        WithFault(fault.call, fault.error, [&] {
            EXPECT_EQ(ArchiveXfer(replacement, path_, 1), fault.result) << fault.error;
        });
        EXPECT_EQ(prefix_.ReadFile(path_), before) << fault.error;
        EXPECT_EQ(Temporaries(), std::vector<std::string>{}) << fault.error;
    }

    // A store that fails when no file was there leaves none.
    WithFault(FaultyFiles::Call::Write, 112, [&] {
        EXPECT_EQ(ArchiveXfer(replacement, "C:\\Backup\\2.bin", 1), kFileDiskFull);
    });
    EXPECT_FALSE(prefix_.Exists("C:\\Backup\\2.bin"));
}

TEST_F(ArchiveXferTest, ReadErrorsAndOtherFailures) {
    RecordFile stored = Records(2, "v");
    ASSERT_EQ(ArchiveXfer(stored, path_, 1), 0);
    WithFault(FaultyFiles::Call::Read, 38, [&] {
        RecordFile file;
        EXPECT_EQ(ArchiveXfer(file, path_, 0), kFileEndOfFile);
    });
    WithFault(FaultyFiles::Call::Open, 4, [&] {
        RecordFile file;
        EXPECT_EQ(ArchiveXfer(file, path_, 0), kFileTooManyOpen);
    });

    // Memory exhausted, or anything else thrown, inside Serialize.
    struct Throwing : SerializableObject {
        bool badAlloc;
        explicit Throwing(bool b) : badAlloc(b) {}
        const RuntimeClass* GetRuntimeClass() const override { return nullptr; }
        void Serialize(Archive& archive) override {
            if (archive.IsStoring()) archive.WriteString(std::string(5000, 'x'));
            if (badAlloc) throw std::bad_alloc();
            throw 42;
        }
    };
    const std::string before = prefix_.ReadFile(path_);
    for (bool badAlloc : {true, false}) {
        Throwing object(badAlloc);
        EXPECT_EQ(ArchiveXfer(object, path_, 1), kArchiveOtherFailure);
        EXPECT_EQ(ArchiveXfer(object, path_, 0), kArchiveOtherFailure);
        EXPECT_EQ(prefix_.ReadFile(path_), before);
    }
}

}  // namespace
}  // namespace sl
