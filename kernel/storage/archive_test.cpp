#include "kernel/storage/archive.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "kernel/storage/records.h"
#include "kernel/storage/archive_stream.h"
#include "kernel/storage/reg_content_item.h"

namespace sl {
namespace {

using Bytes = std::vector<std::uint8_t>;
using RecordList = std::vector<std::unique_ptr<CRegContentItem>>;

// Serializes a record list the way a registry archive file holds it.
struct RecordFile : SerializableObject {
    RecordList records;
    const RuntimeClass* GetRuntimeClass() const override { return nullptr; }
    void Serialize(Archive& archive) override { SerializeObjectList(archive, records); }
};

template <typename Fn>
Bytes Store(Fn&& fill) {
    MemoryArchiveStream stream;
    Archive archive(stream, true);
    fill(archive);
    archive.Flush();
    return stream.Bytes();
}

// Loads bytes into object; returns the archive cause, 0 on success.
std::int32_t LoadInto(SerializableObject& object, const Bytes& bytes) {
    MemoryArchiveStream stream(bytes);
    try {
        Archive archive(stream, false);
        object.Serialize(archive);
        return 0;
    } catch (const ArchiveError& error) {
        return error.cause;
    }
}

template <typename Fn>
std::int32_t LoadWith(const Bytes& bytes, Fn&& read) {
    MemoryArchiveStream stream(bytes);
    try {
        Archive archive(stream, false);
        read(archive);
        return 0;
    } catch (const ArchiveError& error) {
        return error.cause;
    }
}

void Append(Bytes& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }
void Append(Bytes& out, std::initializer_list<std::uint8_t> bytes) { out.insert(out.end(), bytes); }

std::unique_ptr<CRegContentItem> Value(const std::string& key, const std::string& name,
                                       std::uint32_t type, const Bytes& data) {
    auto item = std::make_unique<CRegContentItem>();
    item->Root = 0x80000001u;
    item->KeyPath = key;
    item->ValueName = name;
    item->Type = type;
    item->SetData(data.data(), static_cast<std::uint32_t>(data.size()));
    return item;
}

// Software\Demo (HKCU): Size = dword 16; subkey Opts with Mode = "fast".
RecordList DemoRecords() {
    RecordList list;
    list.push_back(Value("Software\\Demo", "Size", 4, {0x10, 0, 0, 0}));
    auto key = std::make_unique<CRegContentItem>();
    key->Kind = CRegContentItem::kKeyRecord;
    key->Root = 0x80000001u;
    key->KeyPath = "Software\\Demo\\Opts";
    list.push_back(std::move(key));
    list.push_back(Value("Software\\Demo\\Opts", "Mode", 1, {'f', 'a', 's', 't', 0}));
    return list;
}

// The same file written out by hand.
Bytes DemoBytes() {
    Bytes b;
    Append(b, {0x03, 0x00, 0xFF, 0xFF, 0x01, 0x00, 0x0F, 0x00});
    Append(b, "CRegContentItem");
    Append(b, {0, 0, 0, 0, 0x01, 0, 0, 0x80, 13});
    Append(b, "Software\\Demo");
    Append(b, {0x00, 0x04});
    Append(b, "Size");
    Append(b, {4, 0, 0, 0, 4, 0, 0, 0, 0x10, 0, 0, 0});
    Append(b, {0x01, 0x80, 1, 0, 0, 0, 0x01, 0, 0, 0x80, 18});
    Append(b, "Software\\Demo\\Opts");
    Append(b, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    Append(b, {0x01, 0x80, 0, 0, 0, 0, 0x01, 0, 0, 0x80, 18});
    Append(b, "Software\\Demo\\Opts");
    Append(b, {0x00, 0x04});
    Append(b, "Mode");
    Append(b, {1, 0, 0, 0, 5, 0, 0, 0, 'f', 'a', 's', 't', 0});
    return b;
}

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
    auto afterFirst = [](std::initializer_list<std::uint8_t> tag) {
        Bytes b = DemoBytes();
        b.resize(63);
        b[0] = 2;
        Append(b, tag);
        Bytes fields = DemoBytes();
        b.insert(b.end(), fields.begin() + 23, fields.begin() + 63);
        return b;
    };
    RecordFile g1, g2, g3, g4, g5, g6;
    EXPECT_EQ(LoadInto(g1, afterFirst({0x01, 0x80})), 0);
    EXPECT_EQ(LoadInto(g2, afterFirst({0x03, 0x80})), kArchiveBadIndex);   // class 3 undefined
    EXPECT_EQ(LoadInto(g3, afterFirst({0x02, 0x80})), kArchiveBadClass);   // index 2 is an object
    EXPECT_EQ(LoadInto(g4, afterFirst({0x00, 0x00})), kArchiveBadClass);   // null
    EXPECT_EQ(LoadInto(g5, afterFirst({0x02, 0x00})), kArchiveBadClass);   // back reference
    EXPECT_EQ(LoadInto(g6, afterFirst({0x09, 0x00})), kArchiveBadIndex);   // undefined object
    EXPECT_EQ(g3.records.size(), 1u);  // the first record stays in the list
}

TEST(ArchiveTags, ThirtyTwoBitTagsAreRead) {
    auto afterFirst = [](std::initializer_list<std::uint8_t> tag) {
        Bytes b = DemoBytes();
        b.resize(63);
        b[0] = 2;
        Append(b, tag);
        Bytes fields = DemoBytes();
        b.insert(b.end(), fields.begin() + 23, fields.begin() + 63);
        return b;
    };
    RecordFile big;
    ASSERT_EQ(LoadInto(big, afterFirst({0xFF, 0x7F, 0x01, 0x00, 0x00, 0x80})), 0);
    ASSERT_EQ(big.records.size(), 2u);
    EXPECT_EQ(big.records[1]->ValueName, "Size");
    RecordFile undefined, object;
    EXPECT_EQ(LoadInto(undefined, afterFirst({0xFF, 0x7F, 0x00, 0x80, 0x00, 0x80})),
              kArchiveBadIndex);
    EXPECT_EQ(LoadInto(object, afterFirst({0xFF, 0x7F, 0x02, 0x00, 0x00, 0x00})),
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
