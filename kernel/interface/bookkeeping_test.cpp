#include <gtest/gtest.h>

#include <filesystem>

#include <string>
#include <vector>

#include "kernel/interface/kernel.h"
#include "kernel/storage/archive_stream.h"
#include "kernel/storage/archive_test_support.h"
#include "kernel/testing/temp_prefix.h"

namespace sl {
namespace {

// The bookkeeping bytes of a kernel, as a folder's "Stowlark.dat" holds them.
Bytes StoreKernel(CSLKernel& kernel) {
    return Store([&kernel](Archive& archive) { kernel.Serialize(archive); });
}

std::unique_ptr<CSLRegItem> RegItem(const std::string& id, std::uint32_t root,
                                    const std::string& keyPath, const std::string& fileName) {
    auto item = std::make_unique<CSLRegItem>();
    item->ID = id;
    item->Root = root;
    item->KeyPath = keyPath;
    item->FileName = fileName;
    return item;
}

// A first backup of component 12: one registry record, one file record.
void FillExample(CSLKernel& kernel) {
    kernel.SavedIDs = "'12'";
    kernel.BackupCounter = 2;
    kernel.RegItems.push_back(RegItem("'12'", 0x80000001u, "Software\\Demo", "1.bin"));
    auto files = std::make_unique<CSLFileItem>();
    files->ID = "'12'";
    files->PathID = 3;
    files->SourceFiles = {"A.INI"};
    files->BackupFiles = {"2.dat"};
    kernel.FileItems.push_back(std::move(files));
}

Bytes ExampleBytes() {
    Bytes b;
    Append(b, {0x04, '\'', '1', '2', '\'', 0x00, 0x02, 0, 0, 0, 0x01, 0x00});
    Append(b, {0xFF, 0xFF, 0x01, 0x00, 0x0A, 0x00});
    Append(b, "CSLRegItem");
    Append(b, {0x04, '\'', '1', '2', '\'', 0x01, 0x00, 0x00, 0x80, 0x0D});
    Append(b, "Software\\Demo");
    Append(b, {0x05, '1', '.', 'b', 'i', 'n', 0x01, 0x00});
    Append(b, {0xFF, 0xFF, 0x01, 0x00, 0x0B, 0x00});
    Append(b, "CSLFileItem");
    Append(b, {0x04, '\'', '1', '2', '\'', 0x03, 0, 0, 0});
    Append(b, {0x01, 0x00, 0x05, 'A', '.', 'I', 'N', 'I'});
    Append(b, {0x01, 0x00, 0x05, '2', '.', 'd', 'a', 't'});
    return b;
}

TEST(BookkeepingFile, WorkedExampleIsByteExact) {
    CSLKernel kernel;
    FillExample(kernel);
    Bytes stored = StoreKernel(kernel);
    ASSERT_EQ(stored.size(), 101u);
    EXPECT_EQ(stored, ExampleBytes());
}

TEST(BookkeepingFile, WorkedExampleLoadsAndStoresBackUnchanged) {
    CSLKernel kernel;
    ASSERT_EQ(LoadInto(kernel, ExampleBytes()), 0);
    EXPECT_EQ(kernel.SavedIDs, "'12'");
    EXPECT_EQ(kernel.RestoredIDs, "");
    EXPECT_EQ(kernel.BackupCounter, 2u);
    ASSERT_EQ(kernel.RegItems.size(), 1u);
    EXPECT_EQ(kernel.RegItems[0]->Root, 0x80000001u);
    EXPECT_EQ(kernel.RegItems[0]->KeyPath, "Software\\Demo");
    EXPECT_EQ(kernel.RegItems[0]->FileName, "1.bin");
    ASSERT_EQ(kernel.FileItems.size(), 1u);
    EXPECT_EQ(kernel.FileItems[0]->PathID, 3);
    EXPECT_EQ(kernel.FileItems[0]->SourceFiles, std::vector<std::string>{"A.INI"});
    EXPECT_EQ(kernel.FileItems[0]->BackupFiles, std::vector<std::string>{"2.dat"});
    EXPECT_EQ(StoreKernel(kernel), ExampleBytes());
}

TEST(BookkeepingFile, ZeroRecords) {
    CSLKernel kernel;
    kernel.SavedIDs = "'7'";
    kernel.RestoredIDs = "'7''7'";
    kernel.BackupCounter = 0x01020304;
    Bytes expected;
    Append(expected, {0x03, '\'', '7', '\'', 0x06});
    Append(expected, "'7''7'");
    Append(expected, {0x04, 0x03, 0x02, 0x01, 0x00, 0x00, 0x00, 0x00});
    EXPECT_EQ(StoreKernel(kernel), expected);

    // A file record with no copies is its ID, PathID and two zero counts.
    auto files = std::make_unique<CSLFileItem>();
    files->ID = "'7'";
    kernel.FileItems.push_back(std::move(files));
    Bytes withFile = StoreKernel(kernel);
    Bytes tail;
    Append(tail, {0x03, '\'', '7', '\'', 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(Bytes(withFile.end() - 12, withFile.end()), tail);
}

TEST(BookkeepingFile, BothListsShareOneIndexCounter) {
    CSLKernel kernel;
    FillExample(kernel);
    kernel.RegItems.push_back(RegItem("'12'", 0x80000002u, "Software\\Other", "3.bin"));
    Bytes stored = StoreKernel(kernel);
    // The second registry record follows the first at offset 57.
    ASSERT_GT(stored.size(), 59u);
    EXPECT_EQ(stored[57], 0x01);
    EXPECT_EQ(stored[58], 0x80);

    // Classes 1 and 4, records 2, 3 and 5: a further file record refers to
    // class 4 (0x8004), so a second one is appended after the first.
    auto more = std::make_unique<CSLFileItem>();
    more->ID = "'13'";
    kernel.FileItems.push_back(std::move(more));
    stored = StoreKernel(kernel);
    const Bytes secondFile = {0x04, 0x80, 0x04, '\'', '1', '3', '\''};
    EXPECT_EQ(Bytes(stored.end() - 15, stored.end() - 8), secondFile);

    CSLKernel back;
    ASSERT_EQ(LoadInto(back, stored), 0);
    ASSERT_EQ(back.RegItems.size(), 2u);
    EXPECT_EQ(back.RegItems[1]->Root, 0x80000002u);
    EXPECT_EQ(back.RegItems[1]->FileName, "3.bin");
    ASSERT_EQ(back.FileItems.size(), 2u);
    EXPECT_EQ(back.FileItems[1]->ID, "'13'");
    EXPECT_EQ(StoreKernel(back), stored);
}

TEST(BookkeepingFile, FailedLoadKeepsWhatWasRead) {
    Bytes cut = ExampleBytes();
    cut.resize(5);
    Append(cut, {0x04, '\''});  // restored IDs: 4 characters declared, 1 present
    CSLKernel kernel;
    EXPECT_EQ(LoadInto(kernel, cut), kArchiveEndOfFile);
    EXPECT_EQ(kernel.SavedIDs, "'12'");

    // A registry list that holds a file record is a bad class; the records
    // read before it stay in the list.
    Bytes wrong = ExampleBytes();
    wrong[10] = 2;  // two registry records: the second is the CSLFileItem
    CSLKernel mixed;
    EXPECT_EQ(LoadInto(mixed, wrong), kArchiveBadClass);
    EXPECT_EQ(mixed.RegItems.size(), 1u);

    Bytes schema = ExampleBytes();
    schema[14] = 2;
    CSLKernel other;
    EXPECT_EQ(LoadInto(other, schema), kArchiveBadSchema);
}

// Through the real file layer of a temporary prefix.
TEST(BookkeepingFile, SaveLoadAndGettersOnDisk) {
    testing::TempPrefix prefix;
    prefix.MakeFolder("C:\\Backup");
    prefix.MakeFolder("C:\\Empty");
    {
        CSLKernel kernel;
        FillExample(kernel);
        kernel.RestoredIDs = "'12'";
        EXPECT_EQ(kernel.Save("C:\\Backup"), 0);
    }
    std::string onDisk = prefix.ReadFile("C:\\Backup\\Stowlark.dat");
    Bytes expected = ExampleBytes();
    expected[5] = 4;
    expected.insert(expected.begin() + 6, {'\'', '1', '2', '\''});
    EXPECT_EQ(Bytes(onDisk.begin(), onDisk.end()), expected);
    for (const auto& entry : std::filesystem::directory_iterator(prefix.UnixPath("C:\\Backup"))) {
        EXPECT_EQ(entry.path().filename().string().find("tmp"), std::string::npos) << entry.path();
    }

    CSLKernel reader;
    reader.SetFolder("C:\\Backup");
    std::string ids = "old";
    EXPECT_EQ(reader.GetSavedIDs(ids), 0);
    EXPECT_EQ(ids, "'12'");
    CSLKernel restored;
    restored.SetFolder("C:\\Backup\\");
    EXPECT_EQ(restored.GetRestoredIDs(ids), 0);
    EXPECT_EQ(ids, "'12'");
    CSLKernel bad;
    bad.SetFolder("C:\\Backup");
    EXPECT_EQ(bad.GetSavedBadIDs(ids), 0);
    EXPECT_EQ(ids, "");

    // Cut inside the second string: code 3 with the saved IDs handed out.
    prefix.WriteFile("C:\\Backup\\Stowlark.dat", onDisk.substr(0, 7));
    CSLKernel truncated;
    truncated.SetFolder("C:\\Backup");
    EXPECT_EQ(truncated.GetSavedIDs(ids), kArchiveEndOfFile);
    EXPECT_EQ(ids, "'12'");

    prefix.WriteFile("C:\\Backup\\Stowlark.dat", "");
    CSLKernel empty;
    empty.SetFolder("C:\\Backup");
    EXPECT_EQ(empty.GetSavedIDs(ids), kArchiveEndOfFile);
    EXPECT_EQ(ids, "");

    CSLKernel missing;
    missing.SetFolder("C:\\Empty");
    ids = "old";
    EXPECT_EQ(missing.GetRestoredIDs(ids), kFileNotFound);
    EXPECT_EQ(ids, "");
}

}  // namespace
}  // namespace sl
