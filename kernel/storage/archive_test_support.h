// Test support for the archive tests: storing and loading through memory,
// hand-made bytes, and the worked example of a registry archive (its records
// and its bytes).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "kernel/storage/archive.h"
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
inline Bytes Store(Fn&& fill) {
    MemoryArchiveStream stream;
    Archive archive(stream, true);
    fill(archive);
    archive.Flush();
    return stream.Bytes();
}

// Loads bytes into object; returns the archive cause, 0 on success.
inline std::int32_t LoadInto(SerializableObject& object, const Bytes& bytes) {
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
inline std::int32_t LoadWith(const Bytes& bytes, Fn&& read) {
    MemoryArchiveStream stream(bytes);
    try {
        Archive archive(stream, false);
        read(archive);
        return 0;
    } catch (const ArchiveError& error) {
        return error.cause;
    }
}

inline void Append(Bytes& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }
inline void Append(Bytes& out, std::initializer_list<std::uint8_t> bytes) { out.insert(out.end(), bytes); }

inline std::unique_ptr<CRegContentItem> Value(const std::string& key, const std::string& name,
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
inline RecordList DemoRecords() {
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
inline Bytes DemoBytes() {
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

// A list of two records: the worked example's first record, then one with
// the given class tag followed by the first record's fields.
inline Bytes AfterFirstRecord(std::initializer_list<std::uint8_t> tag) {
    Bytes b = DemoBytes();
    b.resize(63);
    b[0] = 2;
    Append(b, tag);
    Bytes fields = DemoBytes();
    b.insert(b.end(), fields.begin() + 23, fields.begin() + 63);
    return b;
}

}  // namespace
}  // namespace sl
