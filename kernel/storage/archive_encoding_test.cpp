// The archive's encoding of strings, counts, blocks and class tags, and
// its modes.
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

TEST(ArchiveEncoding, StringPrefixEdges) {
    auto prefixOf = [](std::size_t length) {
        std::string text(length, 'x');
        Bytes b = Store([&](Archive& a) { a.WriteString(text); });
        return Bytes(b.begin(), b.end() - static_cast<std::ptrdiff_t>(length));
    };
    EXPECT_EQ(prefixOf(0), (Bytes{0x00}));
    EXPECT_EQ(prefixOf(254), (Bytes{0xFE}));
    EXPECT_EQ(prefixOf(255), (Bytes{0xFF, 0xFF, 0x00}));
    EXPECT_EQ(prefixOf(65533), (Bytes{0xFF, 0xFD, 0xFF}));
    EXPECT_EQ(prefixOf(65534), (Bytes{0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}));
    EXPECT_EQ(prefixOf(70000), (Bytes{0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}));

    for (std::size_t length : {0u, 1u, 254u, 255u, 65533u, 65534u, 65535u, 70000u}) {
        std::string text(length, '\0');
        for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char>(i * 7 + 1);
        Bytes b = Store([&](Archive& a) { a.WriteString(text); a.WriteU16(0xBEEF); });
        std::string back;
        std::uint16_t after = 0;
        ASSERT_EQ(LoadWith(b, [&](Archive& a) { back = a.ReadString(); after = a.ReadU16(); }), 0);
        EXPECT_EQ(back, text) << length;
        EXPECT_EQ(after, 0xBEEF) << length;
    }
}

TEST(ArchiveEncoding, WideStringsAreConvertedToCodePage1252) {
    // FF FFFE marks 16-bit characters; the character count follows.
    Bytes b = {0xFF, 0xFE, 0xFF, 0x05, 'a', 0, 0xE9, 0, 0xAC, 0x20, 0x3A, 0x04, 'z', 0};
    std::string text;
    ASSERT_EQ(LoadWith(b, [&](Archive& a) { text = a.ReadString(); }), 0);
    EXPECT_EQ(text, std::string("a\xE9\x80?z"));

    // The same with a long count; a declared count beyond the data is 3.
    Bytes truncated = {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x10, 0x00, 0x00, 'a', 0};
    EXPECT_EQ(LoadWith(truncated, [&](Archive& a) { a.ReadString(); }), kArchiveEndOfFile);
}

TEST(ArchiveEncoding, CountsAndLargeLists) {
    EXPECT_EQ(Store([](Archive& a) { a.WriteCount(0xFFFE); }), (Bytes{0xFE, 0xFF}));
    EXPECT_EQ(Store([](Archive& a) { a.WriteCount(0xFFFF); }),
              (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}));

    // 65535 string entries: the count takes the long form and reads back.
    std::vector<std::string> strings(65535, "s");
    Bytes b = Store([&](Archive& a) { SerializeStringList(a, strings); });
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 6), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}));
    std::vector<std::string> back{"kept"};
    ASSERT_EQ(LoadWith(b, [&](Archive& a) { SerializeStringList(a, back); }), 0);
    ASSERT_EQ(back.size(), 65536u);  // loading appends
    EXPECT_EQ(back.front(), "kept");
}

TEST(ArchiveEncoding, BlocksOfAnySizeKeepTheirPlace) {
    // Blocks smaller and larger than the archive's buffer, between single
    // bytes, with a part of the buffer filled: the stream gets them in order.
    Bytes expected;
    Bytes b = Store([&](Archive& a) {
        for (std::size_t size : {std::size_t{1}, Archive::kBufferSize - 3, Archive::kBufferSize + 5,
                                 std::size_t{2}, 3 * Archive::kBufferSize, std::size_t{7}}) {
            Bytes block(size);
            for (std::size_t i = 0; i < size; ++i) block[i] = static_cast<std::uint8_t>(i * 7 + size);
            a.WriteBytes(block.data(), block.size());
            a.WriteU16(0xABCD);
            expected.insert(expected.end(), block.begin(), block.end());
            expected.insert(expected.end(), {0xCD, 0xAB});
        }
    });
    EXPECT_EQ(b, expected);
}

