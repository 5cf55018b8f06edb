#include "kernel/storage/reg_save_restore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <new>
#include <optional>
#include <utility>

#include "kernel/testing/fault_injection.h"
#include "kernel/storage/archive.h"
#include "kernel/testing/temp_prefix.h"

namespace sl {
namespace {

using platform::DWORD;
using platform::HKEY;
using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;

// Bytes of a string value as the ANSI calls see it: the text and its zero.
std::string Sz(const std::string& text) { return std::string(text.c_str(), text.size() + 1); }

std::string Dword(std::uint32_t value) {
    return std::string(reinterpret_cast<const char*>(&value), 4);
}

void CreateKey(HKEY root, const std::string& path, const char* keyClass = nullptr) {
    HKEY key = 0;
    ASSERT_EQ(platform::Current().RegCreateKeyEx(root, path.c_str(), keyClass, 0,
                                                 platform::kKeyAllAccess, &key, nullptr),
              0);
    platform::Current().RegCloseKey(key);
}

void SetValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
              const std::string& bytes) {
    HKEY key = 0;
    ASSERT_EQ(platform::Current().RegCreateKeyEx(root, path.c_str(), nullptr, 0,
                                                 platform::kKeyAllAccess, &key, nullptr),
              0);
    EXPECT_EQ(platform::Current().RegSetValueEx(
                  key, name.c_str(), type, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                  static_cast<DWORD>(bytes.size())),
              0);
    platform::Current().RegCloseKey(key);
}

// Type and bytes of a value, or nothing when the key or value is missing.
std::optional<std::pair<DWORD, std::string>> GetValue(HKEY root, const std::string& path,
                                                      const std::string& name) {
    HKEY key = 0;
    if (platform::Current().RegOpenKeyEx(root, path.c_str(), platform::kKeyRead, &key) != 0) {
        return std::nullopt;
    }
    std::uint8_t data[1024] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    platform::LONG rc = platform::Current().RegQueryValueEx(key, name.c_str(), &type, data, &size);
    platform::Current().RegCloseKey(key);
    if (rc != 0) return std::nullopt;
    return std::make_pair(type, std::string(reinterpret_cast<const char*>(data), size));
}

bool KeyExists(HKEY root, const std::string& path) {
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

std::unique_ptr<CRegContentItem> Record(std::int32_t kind, std::uint32_t root,
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
std::vector<std::string> Summary(const RegRecordList& records) {
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

TEST_F(RegSaveRestoreTest, SavesTheDemoKeyAsTheKnown150Bytes) {
    SetValue(kHkeyCurrentUser, "Software\\Demo", "Size", platform::kRegDword, Dword(16));
    SetValue(kHkeyCurrentUser, "Software\\Demo\\Opts", "Mode", platform::kRegSz, Sz("fast"));

    EXPECT_EQ(Save(kHkeyCurrentUser, "Software\\Demo", "1.bin"), 0);

    const std::string root = std::string("\x01\x00\x00\x80", 4);
    std::string expected = std::string("\x03\x00\xFF\xFF\x01\x00\x0F\x00", 8) + "CRegContentItem";
    expected += std::string(4, '\0') + root + "\x0DSoftware\\Demo" + std::string(1, '\0') +
                "\x04Size" + Dword(4) + Dword(4) + Dword(16);
    expected += std::string("\x01\x80\x01\x00\x00\x00", 6) + root + "\x12Software\\Demo\\Opts" +
                std::string(10, '\0');
    expected += std::string("\x01\x80", 2) + std::string(4, '\0') + root +
                "\x12Software\\Demo\\Opts" + std::string(1, '\0') + "\x04Mode" + Dword(1) +
                Dword(5) + Sz("fast");
    ASSERT_EQ(expected.size(), 150u);
    EXPECT_EQ(prefix.ReadFile(Archive("1.bin")), expected);

    // Identical content gives identical archives.
    EXPECT_EQ(Save(kHkeyCurrentUser, "Software\\Demo", "2.bin"), 0);
    EXPECT_EQ(prefix.ReadFile(Archive("2.bin")), expected);
}

TEST_F(RegSaveRestoreTest, EmptyAndMissingKeysGiveTwoByteArchives) {
    CreateKey(kHkeyCurrentUser, "Software\\Empty");
    EXPECT_EQ(Save(kHkeyCurrentUser, "Software\\Empty", "1.bin"), 0);
    EXPECT_EQ(prefix.ReadFile(Archive("1.bin")), std::string(2, '\0'));

    EXPECT_EQ(Save(kHkeyCurrentUser, "Software\\Missing", "2.bin"), 2);
    EXPECT_EQ(prefix.ReadFile(Archive("2.bin")), std::string(2, '\0'));

    std::string errors;
    EXPECT_EQ(RegSLRestore(Archive("2.bin"), &errors), 0);
    EXPECT_EQ(errors, "");
    EXPECT_FALSE(KeyExists(kHkeyCurrentUser, "Software\\Missing"));
}

// A link key whose target is gone (Wine leaves such links behind) is left
// out of a save instead of failing it.
TEST_F(RegSaveRestoreTest, ALinkToNowhereIsLeftOutOfASave) {
    std::string target;
    for (char c : std::string("\\Registry\\Machine\\Software\\Gone")) {
        target += (target.empty() ? "" : ",") + std::string(1, "0123456789abcdef"[(c >> 4) & 15]) +
                  "0123456789abcdef"[c & 15] + ",00";
    }
    {
        std::ofstream hive(prefix.PrefixPath() + "/system.reg", std::ios::app);
        hive << "\n[Software\\\\App\\\\Dangling] 1796618213\n#link\n\"SymbolicLinkValue\"=hex(6):" << target
             << "\n\n[Software\\\\App\\\\Real] 1796618213\n\"a\"=\"b\"\n";
    }
    Reload();
    EXPECT_EQ(Save(kHkeyLocalMachine, "Software\\App", "1.bin"), 0);
    EXPECT_EQ(Summary(Load("1.bin")), (std::vector<std::string>{"Software\\App\\Real|", "Software\\App\\Real|a"}));
}

TEST_F(RegSaveRestoreTest, KeyListsFilterTheFirstLevelAndValueListsEveryLevel) {
    const std::string key = "Software\\App";
    SetValue(kHkeyCurrentUser, key, "Top", platform::kRegDword, Dword(1));
    SetValue(kHkeyCurrentUser, key + "\\Keep", "A", platform::kRegDword, Dword(2));
    SetValue(kHkeyCurrentUser, key + "\\Keep", "Secret", platform::kRegDword, Dword(3));
    SetValue(kHkeyCurrentUser, key + "\\Keep\\Other\\Deeper", "B", platform::kRegDword, Dword(4));
    SetValue(kHkeyCurrentUser, key + "\\Keep\\Other\\Deeper", "secret", platform::kRegDword,
             Dword(5));
    SetValue(kHkeyCurrentUser, key + "\\Skip", "C", platform::kRegDword, Dword(6));
    SetValue(kHkeyCurrentUser, key + "\\Skip\\Keep", "D", platform::kRegDword, Dword(7));

    EXPECT_EQ(Save(kHkeyCurrentUser, key, "1.bin", "'KEEP'", "", "", "'SECRET'"), 0);
    EXPECT_EQ(Summary(Load("1.bin")),
              (std::vector<std::string>{key + "|Top", key + "\\Keep|", key + "\\Keep|A",
                                        key + "\\Keep\\Other|", key + "\\Keep\\Other\\Deeper|",
                                        key + "\\Keep\\Other\\Deeper|B"}));

    // An exclude list removes a first-level subkey with its whole subtree.
    EXPECT_EQ(Save(kHkeyCurrentUser, key, "2.bin", "", "'KEEP'", "'C';'D'"), 0);
    EXPECT_EQ(Summary(Load("2.bin")),
              (std::vector<std::string>{key + "\\Skip|", key + "\\Skip|C", key + "\\Skip\\Keep|",
                                        key + "\\Skip\\Keep|D"}));
}

TEST_F(RegSaveRestoreTest, DefaultValueMatchesTwoAdjacentQuotes) {
    SetValue(kHkeyCurrentUser, "Software\\D", "", platform::kRegSz, Sz("default"));
    SetValue(kHkeyCurrentUser, "Software\\D", "Named", platform::kRegSz, Sz("named"));
    EXPECT_EQ(Save(kHkeyCurrentUser, "Software\\D", "1.bin", "", "", "''"), 0);
    EXPECT_EQ(Summary(Load("1.bin")), std::vector<std::string>{"Software\\D|"});
}

TEST(DrivePathTest, FindsALetterColonBackslashNotPrecededByALetter) {
    auto holds = [](const std::string& text) {
        return HoldsDrivePath(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    };
    EXPECT_TRUE(holds("C:\\x"));
    EXPECT_TRUE(holds("x;C:\\y"));
    EXPECT_TRUE(holds("x:C:\\dir"));
    EXPECT_TRUE(holds("http://a;d:\\b"));
    EXPECT_FALSE(holds("::C:\\dir"));
    EXPECT_FALSE(holds("ab:\\x"));
    EXPECT_FALSE(holds("http://host/C:/x"));
    EXPECT_FALSE(holds("1:\\x"));
    EXPECT_FALSE(holds("C:"));
    EXPECT_FALSE(holds(std::string("x\0C:\\dir", 9)));  // stops at the first zero
    const std::string text = "C:\\dir";
    EXPECT_FALSE(HoldsDrivePath(reinterpret_cast<const std::uint8_t*>(text.data()), 2));
}

TEST_F(RegSaveRestoreTest, DrivePathValuesAreLeftOutUnlessKept) {
    const std::string key = "Software\\Paths";
    SetValue(kHkeyCurrentUser, key, "A", platform::kRegSz, Sz("x:C:\\dir"));
    SetValue(kHkeyCurrentUser, key, "B", platform::kRegSz, Sz("::C:\\dir"));
    SetValue(kHkeyCurrentUser, key, "C", platform::kRegExpandSz, Sz("C:\\dir"));
    SetValue(kHkeyCurrentUser, key, "D", platform::kRegMultiSz, Sz("C:\\dir") + '\0');
    SetValue(kHkeyCurrentUser, key, "E", platform::kRegBinary, "C:\\dir");
    SetValue(kHkeyCurrentUser, key + "\\Sub", "F", platform::kRegSz, Sz("D:\\deep"));

    EXPECT_EQ(Save(kHkeyCurrentUser, key, "1.bin"), 0);
    EXPECT_EQ(Summary(Load("1.bin")),
              (std::vector<std::string>{key + "|B", key + "|C", key + "|D", key + "|E",
                                        key + "\\Sub|"}));

    EXPECT_EQ(Save(kHkeyCurrentUser, key, "2.bin", "", "", "", "", 1), 0);
    EXPECT_EQ(Load("2.bin").size(), 7u);
}

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

TEST_F(RegSaveRestoreTest, CompositeStatusWrapsModulo2To32) {
    auto faulty = std::make_shared<FaultyPlatform>(prefix.Platform());
    faulty->writeRunsOutOfMemory = true;
    auto previous = platform::Install(faulty);
    // Values status 2 (missing key), archive 99123: 2 + 1000000 * 99123 mod 2^32.
    std::int32_t status = Save(kHkeyCurrentUser, "Software\\Missing", "1.bin");
    platform::Install(previous);
    EXPECT_EQ(static_cast<std::uint32_t>(status), 338752192u + 2u);
    // An archive that cannot be written at all: bad path (3) in the archive part.
    EXPECT_EQ(RegSLSave(static_cast<std::uint32_t>(kHkeyCurrentUser), "Software\\Missing",
                        "C:\\NoSuchFolder\\1.bin", "", "", "", "", 0),
              2 + 3000000);
}

TEST_F(RegSaveRestoreTest, RestoreWritesTypesBytesAndClassesToDisk) {
    const std::string key = "Software\\Round";
    SetValue(kHkeyCurrentUser, key, "", platform::kRegSz, Sz("default"));
    SetValue(kHkeyCurrentUser, key, "Bin", platform::kRegBinary, std::string("\x00\xFF\x10", 3));
    SetValue(kHkeyCurrentUser, key, "Empty", platform::kRegBinary, "");
    SetValue(kHkeyCurrentUser, key, "Expand", platform::kRegExpandSz, Sz("%WINDIR%\\x"));
    SetValue(kHkeyCurrentUser, key, "Multi", platform::kRegMultiSz, Sz("a") + Sz("b") + '\0');
    CreateKey(kHkeyCurrentUser, key + "\\Classy", "MyClass");
    SetValue(kHkeyCurrentUser, key + "\\Classy\\Leaf", "N", platform::kRegDword, Dword(42));
    ASSERT_EQ(Save(kHkeyCurrentUser, key, "1.bin"), 0);

    // A registry that never held the key.
    prefix.WriteHive("user.reg", testing::EmptyHiveText("user.reg"));
    Reload();
    ASSERT_FALSE(KeyExists(kHkeyCurrentUser, key));

    std::string errors;
    EXPECT_EQ(RegSLRestore(Archive("1.bin"), &errors, static_cast<std::uint32_t>(kHkeyCurrentUser),
                           &key),
              0);
    EXPECT_EQ(errors, "");

    Reload();  // what is on disk, not what is in memory
    using V = std::optional<std::pair<DWORD, std::string>>;
    EXPECT_EQ(GetValue(kHkeyCurrentUser, key, ""), V({platform::kRegSz, Sz("default")}));
    EXPECT_EQ(GetValue(kHkeyCurrentUser, key, "Bin"),
              V({platform::kRegBinary, std::string("\x00\xFF\x10", 3)}));
    EXPECT_EQ(GetValue(kHkeyCurrentUser, key, "Empty"), V({platform::kRegBinary, ""}));
    EXPECT_EQ(GetValue(kHkeyCurrentUser, key, "Expand"),
              V({platform::kRegExpandSz, Sz("%WINDIR%\\x")}));
    EXPECT_EQ(GetValue(kHkeyCurrentUser, key, "Multi"),
              V({platform::kRegMultiSz, Sz("a") + Sz("b") + '\0'}));
    EXPECT_EQ(GetValue(kHkeyCurrentUser, key + "\\Classy\\Leaf", "N"),
              V({platform::kRegDword, Dword(42)}));
    HKEY classy = 0;
    ASSERT_EQ(platform::Current().RegOpenKeyEx(kHkeyCurrentUser, key.c_str(), platform::kKeyRead,
                                               &classy),
              0);
    char name[256] = {};
    char keyClass[256] = {};
    DWORD nameLength = 256;
    DWORD classLength = 256;
    EXPECT_EQ(platform::Current().RegEnumKeyEx(classy, 0, name, &nameLength, keyClass,
                                               &classLength),
              0);
    platform::Current().RegCloseKey(classy);
    EXPECT_STREQ(name, "Classy");
    EXPECT_STREQ(keyClass, "MyClass");
}

TEST_F(RegSaveRestoreTest, RestoreKeepsWhatTheArchiveDoesNotHold) {
    const std::string key = "Software\\Keep";
    SetValue(kHkeyCurrentUser, key, "Saved", platform::kRegSz, Sz("old"));
    ASSERT_EQ(Save(kHkeyCurrentUser, key, "1.bin"), 0);
    SetValue(kHkeyCurrentUser, key, "Saved", platform::kRegDword, Dword(9));
    SetValue(kHkeyCurrentUser, key, "Added", platform::kRegSz, Sz("new"));
    CreateKey(kHkeyCurrentUser, key + "\\AddedKey");

    EXPECT_EQ(RegSLRestore(Archive("1.bin"), nullptr), 0);
    Reload();
    using V = std::optional<std::pair<DWORD, std::string>>;
    EXPECT_EQ(GetValue(kHkeyCurrentUser, key, "Saved"), V({platform::kRegSz, Sz("old")}));
    EXPECT_EQ(GetValue(kHkeyCurrentUser, key, "Added"), V({platform::kRegSz, Sz("new")}));
    EXPECT_TRUE(KeyExists(kHkeyCurrentUser, key + "\\AddedKey"));
}

TEST_F(RegSaveRestoreTest, RecordsOutsideTheSavedKeyAreRefused) {
    const auto hkcu = static_cast<std::uint32_t>(kHkeyCurrentUser);
    RecordFile file;
    file.records.push_back(Record(0, hkcu, "Software\\App", "In", Sz("1")));
    file.records.push_back(Record(1, hkcu, "software\\app\\Sub"));
    file.records.push_back(Record(0, hkcu, "Software\\AppX", "Sibling", Sz("2")));
    file.records.push_back(Record(0, static_cast<std::uint32_t>(kHkeyLocalMachine),
                                  "Software\\App", "OtherRoot", Sz("3")));
    file.records.push_back(Record(1, hkcu, "Software"));
    file.records.push_back(Record(2, hkcu, "Software\\App\\Odd"));
    file.records.push_back(Record(0, hkcu, "Software\\App\\Sub", "Last", Sz("4")));
    ASSERT_EQ(ArchiveXfer(file, Archive("evil.bin"), 1), 0);

    std::string errors = "before\n";
    const std::string scope = "SOFTWARE\\APP";
    std::int32_t rc = RegSLRestore(Archive("evil.bin"), &errors, hkcu, &scope);
    EXPECT_NE(rc, 0);
    EXPECT_EQ(errors,
              "before\n"
              "RegSLRestore refused 'Software\\AppX'\n"
              "RegSLRestore refused 'Software\\App'\n"
              "RegSLRestore refused 'Software'\n"
              "RegSLRestore refused 'Software\\App\\Odd'\n");
    EXPECT_NE(prefix.LogText().find("RegSLRestore refused 'Software\\AppX'"), std::string::npos);

    Reload();
    EXPECT_TRUE(GetValue(kHkeyCurrentUser, "Software\\App", "In"));
    EXPECT_TRUE(GetValue(kHkeyCurrentUser, "Software\\App\\Sub", "Last"));
    EXPECT_FALSE(KeyExists(kHkeyCurrentUser, "Software\\AppX"));
    EXPECT_FALSE(KeyExists(kHkeyLocalMachine, "Software\\App"));
    EXPECT_FALSE(KeyExists(kHkeyCurrentUser, "Software\\App\\Odd"));

    // Without a scope only the unknown kind is refused.
    errors.clear();
    EXPECT_NE(RegSLRestore(Archive("evil.bin"), &errors), 0);
    EXPECT_EQ(errors, "RegSLRestore refused 'Software\\App\\Odd'\n");
    Reload();
    EXPECT_TRUE(GetValue(kHkeyCurrentUser, "Software\\AppX", "Sibling"));
    EXPECT_TRUE(GetValue(kHkeyLocalMachine, "Software\\App", "OtherRoot"));
}

// Archives are read from folders anyone may have written: a key path deeper
// than any registry holds (it used to exhaust the stack when the hive was
// written) or with an overlong name is refused, and the rest still goes in.
TEST_F(RegSaveRestoreTest, KeyPathsBeyondWindowsLimitsAreRefused) {
    const auto hkcu = static_cast<std::uint32_t>(kHkeyCurrentUser);
    auto deepPath = [](std::size_t levels) {
        std::string path = "Software\\App";
        for (std::size_t i = 2; i < levels; ++i) path += "\\k";
        return path;
    };
    RecordFile file;
    file.records.push_back(Record(1, hkcu, deepPath(120000)));
    file.records.push_back(Record(0, hkcu, deepPath(platform::kMaxKeyDepth + 1), "v", Sz("x")));
    file.records.push_back(Record(0, hkcu, "Software\\App\\" + std::string(256, 'n'), "v", Sz("x")));
    file.records.push_back(Record(0, hkcu, deepPath(platform::kMaxKeyDepth), "Bottom", Sz("1")));
    file.records.push_back(Record(0, hkcu, "Software\\App\\" + std::string(255, 'n'), "Long", Sz("2")));
    ASSERT_EQ(ArchiveXfer(file, Archive("deep.bin"), 1), 0);

    std::string errors;
    const std::string scope = "Software\\App";
    EXPECT_EQ(RegSLRestore(Archive("deep.bin"), &errors, hkcu, &scope),
              static_cast<std::int32_t>(platform::kErrorInvalidName));
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 3) << errors.substr(0, 2000);
    EXPECT_LT(errors.size(), 2000u);  // a refused path is not logged in full

    Reload();
    EXPECT_TRUE(GetValue(kHkeyCurrentUser, deepPath(platform::kMaxKeyDepth), "Bottom"));
    EXPECT_TRUE(GetValue(kHkeyCurrentUser, "Software\\App\\" + std::string(255, 'n'), "Long"));
    EXPECT_FALSE(KeyExists(kHkeyCurrentUser, deepPath(platform::kMaxKeyDepth + 1)));

    // Saved again, the deepest key comes along, and the archive restores.
    EXPECT_EQ(Save(kHkeyCurrentUser, "Software\\App", "again.bin"), 0);
    const RegRecordList saved = Load("again.bin");
    EXPECT_TRUE(std::any_of(saved.begin(), saved.end(), [&](const auto& r) {
        return r->KeyPath == deepPath(platform::kMaxKeyDepth) && r->ValueName == "Bottom";
    }));
    errors.clear();
    EXPECT_EQ(RegSLRestore(Archive("again.bin"), &errors, hkcu, &scope), 0) << errors;
}

TEST_F(RegSaveRestoreTest, WriteAndFlushFailuresFailTheRestore) {
    SetValue(kHkeyCurrentUser, "Software\\W", "A", platform::kRegSz, Sz("a"));
    SetValue(kHkeyCurrentUser, "Software\\W\\Sub", "B", platform::kRegSz, Sz("b"));
    ASSERT_EQ(Save(kHkeyCurrentUser, "Software\\W", "1.bin"), 0);
    ASSERT_EQ(prefix.Platform()->FlushRegistry(), 0);

    // While a wineserver owns the registry every write is refused.
    std::string errors;
    prefix.SimulateWineServer(true);
    EXPECT_EQ(RegSLRestore(Archive("1.bin"), &errors), 32);
    prefix.SimulateWineServer(false);
    // Stops at the first refused write. Nothing was written, so nothing is
    // flushed and the cause is named once.
    EXPECT_EQ(errors, "RegSLRestore RegSetValueEx Error: 32\n");
    EXPECT_EQ(prefix.LogText().find("RegSLRestore RegFlushKey Error: 32"), std::string::npos);

    // A write that went in before a failed one still reaches the disk.
    SetValue(kHkeyCurrentUser, "Software\\W", "A", platform::kRegSz, Sz("changed"));
    auto faults = std::make_shared<platform::FaultInjectingPlatform>(prefix.Platform());
    faults->FailNth(platform::CallKind::RegSetValue, 2, platform::kErrorDiskFull);
    auto before = platform::Install(faults);
    errors.clear();
    EXPECT_EQ(RegSLRestore(Archive("1.bin"), &errors), 112);
    platform::Install(before);
    EXPECT_EQ(errors, "RegSLRestore RegSetValueEx Error: 112\n");
    Reload();
    EXPECT_EQ(GetValue(kHkeyCurrentUser, "Software\\W", "A"), std::make_pair(platform::kRegSz, Sz("a")));

    auto faulty = std::make_shared<FaultyPlatform>(prefix.Platform());
    faulty->flushError = 112;
    auto previous = platform::Install(faulty);
    errors.clear();
    std::int32_t rc = RegSLRestore(Archive("1.bin"), &errors);
    platform::Install(previous);
    EXPECT_EQ(rc, 112);
    EXPECT_EQ(errors, "RegSLRestore RegFlushKey Error: 112\n");
    EXPECT_NE(prefix.LogText().find("RegSLRestore RegFlushKey Error: 112"), std::string::npos);
}

TEST_F(RegSaveRestoreTest, UnreadableArchiveStillRestoresWhatWasRead) {
    std::string errors;
    EXPECT_EQ(RegSLRestore(Archive("none.bin"), &errors), 2);
    EXPECT_EQ(errors, "RegSLRestore ArchiveXfer Error: 2\n");

    SetValue(kHkeyCurrentUser, "Software\\T", "A", platform::kRegSz, Sz("a"));
    SetValue(kHkeyCurrentUser, "Software\\T", "B", platform::kRegSz, Sz("b"));
    ASSERT_EQ(Save(kHkeyCurrentUser, "Software\\T", "1.bin"), 0);
    std::string bytes = prefix.ReadFile(Archive("1.bin"));
    prefix.WriteFile(Archive("cut.bin"), bytes.substr(0, bytes.size() - 3));
    prefix.WriteHive("user.reg", testing::EmptyHiveText("user.reg"));
    Reload();

    errors.clear();
    EXPECT_EQ(RegSLRestore(Archive("cut.bin"), &errors), 3);
    EXPECT_EQ(errors, "RegSLRestore ArchiveXfer Error: 3\n");
    Reload();
    EXPECT_TRUE(GetValue(kHkeyCurrentUser, "Software\\T", "A"));
    EXPECT_FALSE(GetValue(kHkeyCurrentUser, "Software\\T", "B"));
}

}  // namespace
}  // namespace sl
