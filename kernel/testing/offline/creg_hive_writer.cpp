#include "kernel/testing/offline/creg_hive_writer.h"

#include <fstream>
#include <vector>

namespace sl::testing::offline {
namespace {

constexpr std::size_t kFileHeader = 0x20;
constexpr std::size_t kTreeHeader = 0x20;
constexpr std::size_t kTreeEntry = 28;
constexpr std::uint32_t kNone = 0xFFFFFFFFu;

void Append16(std::string& b, std::uint16_t v) {
    b.push_back(static_cast<char>(v & 0xFF));
    b.push_back(static_cast<char>(v >> 8));
}
void Append32(std::string& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

struct TreeEntry {
    std::uint32_t parent = kNone, child = kNone, next = kNone;
    std::uint16_t index = 0;
};

// Numbers the keys depth first: entry i of the tree is data entry i.
void Flatten(const KeyPlan& key, std::uint32_t parent, std::vector<const KeyPlan*>* keys,
             std::vector<TreeEntry>* tree) {
    auto offset = [](std::size_t i) { return static_cast<std::uint32_t>(kTreeHeader + i * kTreeEntry); };
    std::size_t self = keys->size();
    keys->push_back(&key);
    tree->push_back({parent, kNone, kNone, static_cast<std::uint16_t>(self)});
    std::size_t previous = 0;
    bool first = true;
    for (const KeyPlan& subkey : key.subkeys) {
        std::size_t at = keys->size();
        if (first) (*tree)[self].child = offset(at);
        else (*tree)[previous].next = offset(at);
        first = false;
        previous = at;
        Flatten(subkey, offset(self), keys, tree);
    }
}

std::string KeyData(const KeyPlan& key, std::uint16_t index, bool isRoot) {
    std::string name = isRoot && key.name.empty() ? "ROOT" : key.name;
    std::string values;
    for (const ValuePlan& value : key.values) {
        Append32(values, value.type);
        Append32(values, 0);
        Append16(values, static_cast<std::uint16_t>(value.name.size()));
        Append16(values, static_cast<std::uint16_t>(value.data.size()));
        values += value.name + value.data;
    }
    auto size = static_cast<std::uint32_t>(20 + name.size() + values.size());
    std::string entry;
    Append32(entry, size);
    Append16(entry, index);
    Append16(entry, 0);
    Append32(entry, size);  // used size
    Append16(entry, static_cast<std::uint16_t>(name.size()));
    Append16(entry, static_cast<std::uint16_t>(key.values.size()));
    Append32(entry, 0);
    return entry + name + values;
}

}  // namespace

std::string CregHiveBytes(const KeyPlan& root) {
    std::vector<const KeyPlan*> keys;
    std::vector<TreeEntry> tree;
    Flatten(root, kNone, &keys, &tree);

    // The key tree; the reader maps it 32 bytes short of its stated size, so
    // 32 spare bytes follow the last entry.
    std::string entries;
    for (const TreeEntry& e : tree) {
        Append32(entries, 0);
        Append32(entries, 0);  // name hash: not checked by readers
        Append32(entries, kNone);
        Append32(entries, e.parent);
        Append32(entries, e.child);
        Append32(entries, e.next);
        Append16(entries, e.index);
        Append16(entries, 0);  // data block 0
    }
    entries += std::string(32, '\0');
    std::string rgkn = "RGKN";
    Append32(rgkn, static_cast<std::uint32_t>(kTreeHeader + entries.size()));
    Append32(rgkn, kTreeHeader);  // the root entry
    rgkn += std::string(kTreeHeader - rgkn.size(), '\0');
    rgkn += entries;

    std::string data;
    for (std::size_t i = 0; i < keys.size(); ++i) data += KeyData(*keys[i], static_cast<std::uint16_t>(i), i == 0);
    std::string rgdb = "RGDB";
    auto blockSize = static_cast<std::uint32_t>(0x20 + data.size());
    Append32(rgdb, blockSize);
    Append32(rgdb, 0);  // unused size
    Append16(rgdb, 0);
    Append16(rgdb, 0);  // block number
    Append32(rgdb, blockSize);  // used size
    rgdb += std::string(0x20 - rgdb.size(), '\0');
    rgdb += data;

    std::string header = "CREG";
    Append16(header, 0);  // version 1.0
    Append16(header, 1);
    Append32(header, static_cast<std::uint32_t>(kFileHeader + rgkn.size()));  // first data block
    Append32(header, 0);
    Append16(header, 1);  // one data block
    header += std::string(kFileHeader - header.size(), '\0');
    return header + rgkn + rgdb;
}

bool WriteCregHive(const std::string& path, const KeyPlan& root, std::string* error) {
    std::string bytes = CregHiveBytes(root);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
        *error = path + ": cannot write";
        return false;
    }
    return true;
}

}  // namespace sl::testing::offline