TEST(ArchiveEncoding, SixtyFiveThousandRecordsUseLongCountAndClassReferences) {
    RecordFile file;
    for (int i = 0; i < 65535; ++i) {
        auto key = std::make_unique<CRegContentItem>();
        key->Kind = 1;
        file.records.push_back(std::move(key));
    }
    Bytes b = Store([&](Archive& a) { file.Serialize(a); });
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 8),
              (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF}));
    RecordFile back;
    ASSERT_EQ(LoadInto(back, b), 0);
    EXPECT_EQ(back.records.size(), 65535u);
}

TEST(ArchiveEncoding, HostileLengthsFailFastWithoutAllocating) {
    auto start = std::chrono::steady_clock::now();
    // A 4 GB string, a 4 GB data buffer, a 4-billion-record list and a
    // 4-billion-string list, each in a file of a few bytes.
    EXPECT_EQ(LoadWith({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a'},
                       [](Archive& a) { a.ReadString(); }),
              kArchiveEndOfFile);
    EXPECT_EQ(LoadWith({1, 2, 3}, [](Archive& a) { a.ReadBuffer(0xFFFFFFFFu); }),
              kArchiveEndOfFile);
    Bytes record = DemoBytes();
    record[0] = 0xFF;
    record[1] = 0xFF;
    record.insert(record.begin() + 2, {0xFF, 0xFF, 0xFF, 0xFF});
    RecordFile file;
    EXPECT_EQ(LoadInto(file, record), kArchiveEndOfFile);
    EXPECT_EQ(file.records.size(), 3u);
    std::vector<std::string> strings;
    EXPECT_EQ(LoadWith({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00},
                       [&](Archive& a) { SerializeStringList(a, strings); }),
              kArchiveEndOfFile);
    // A record whose data length claims 4 GB.
    Bytes bigData = DemoBytes();
    bigData[55] = bigData[56] = bigData[57] = bigData[58] = 0xFF;
    RecordFile file2;
    EXPECT_EQ(LoadInto(file2, bigData), kArchiveEndOfFile);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(ArchiveTags, ClassNameSchemaAndIndexErrors) {
    auto withClass = [](std::uint16_t schema, const std::string& name) {
        Bytes b = {0x01, 0x00, 0xFF, 0xFF};
        Append(b, {static_cast<std::uint8_t>(schema), static_cast<std::uint8_t>(schema >> 8),
                   static_cast<std::uint8_t>(name.size()),
                   static_cast<std::uint8_t>(name.size() >> 8)});
        Append(b, name);
        Bytes fields = DemoBytes();
        b.insert(b.end(), fields.begin() + 23, fields.begin() + 63);
        return b;
    };
    RecordFile ok;
    EXPECT_EQ(LoadInto(ok, withClass(1, "CRegContentItem")), 0);
    RecordFile f1, f2, f3, f4, f5;
    EXPECT_EQ(LoadInto(f1, withClass(1, "cregcontentitem")), kArchiveBadClass);
    EXPECT_EQ(LoadInto(f2, withClass(1, "CSomethingElse")), kArchiveBadClass);
    EXPECT_EQ(LoadInto(f3, withClass(1, std::string(64, 'C'))), kArchiveBadClass);
    EXPECT_EQ(LoadInto(f4, withClass(2, "CRegContentItem")), kArchiveBadSchema);
    // A known record class of another type in a registry archive.
    EXPECT_EQ(LoadInto(f5, withClass(1, "CSLRegItem")), kArchiveBadClass);

    // A 64-character length is refused even though the name is not there.
    EXPECT_EQ(LoadInto(f1, {0x01, 0x00, 0xFF, 0xFF, 0x01, 0x00, 0x40, 0x00}), kArchiveBadClass);

    // Tags that name no class yet (bad index) or an object (bad class).
    RecordFile g1, g2, g3, g4, g5, g6;
    EXPECT_EQ(LoadInto(g1, AfterFirstRecord({0x01, 0x80})), 0);
    EXPECT_EQ(LoadInto(g2, AfterFirstRecord({0x03, 0x80})), kArchiveBadIndex);  // class 3 undefined
    // Index 2 is an object.
    EXPECT_EQ(LoadInto(g3, AfterFirstRecord({0x02, 0x80})), kArchiveBadClass);
    EXPECT_EQ(LoadInto(g4, AfterFirstRecord({0x00, 0x00})), kArchiveBadClass);  // null
    EXPECT_EQ(LoadInto(g5, AfterFirstRecord({0x02, 0x00})), kArchiveBadClass);  // back reference
    EXPECT_EQ(LoadInto(g6, AfterFirstRecord({0x09, 0x00})), kArchiveBadIndex);  // undefined object
    EXPECT_EQ(g3.records.size(), 1u);  // the first record stays in the list
}

TEST(ArchiveTags, ThirtyTwoBitTagsAreRead) {
    RecordFile big;
    ASSERT_EQ(LoadInto(big, AfterFirstRecord({0xFF, 0x7F, 0x01, 0x00, 0x00, 0x80})), 0);
    ASSERT_EQ(big.records.size(), 2u);
    EXPECT_EQ(big.records[1]->ValueName, "Size");
    RecordFile undefined, object;
    EXPECT_EQ(LoadInto(undefined, AfterFirstRecord({0xFF, 0x7F, 0x00, 0x80, 0x00, 0x80})),
              kArchiveBadIndex);
    EXPECT_EQ(LoadInto(object, AfterFirstRecord({0xFF, 0x7F, 0x02, 0x00, 0x00, 0x00})),
              kArchiveBadClass);
}

// Class indexes of 0x7FFF and more are written as 32-bit tags and read back.
TEST(ArchiveTags, BigClassIndexRoundTrip) {
    struct Mixed : SerializableObject {
        RecordList keys;
        std::vector<std::unique_ptr<CSLRegItem>> items;
        const RuntimeClass* GetRuntimeClass() const override { return nullptr; }
        void Serialize(Archive& a) override {
            SerializeObjectList(a, keys);
            SerializeObjectList(a, items);
        }
    } mixed;
    for (int i = 0; i < 0x7FFF; ++i) mixed.keys.push_back(std::make_unique<CRegContentItem>());
    for (int i = 0; i < 2; ++i) {
        auto item = std::make_unique<CSLRegItem>();
        item->ID = "'" + std::to_string(i) + "'";
        mixed.items.push_back(std::move(item));
    }
    Bytes b = Store([&](Archive& a) { mixed.Serialize(a); });
    // The second CSLRegItem refers to class index 0x8001 with a 32-bit tag.
    const Bytes tail = {0xFF, 0x7F, 0x01, 0x80, 0x00, 0x80, 0x03, '\'', '1', '\''};
    ASSERT_GE(b.size(), tail.size() + 6);
    EXPECT_EQ(Bytes(b.end() - 16, b.end() - 6), tail);
    decltype(mixed) back;
    ASSERT_EQ(LoadInto(back, b), 0);
    ASSERT_EQ(back.items.size(), 2u);
    EXPECT_EQ(back.items[1]->ID, "'1'");
}

TEST(ArchiveModes, WrongDirectionIsRefused) {
    MemoryArchiveStream stream;
    Archive storing(stream, true);
    try {
        storing.ReadU16();
        FAIL();
    } catch (const ArchiveError& e) {
        EXPECT_EQ(e.cause, kArchiveWriteOnly);
    }
    Archive loading(stream, false);
    try {
        loading.WriteU16(1);
        FAIL();
    } catch (const ArchiveError& e) {
        EXPECT_EQ(e.cause, kArchiveReadOnly);
    }
}

TEST(ArchiveModes, FileCausesFromWin32) {
    const std::pair<std::uint32_t, std::int32_t> table[] = {
        {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {32, 11}, {33, 12}, {38, 14}, {112, 13},
        {1, 1}, {87, 1}, {123, 1}, {183, 1}};
    for (auto [error, cause] : table) EXPECT_EQ(FileCauseFromWin32(error), cause) << error;
}

}  // namespace
}  // namespace sl
