// Restores from backup folders crafted by hand, byte by byte, the way someone
// else's or a damaged folder could look: file records that climb out of their
// folder, registry records outside their key (the keys and folders are those
// of the library's own script: WinAmp is component 58 with the key
// Software\Winamp, 11 has the *.ACL files of the Windows folder), absurd counts and lengths,
// unknown classes, wrong schemas and references to nothing. Afterwards no file
// may have been written outside the restore's folders, no key outside the
// recorded key paths, and the log must say what was refused.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "kernel/interface/crafted_bytes_test_support.h"
#include "kernel/interface/e2e_test_support.h"
#include "kernel/interface/kernel.h"
#include "kernel/testing/temp_prefix.h"

namespace sl {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;

constexpr std::uint32_t kHkcu = 0x80000001u;
constexpr std::uint32_t kHklm = 0x80000002u;

// Every file below a folder with its content.
std::map<std::string, std::string> Snapshot(const std::string& root) {
    std::map<std::string, std::string> files;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        if (it->is_symlink()) {
            it.disable_recursion_pending();
            continue;
        }
        if (!it->is_regular_file()) continue;
        std::ifstream in(it->path(), std::ios::binary);
        files[fs::relative(it->path(), root).string()] =
            std::string(std::istreambuf_iterator<char>(in), {});
    }
    return files;
}

class HostileFolderTest : public ::testing::Test {
protected:
    void SetUp() override { prefix.MakeFolder("C:\\Backup"); }

    // A bookkeeping file with one registry record, '58' (Software\Winamp of
    // HKCU) in "1.bin".
    void WriteWinampBookkeeping() {
        Write("Stowlark.dat", Bytes()
                                  .Str("'58'")
                                  .Str("")
                                  .U32(1)
                                  .U16(1)
                                  .NewClass("CSLRegItem")
                                  .RegItem("'58'", kHkcu, "Software\\Winamp", "1.bin")
                                  .U16(0)
                                  .str());
    }
    void Write(const std::string& name, const std::string& bytes) {
        prefix.WriteFile("C:\\Backup\\" + name, bytes);
    }
    std::int32_t Restore(const std::string& ids) {
        kernel = std::make_unique<CSLKernel>();
        kernel->Mode = SL_MODE_RESTORE;
        kernel->SetFolder("C:\\Backup");
        return kernel->RunInstructions(ids);
    }
    bool KeyExists(platform::HKEY root, const std::string& path) {
        platform::HKEY key = 0;
        if (prefix.Platform()->RegOpenKeyEx(root, path.c_str(), platform::kKeyRead, &key) != 0) {
            return false;
        }
        prefix.Platform()->RegCloseKey(key);
        return true;
    }

    testing::TempPrefix prefix;
    std::unique_ptr<CSLKernel> kernel;
};

TEST_F(HostileFolderTest, FileRecordsThatLeaveTheirFolderAreRefused) {
    prefix.WriteFile("C:\\Program Files\\keep.txt", "untouched");
    Write("1.dat", "good");
    Write("2.dat", "evil");
    const std::vector<std::string> sources = {
        "good.acl", "..\\escaped1.txt", "sub\\..\\..\\escaped2.txt", "C:\\escaped3.txt",
        "\\escaped4.txt", "D:escaped5.txt", "sub/../../escaped6.txt", ". .\\escaped7.txt",
        "plain.acl", "plain2.acl", "plain3.acl"};
    const std::vector<std::string> backups = {
        "1.dat", "2.dat", "2.dat", "2.dat", "2.dat", "2.dat", "2.dat", "2.dat",
        "..\\Backup\\2.dat", "C:\\Backup\\2.dat", "sub\\2.dat"};
    Write("Stowlark.dat", Bytes()
                              .Str("'11'")
                              .Str("")
                              .U32(2)
                              .U16(0)
                              .U16(1)
                              .NewClass("CSLFileItem")
                              .FileItem("'11'", 1, sources, backups)
                              .str());
    const auto before = Snapshot(prefix.DriveC());

    EXPECT_EQ(Restore("'11'"), 0);
    EXPECT_EQ(kernel->BadIDs, "'11'");
    // Only the good file and the bookkeeping file changed.
    auto changed = testing::Changed(before, Snapshot(prefix.DriveC()));
    EXPECT_EQ(changed, (std::vector<std::string>{"Backup/Stowlark.dat", "windows/good.acl"}));
    EXPECT_EQ(prefix.ReadFile("C:\\windows\\good.acl"), "good");
    // Each refused pair is named once, in the error text and in the log.
    for (std::size_t i = 1; i < sources.size(); ++i) {
        const std::string line = "SLRestoreFiles refused '" + backups[i] + "' --> '" + sources[i] + "'\n";
        EXPECT_NE(kernel->ErrorText.find(line), std::string::npos) << line;
        EXPECT_NE(prefix.LogText().find(line.substr(0, line.size() - 1)), std::string::npos);
    }
}

