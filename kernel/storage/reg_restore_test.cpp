// Writing archives back into the registry.
#include "kernel/storage/reg_save_restore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <new>
#include <optional>
#include <utility>

#include "kernel/testing/fault_injection.h"
#include "kernel/storage/archive.h"
#include "kernel/storage/reg_archive_test_support.h"
#include "kernel/testing/temp_prefix.h"

namespace sl {
namespace {

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
    using V = std::optional<testing::RegValue>;
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
    using V = std::optional<testing::RegValue>;
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
    EXPECT_EQ(GetValue(kHkeyCurrentUser, "Software\\W", "A"),
              (testing::RegValue{platform::kRegSz, Sz("a")}));

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
