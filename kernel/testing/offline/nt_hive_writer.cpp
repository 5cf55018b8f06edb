#include "kernel/testing/offline/nt_hive_writer.h"

#include <hivex.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

namespace sl::testing::offline {
namespace {

constexpr std::size_t kBaseBlock = 0x1000;
constexpr std::size_t kBinSize = 0x1000;
constexpr std::size_t kBinHeader = 0x20;

void Put16(std::string& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
}
void Put32(std::string& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
std::uint32_t Get32(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + i])) << (8 * i);
    return v;
}
std::size_t RoundUp8(std::size_t n) { return (n + 7) & ~static_cast<std::size_t>(7); }

// The base block's checksum: the XOR of its first 127 double words.
void SealBaseBlock(std::string& file) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < 0x1FC; i += 4) sum ^= Get32(file, i);
    if (sum == 0xFFFFFFFFu) sum = 0xFFFFFFFEu;
    if (sum == 0) sum = 1;
    Put32(file, 0x1FC, sum);
}

std::string BinHeader(std::size_t offsetInBins, std::size_t size) {
    std::string bin(kBinHeader, '\0');
    bin.replace(0, 4, "hbin");
    Put32(bin, 4, static_cast<std::uint32_t>(offsetInBins));
    Put32(bin, 8, static_cast<std::uint32_t>(size));
    return bin;
}

bool ReadAll(const std::string& path, std::string* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

struct Adder {
    hive_h* h;
    std::vector<std::pair<hive_node_h, std::string>> classes;  // node, UTF-16LE class
    std::string error;

    bool AddValues(hive_node_h node, const KeyPlan& key) {
        if (key.values.empty()) return true;
        std::vector<std::string> names, datas;
        for (const ValuePlan& value : key.values) {
            names.push_back(value.name);
            datas.push_back(value.data);
        }
        std::vector<hive_set_value> set(key.values.size());
        for (std::size_t i = 0; i < set.size(); ++i) {
            set[i].key = names[i].data();
            set[i].t = static_cast<hive_type>(key.values[i].type);
            set[i].len = datas[i].size();
            set[i].value = datas[i].data();
        }
        if (hivex_node_set_values(h, node, set.size(), set.data(), 0) != 0) {
            error = "hivex_node_set_values on " + key.name + ": " + std::strerror(errno);
            return false;
        }
        return true;
    }

    bool Add(hive_node_h node, const KeyPlan& key) {
        if (key.hasClass) classes.emplace_back(node, Utf16Le(key.keyClass));
        if (!AddValues(node, key)) return false;
        for (const KeyPlan& subkey : key.subkeys) {
            hive_node_h child = hivex_node_add_child(h, node, subkey.name.c_str());
            if (child == 0) {
                error = "hivex_node_add_child " + subkey.name + ": " + std::strerror(errno);
                return false;
            }
            if (!Add(child, subkey)) return false;
        }
        return true;
    }
};

// Appends one bin holding the classes and points each key record at its own.
void AddClasses(std::string& file, const std::vector<std::pair<hive_node_h, std::string>>& classes) {
    if (classes.empty()) return;
    std::size_t binsSize = Get32(file, 40);
    file.resize(kBaseBlock + binsSize);
    std::size_t needed = kBinHeader;
    for (const auto& entry : classes) needed += RoundUp8(4 + entry.second.size());
    needed += 8;  // room for a closing free cell
    std::size_t size = (needed + kBinSize - 1) / kBinSize * kBinSize;
    std::string bin = BinHeader(binsSize, size);
    for (const auto& [node, text] : classes) {
        std::size_t cell = RoundUp8(4 + text.size());
        std::size_t at = bin.size();
        bin.resize(at + cell, '\0');
        Put32(bin, at, static_cast<std::uint32_t>(-static_cast<std::int32_t>(cell)));
        bin.replace(at + 4, text.size(), text);
        Put32(file, node + 52, static_cast<std::uint32_t>(binsSize + at));
        Put16(file, node + 78, static_cast<std::uint16_t>(text.size()));
    }
    std::size_t rest = size - bin.size();
    std::size_t at = bin.size();
    bin.resize(size, '\0');
    Put32(bin, at, static_cast<std::uint32_t>(rest));
    file += bin;
    Put32(file, 40, static_cast<std::uint32_t>(binsSize + size));
    SealBaseBlock(file);
}

}  // namespace

