// Test support for the registry save and restore: the fixture with its
// temporary prefix and backup folder, hand-made records and archives, and
// short ways to state and read the registry.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "kernel/platform/platform.h"
#include "kernel/storage/archive.h"
#include "kernel/storage/reg_save_restore.h"
#include "kernel/testing/registry_values.h"
#include "kernel/testing/temp_prefix.h"

namespace sl {

using platform::DWORD;
using platform::HKEY;
using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;
using testing::Sz;

inline std::string Dword(std::uint32_t value) {
    return std::string(reinterpret_cast<const char*>(&value), 4);
}

inline void CreateKey(HKEY root, const std::string& path, const char* keyClass = nullptr) {
    HKEY key = 0;
    ASSERT_EQ(platform::Current().RegCreateKeyEx(root, path.c_str(), keyClass, 0,
                                                 platform::kKeyAllAccess, &key, nullptr),
              0);
    platform::Current().RegCloseKey(key);
}

inline bool KeyExists(HKEY root, const std::string& path) {
    HKEY key = 0;
    if (platform::Current().RegOpenKeyEx(root, path.c_str(), platform::kKeyRead, &key) != 0) {
        return false;
    }
    platform::Current().RegCloseKey(key);
    return true;
}

// A record list as a whole archive file, for reading what was saved and for
// writing hand-made archives.
class RecordFile : public SerializableObject {
public:
    const RuntimeClass* GetRuntimeClass() const override { return &kClass; }
    void Serialize(Archive& archive) override { SerializeObjectList(archive, records); }
    RegRecordList records;

private:
    static inline const RuntimeClass kClass{"CObList", 0, nullptr};
};

inline std::unique_ptr<CRegContentItem> Record(std::int32_t kind, std::uint32_t root,
                                        const std::string& keyPath, const std::string& name = "",
                                        const std::string& bytes = "") {
    auto record = std::make_unique<CRegContentItem>();
    record->Kind = kind;
    record->Root = root;
    record->KeyPath = keyPath;
    record->ValueName = name;
    if (kind == CRegContentItem::kValueRecord) {
        record->Type = platform::kRegSz;
        record->SetData(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                        static_cast<std::uint32_t>(bytes.size()));
    }
    return record;
}

// "path|name" of every record, in file order ("path|" for key records).
inline std::vector<std::string> Summary(const RegRecordList& records) {
    std::vector<std::string> out;
    for (const auto& r : records) {
        out.push_back(r->KeyPath + "|" + (r->Kind == CRegContentItem::kKeyRecord
                                              ? std::string()
                                              : r->ValueName));
    }
    return out;
}

class RegSaveRestoreTest : public ::testing::Test {
protected:
    // Sets a value through the installed platform, creating its key.
    static void SetValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                         const std::string& bytes) {
        testing::SetValue(platform::Current(), root, path, name, type, bytes);
    }
    // The value through the installed platform; nothing when missing.
    static std::optional<testing::RegValue> GetValue(HKEY root, const std::string& path,
                                                     const std::string& name) {
        return testing::ReadValue(platform::Current(), root, path, name);
    }

    void SetUp() override { prefix.MakeFolder("C:\\Backup"); }

    std::string Archive(const std::string& name) { return "C:\\Backup\\" + name; }

    RegRecordList Load(const std::string& name) {
        RecordFile file;
        EXPECT_EQ(ArchiveXfer(file, Archive(name), 0), 0);
        return std::move(file.records);
    }

    std::int32_t Save(HKEY root, const std::string& key, const std::string& name,
                      const std::string& includeKeys = "", const std::string& excludeKeys = "",
                      const std::string& includeValues = "", const std::string& excludeValues = "",
                      std::int32_t keep = 0) {
        return RegSLSave(static_cast<std::uint32_t>(root), key, Archive(name), includeKeys,
                         excludeKeys, includeValues, excludeValues, keep);
    }

    // Forgets every unflushed change: the registry as it is on disk.
    void Reload() { prefix.ReloadPlatform(); }

    testing::TempPrefix prefix;
};

// Forwards to the prefix's platform, failing flushes or archive writes.
class FaultyPlatform : public platform::Platform {
public:
    explicit FaultyPlatform(std::shared_ptr<platform::Platform> inner) : in(std::move(inner)) {}
    platform::LONG flushError = 0;
    bool writeRunsOutOfMemory = false;