TEST_F(HostileFolderTest, RegistryRecordsOutsideTheirKeyAreRefused) {
    const std::string systemBefore = prefix.ReadHive("system.reg");
    Write("1.bin", Bytes()
                       .U16(7)
                       .NewClass("CRegContentItem")
                       .Value(kHkcu, "Software\\Winamp", "inside", "yes")
                       .U16(0x8001).Value(kHkcu, "Software\\WinampX", "sibling", "no")
                       .U16(0x8001).Value(kHkcu, "Software\\Other", "elsewhere", "no")
                       .U16(0x8001).Value(kHklm, "Software\\Winamp", "otherRoot", "no")
                       .U16(0x8001).Key(kHkcu, "software\\WINAMP\\Sub")
                       .U16(0x8001).Value(kHkcu, "Software\\Winamp\\..\\..\\Evil", "dots", "literal")
                       .U16(0x8001).Value(kHkcu, "software\\winamp\\Sub", "below", "yes")
                       .str());
    WriteWinampBookkeeping();

    EXPECT_EQ(Restore("'58'"), 0);
    EXPECT_EQ(kernel->BadIDs, "'58'");
    for (const char* refused : {"Software\\WinampX", "Software\\Other"}) {
        EXPECT_NE(kernel->ErrorText.find(std::string("RegSLRestore refused '") + refused + "'\n"),
                  std::string::npos)
            << kernel->ErrorText;
    }
    EXPECT_NE(prefix.LogText().find("RegSLRestore refused 'Software\\Winamp'"), std::string::npos);

    // What is on disk: the keys inside, nothing outside.
    prefix.ReloadPlatform();
    EXPECT_TRUE(KeyExists(platform::kHkeyCurrentUser, "Software\\Winamp\\Sub"));
    EXPECT_FALSE(KeyExists(platform::kHkeyCurrentUser, "Software\\WinampX"));
    EXPECT_FALSE(KeyExists(platform::kHkeyCurrentUser, "Software\\Other"));
    // ".." is a plain name in the registry, not a way up: the key stays below.
    EXPECT_TRUE(KeyExists(platform::kHkeyCurrentUser, "Software\\Winamp\\..\\..\\Evil"));
    EXPECT_FALSE(KeyExists(platform::kHkeyCurrentUser, "Evil"));
    EXPECT_FALSE(KeyExists(platform::kHkeyCurrentUser, "Software\\Evil"));
    EXPECT_EQ(prefix.ReadHive("system.reg"), systemBefore);
    const std::string user = prefix.ReadHive("user.reg");
    EXPECT_NE(user.find("\"below\"=\"yes\""), std::string::npos);
    EXPECT_EQ(user.find("\"no\""), std::string::npos) << user;
}