std::string MinimalNtHive(const std::string& rootName) {
    std::string file(kBaseBlock, '\0');
    file.replace(0, 4, "regf");
    Put32(file, 4, 1);        // sequence numbers: equal, the hive is clean
    Put32(file, 8, 1);
    Put32(file, 20, 1);       // format version 1.3
    Put32(file, 24, 3);
    Put32(file, 28, 0);       // primary file
    Put32(file, 32, 1);       // direct memory load
    Put32(file, 36, kBinHeader);  // the root key's cell
    Put32(file, 40, kBinSize);    // one bin
    Put32(file, 44, 1);
    SealBaseBlock(file);

    std::string bin = BinHeader(0, kBinSize);
    std::size_t rootCell = RoundUp8(80 + rootName.size());
    std::size_t skAt = kBinHeader + rootCell;
    std::string root(rootCell, '\0');
    Put32(root, 0, static_cast<std::uint32_t>(-static_cast<std::int32_t>(rootCell)));
    root.replace(4, 2, "nk");
    Put16(root, 6, 0x2C);            // hive entry, no delete, one-byte name
    Put32(root, 20, 0xFFFFFFFFu);    // no parent
    Put32(root, 32, 0xFFFFFFFFu);    // no subkey list
    Put32(root, 36, 0xFFFFFFFFu);
    Put32(root, 44, 0xFFFFFFFFu);    // no value list
    Put32(root, 48, static_cast<std::uint32_t>(skAt));
    Put32(root, 52, 0xFFFFFFFFu);    // no class
    Put16(root, 76, static_cast<std::uint16_t>(rootName.size()));
    root.replace(80, rootName.size(), rootName);
    bin += root;

    // One security record shared by every key: an empty self-relative descriptor.
    std::string sk(48, '\0');
    Put32(sk, 0, static_cast<std::uint32_t>(-48));
    sk.replace(4, 2, "sk");
    Put32(sk, 8, static_cast<std::uint32_t>(skAt));   // list of records: itself
    Put32(sk, 12, static_cast<std::uint32_t>(skAt));
    Put32(sk, 16, 1);                                  // used by the root key
    Put32(sk, 20, 20);                                 // descriptor size
    sk[24] = 1;                                        // revision
    Put16(sk, 26, 0x8000);                             // self-relative
    bin += sk;

    std::size_t rest = kBinSize - bin.size();
    std::size_t at = bin.size();
    bin.resize(kBinSize, '\0');
    Put32(bin, at, static_cast<std::uint32_t>(rest));  // the rest is one free cell
    return file + bin;
}

bool WriteNtHive(const std::string& path, const KeyPlan& root, std::string* error) {
    if (!WriteAll(path, MinimalNtHive(root.name.empty() ? "ROOT" : root.name))) {
        *error = path + ": cannot write";
        return false;
    }
    hive_h* h = hivex_open(path.c_str(), HIVEX_OPEN_WRITE);
    if (h == nullptr) {
        *error = path + ": hivex_open: " + std::strerror(errno);
        return false;
    }
    Adder adder{h, {}, {}};
    bool ok = adder.Add(hivex_root(h), root);
    if (ok && hivex_commit(h, nullptr, 0) != 0) {
        adder.error = std::string("hivex_commit: ") + std::strerror(errno);
        ok = false;
    }
    hivex_close(h);
    if (!ok) {
        *error = path + ": " + adder.error;
        return false;
    }
    std::string bytes;
    if (!ReadAll(path, &bytes)) {
        *error = path + ": cannot read back";
        return false;
    }
    AddClasses(bytes, adder.classes);
    if (!WriteAll(path, bytes)) {
        *error = path + ": cannot write";
        return false;
    }
    return true;
}

}  // namespace sl::testing::offline