    platform::LONG RegOpenKeyEx(HKEY r, const char* s, DWORD a, HKEY* k) override {
        return in->RegOpenKeyEx(r, s, a, k);
    }
    platform::LONG RegCreateKeyEx(HKEY r, const char* s, const char* c, DWORD o, DWORD a, HKEY* k,
                                  DWORD* d) override {
        return in->RegCreateKeyEx(r, s, c, o, a, k, d);
    }
    platform::LONG RegCloseKey(HKEY k) override { return in->RegCloseKey(k); }
    platform::LONG RegQueryInfoKey(HKEY k, DWORD* a, DWORD* b, DWORD* c, DWORD* d,
                                   DWORD* e) override {
        return in->RegQueryInfoKey(k, a, b, c, d, e);
    }
    platform::LONG RegEnumKeyEx(HKEY k, DWORD i, char* n, DWORD* nl, char* c,
                                DWORD* cl) override {
        return in->RegEnumKeyEx(k, i, n, nl, c, cl);
    }
    platform::LONG RegEnumValue(HKEY k, DWORD i, char* n, DWORD* nl, DWORD* t, std::uint8_t* d,
                                DWORD* dl) override {
        return in->RegEnumValue(k, i, n, nl, t, d, dl);
    }
    platform::LONG RegQueryValueEx(HKEY k, const char* n, DWORD* t, std::uint8_t* d,
                                   DWORD* dl) override {
        return in->RegQueryValueEx(k, n, t, d, dl);
    }
    platform::LONG RegSetValueEx(HKEY k, const char* n, DWORD t, const std::uint8_t* d,
                                 DWORD dl) override {
        return in->RegSetValueEx(k, n, t, d, dl);
    }
    platform::LONG RegFlushKey(HKEY k) override {
        return flushError != 0 ? flushError : in->RegFlushKey(k);
    }
    DWORD FindFirstFile(const std::string& p, platform::FindHandle* h,
                        platform::FindData* d) override {
        return in->FindFirstFile(p, h, d);
    }
    DWORD FindNextFile(platform::FindHandle h, platform::FindData* d) override {
        return in->FindNextFile(h, d);
    }
    DWORD FindClose(platform::FindHandle h) override { return in->FindClose(h); }
    DWORD CopyFile(const std::string& f, const std::string& t) override {
        return in->CopyFile(f, t);
    }
    DWORD CreateDirectory(const std::string& p) override { return in->CreateDirectory(p); }
    DWORD GetFileAttributes(const std::string& p, DWORD* a) override {
        return in->GetFileAttributes(p, a);
    }
    std::string GetWindowsDirectory() override { return in->GetWindowsDirectory(); }
    std::string GetSystemDirectory() override { return in->GetSystemDirectory(); }
    DWORD OpenFile(const std::string& p, platform::FileAccess a,
                   platform::FileHandle* h) override {
        return in->OpenFile(p, a, h);
    }
    DWORD ReadFile(platform::FileHandle h, void* b, std::size_t s, std::size_t* d) override {
        return in->ReadFile(h, b, s, d);
    }
    DWORD WriteFile(platform::FileHandle h, const void* b, std::size_t s) override {
        if (writeRunsOutOfMemory) throw std::bad_alloc();
        return in->WriteFile(h, b, s);
    }
    DWORD FileSize(platform::FileHandle h, std::uint64_t* s) override { return in->FileSize(h, s); }
    DWORD CloseFile(platform::FileHandle h, bool s) override { return in->CloseFile(h, s); }
    DWORD MoveFileReplace(const std::string& f, const std::string& t) override {
        return in->MoveFileReplace(f, t);
    }
    DWORD DeleteFile(const std::string& p) override { return in->DeleteFile(p); }
    std::string ModuleFileName() override { return in->ModuleFileName(); }
    void AppendLogBytes(const std::string& n, const std::string& b) override {
        in->AppendLogBytes(n, b);
    }
    std::string LogFilePath(const std::string& n) override { return in->LogFilePath(n); }

private:
    std::shared_ptr<platform::Platform> in;
};

}  // namespace sl
