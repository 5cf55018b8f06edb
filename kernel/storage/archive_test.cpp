#include "kernel/storage/archive.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "kernel/storage/archive_stream.h"
#include "kernel/storage/archive_test_support.h"
#include "kernel/storage/records.h"
#include "kernel/storage/reg_content_item.h"

namespace sl {
namespace {

TEST(RegistryArchive, WorkedExampleIsByteExact) {
    RecordFile file;
    file.records = DemoRecords();
    Bytes stored = Store([&](Archive& a) { file.Serialize(a); });
    ASSERT_EQ(stored.size(), 150u);
    EXPECT_EQ(stored, DemoBytes());
}

TEST(RegistryArchive, WorkedExampleLoadsBack) {
    RecordFile file;
    ASSERT_EQ(LoadInto(file, DemoBytes()), 0);
    ASSERT_EQ(file.records.size(), 3u);
    const CRegContentItem& size = *file.records[0];
    EXPECT_EQ(size.Kind, 0);
    EXPECT_EQ(size.Root, 0x80000001u);
    EXPECT_EQ(size.KeyPath, "Software\\Demo");
    EXPECT_EQ(size.ValueName, "Size");
    EXPECT_EQ(size.Type, 4u);
    EXPECT_EQ(size.Data, (Bytes{0x10, 0, 0, 0}));
    EXPECT_EQ(file.records[1]->Kind, 1);
    EXPECT_EQ(file.records[1]->KeyPath, "Software\\Demo\\Opts");
    EXPECT_EQ(file.records[1]->DataLength, 0u);
    EXPECT_TRUE(file.records[1]->Data.empty());
    EXPECT_EQ(file.records[2]->Data, (Bytes{'f', 'a', 's', 't', 0}));
    EXPECT_EQ(file.records[2]->DataLength, 5u);

    // Stored again, the bytes are the same.
    EXPECT_EQ(Store([&](Archive& a) { file.Serialize(a); }), DemoBytes());
}

TEST(RegistryArchive, EmptyListAndTrailingBytes) {
    RecordFile empty;
    EXPECT_EQ(Store([&](Archive& a) { empty.Serialize(a); }), (Bytes{0, 0}));
    EXPECT_EQ(LoadInto(empty, {0, 0}), 0);
    EXPECT_TRUE(empty.records.empty());

    // Loading stops at the declared count.
    Bytes extended = DemoBytes();
    Append(extended, {0xDE, 0xAD, 0xBE, 0xEF, 0xFF});
    RecordFile file;
    EXPECT_EQ(LoadInto(file, extended), 0);
    EXPECT_EQ(file.records.size(), 3u);
}

TEST(RegistryArchive, ZeroLengthDataAndOversizedLength) {
    RecordFile file;
    file.records.push_back(Value("K", "Empty", 3, {}));
    Bytes stored = Store([&](Archive& a) { file.Serialize(a); });
    // Data length 0 and nothing after it.
    ASSERT_GE(stored.size(), 4u);
    EXPECT_EQ(Bytes(stored.end() - 4, stored.end()), (Bytes{0, 0, 0, 0}));
    RecordFile loaded;
    ASSERT_EQ(LoadInto(loaded, stored), 0);
    ASSERT_EQ(loaded.records.size(), 1u);
    EXPECT_TRUE(loaded.records[0]->Data.empty());
    EXPECT_EQ(loaded.records[0]->Type, 3u);

    // A data length beyond the buffer is refused on store instead of
    // writing bytes that are not there.
    file.records[0]->DataLength = 4;
    MemoryArchiveStream stream;
    Archive archive(stream, true);
    try {
        file.Serialize(archive);
        FAIL() << "stored a record whose length exceeds its data";
    } catch (const ArchiveError& error) {
        EXPECT_EQ(error.cause, kArchiveGeneric);
    }
}

TEST(RegistryArchive, EveryTruncationIsEndOfFile) {
    const Bytes full = DemoBytes();
    for (std::size_t cut = 0; cut < full.size(); ++cut) {
        RecordFile file;
        Bytes part(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_EQ(LoadInto(file, part), kArchiveEndOfFile) << "cut at " << cut;
        // Records read completely before the cut are kept.
        std::size_t expected = cut >= 102 ? 2 : cut >= 63 ? 1 : 0;
        EXPECT_EQ(file.records.size(), expected) << "cut at " << cut;
    }
}

// Random corruption of the example never crashes or hangs; every load ends
// in success or one of the archive causes.
TEST(RegistryArchive, CorruptedBytesFailCleanly) {
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    const Bytes full = DemoBytes();
    for (int round = 0; round < 3000; ++round) {
        Bytes bytes = full;
        const int flips = 1 + static_cast<int>(next() % 4);
        for (int i = 0; i < flips; ++i) {
            bytes[next() % bytes.size()] = static_cast<std::uint8_t>(next() % 3 == 0 ? 0xFF : next());
        }
        RecordFile file;
        const std::int32_t cause = LoadInto(file, bytes);
        EXPECT_TRUE(cause == 0 || cause == kArchiveEndOfFile || cause == kArchiveBadIndex ||
                    cause == kArchiveBadClass || cause == kArchiveBadSchema ||
                    cause == kArchiveGeneric)
            << "round " << round << " cause " << cause;
    }
}

TEST(RecordClasses, FoundByExactName) {
    EXPECT_EQ(FindRecordClass("CRegContentItem"), &CRegContentItem::kClass);
    EXPECT_EQ(FindRecordClass("CSLRegItem"), &CSLRegItem::kClass);
    EXPECT_EQ(FindRecordClass("CSLFileItem"), &CSLFileItem::kClass);
    EXPECT_EQ(FindRecordClass("CSLKernel"), nullptr);
    EXPECT_EQ(FindRecordClass("CSLRegItem "), nullptr);
    EXPECT_EQ(FindRecordClass(""), nullptr);
}

}  // namespace
}  // namespace sl