// Bookkeeping files that must not load: each fails with its cause, quickly,
// and the restore writes nothing (not even the bookkeeping file).
TEST_F(HostileFolderTest, DamagedBookkeepingFilesFailCleanly) {
    const std::string head = Bytes().Str("'1'").Str("").U32(1).str();
    struct Case {
        const char* what;
        std::string bytes;
        std::int32_t cause;
    };
    const std::vector<Case> cases = {
        {"huge record count", head + Bytes().U16(0xFFFF).U32(0xFFFFFFF0u).str(), 3},
        {"huge string length", Bytes().Raw("\xFF\xFF\xFF").U32(0x7FFFFFF0u).str(), 3},
        {"huge list of sources",
         head + Bytes().U16(0).U16(1).NewClass("CSLFileItem").Str("'1'").U32(1)
                    .U16(0xFFFF).U32(0xFFFFFFFFu).str(), 3},
        {"unknown class", head + Bytes().U16(1).NewClass("CSLEvilItem").str(), 6},
        {"class name of 64 characters", head + Bytes().U16(1).NewClass(std::string(64, 'C')).str(), 6},
        {"wrong schema", head + Bytes().U16(1).NewClass("CSLRegItem", 2).str(), 7},
        {"file record in the registry list",
         head + Bytes().U16(1).NewClass("CSLFileItem").FileItem("'1'", 1, {}, {}).str(), 6},
        {"registry content record in the list",
         head + Bytes().U16(1).NewClass("CRegContentItem").Key(kHkcu, "A").str(), 6},
        {"back reference to an undefined object", head + Bytes().U16(1).U16(0x0005).str(), 5},
        {"class reference to an undefined index", head + Bytes().U16(1).U16(0x8009).str(), 5},
        {"null reference", head + Bytes().U16(1).U16(0x0000).str(), 6},
        {"back reference to the same object twice",
         head + Bytes().U16(2).NewClass("CSLRegItem").RegItem("'1'", kHkcu, "A", "1.bin")
                    .U16(0x0002).str(), 6},
        {"wide tag naming an undefined class", head + Bytes().U16(1).U16(0x7FFF).U32(0x80001234u).str(), 5},
        {"wide tag naming an undefined object", head + Bytes().U16(1).U16(0x7FFF).U32(0x00012345u).str(), 5},
        {"truncated wide tag", head + Bytes().U16(1).U16(0x7FFF).U16(1).str(), 3},
        {"empty file", "", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Write("Stowlark.dat", c.bytes);
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(Restore("'1'"), 0);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
        EXPECT_EQ(kernel->ErrorText, "RunInstructions Restore Load 'C:\\Backup\\' error: " +
                                         std::to_string(c.cause) + "\n");
        EXPECT_EQ(prefix.ReadFile("C:\\Backup\\Stowlark.dat"), c.bytes);

        // The getters hand out what was read before the failure, and the code.
        std::string ids;
        EXPECT_EQ(kernel->GetSavedIDs(ids), c.cause);
    }
}

// A registry archive's own damage: the records read before it still go in
// (when they are inside the key), the rest is reported, nothing crashes.
TEST_F(HostileFolderTest, DamagedRegistryArchivesFailCleanly) {
    WriteWinampBookkeeping();
    const Bytes good = Bytes().NewClass("CRegContentItem").Value(kHkcu, "Software\\Winamp", "first", "in");
    struct Case {
        const char* what;
        std::string bytes;
        std::int32_t cause;
    };
    const std::vector<Case> cases = {
        {"huge data length",
         Bytes().U16(2).Raw(good.str()).U16(0x8001).U32(0).U32(kHkcu).Str("Software\\Winamp").Str("")
             .Str("v").U32(3).U32(0xFFFFFFFFu).str(), 3},
        {"huge record count", Bytes().U16(0xFFFF).U32(0xFFFFFFFFu).Raw(good.str()).str(), 3},
        {"wrong class",
         Bytes().U16(2).Raw(good.str()).NewClass("CSLRegItem").RegItem("'58'", kHkcu, "A", "1.bin").str(),
         6},
        {"wrong schema", Bytes().U16(1).NewClass("CRegContentItem", 3).str(), 7},
        {"reference back to the first record", Bytes().U16(2).Raw(good.str()).U16(0x0002).str(), 6},
        {"class tag naming an object", Bytes().U16(2).Raw(good.str()).U16(0x8002).str(), 6},
        {"undefined class index", Bytes().U16(2).Raw(good.str()).U16(0x8005).str(), 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Write("1.bin", c.bytes);
        EXPECT_EQ(Restore("'58'"), 0);
        EXPECT_EQ(kernel->BadIDs, "'58'");
        EXPECT_NE(kernel->ErrorText.find("RegSLRestore ArchiveXfer Error: " +
                                         std::to_string(c.cause) + "\n"),
                  std::string::npos)
            << kernel->ErrorText;
    }
    // A record of an unknown kind is refused, the others go in.
    Write("1.bin", Bytes()
                       .U16(2)
                       .NewClass("CRegContentItem")
                       .U32(7).U32(kHkcu).Str("Software\\Winamp\\Odd").Str("").Str("").U32(0).U32(0)
                       .U16(0x8001).Value(kHkcu, "Software\\Winamp", "second", "in")
                       .str());
    EXPECT_EQ(Restore("'58'"), 0);
    EXPECT_NE(kernel->ErrorText.find("RegSLRestore refused 'Software\\Winamp\\Odd'\n"),
              std::string::npos);
    prefix.ReloadPlatform();
    EXPECT_FALSE(KeyExists(platform::kHkeyCurrentUser, "Software\\Winamp\\Odd"));
    EXPECT_TRUE(KeyExists(platform::kHkeyCurrentUser, "Software\\Winamp"));
}

// A registry record of the bookkeeping file whose archive name leaves the
// backup folder, and one whose root is no predefined root.
TEST_F(HostileFolderTest, RegistryRecordsWithStrangeNamesAndRoots) {
    prefix.WriteFile("C:\\elsewhere.bin",
                     Bytes().U16(1).NewClass("CRegContentItem").Value(kHkcu, "Software\\Demo", "x", "y").str());
    Write("Stowlark.dat", Bytes()
                              .Str("'1''2'")
                              .Str("")
                              .U32(1)
                              .U16(2)
                              .NewClass("CSLRegItem")
                              .RegItem("'1'", kHkcu, "Software\\Demo", "..\\elsewhere.bin")
                              .U16(0x8001)
                              .RegItem("'2'", 0x12345u, "", "1.bin")
                              .U16(0)
                              .str());
    Write("1.bin", Bytes().U16(1).NewClass("CRegContentItem").Value(0x12345u, "", "x", "y").str());
    const std::string userBefore = prefix.ReadHive("user.reg");
    const std::string systemBefore = prefix.ReadHive("system.reg");

    EXPECT_EQ(Restore("'1''2'"), 0);
    EXPECT_EQ(kernel->BadIDs, "'1''2'");
    EXPECT_NE(kernel->ErrorText.find("RegSLRestore refused 'C:\\Backup\\..\\elsewhere.bin'\n"
                                     "RegSLRestore 'C:\\Backup\\..\\elsewhere.bin' error 123\n"),
              std::string::npos)
        << kernel->ErrorText;
    prefix.ReloadPlatform();
    EXPECT_EQ(prefix.ReadHive("user.reg"), userBefore);
    EXPECT_EQ(prefix.ReadHive("system.reg"), systemBefore);
}

}  // namespace
}  // namespace sl
