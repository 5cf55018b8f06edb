#include "kernel/platform/offline/nt_hive_reader.h"

#include <hivex.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_set>

#include "kernel/platform/offline/hive_file.h"

namespace sl::platform::offline {
namespace {

// Cell offsets in a hive are counted from the first bin, which follows the
// 4096-byte base block.
constexpr std::uint64_t kBinsStart = 0x1000;
constexpr std::uint32_t kNoCell = 0xFFFFFFFFu;
// Fixed parts of the key ("nk") and value ("vk") records, cell size included.
constexpr std::size_t kKeyRecordSize = 80;
constexpr std::size_t kValueRecordSize = 24;
constexpr std::uint16_t kKeyCompressedName = 0x20;
constexpr std::uint16_t kKeySymbolicLink = 0x10;
constexpr std::uint16_t kValueCompressedName = 0x01;

std::uint16_t Le16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Names stored in the one-byte form hold the first 256 code points.
std::string Widened(const std::string& bytes) { return EncodeAsciiName(bytes, HiveText::Utf16Le); }

struct HivexCloser {
    void operator()(hive_h* h) const { hivex_close(h); }
};

class NtReader {
public:
    NtReader(const HiveFile& file, hive_h* h, const HiveLimits& limits)
        : file_(file), h_(h), limits_(limits) {}

    bool ReadKey(hive_node_h node, std::size_t depth, OfflineKey* key);
    const std::string& problem() const { return problem_; }

private:
    bool Fail(const std::string& why) {
        if (problem_.empty()) problem_ = why;
        return false;
    }
    // The allocated cell at offset (from the start of the file): its size.
    bool CellSize(std::uint64_t offset, std::uint32_t* size);
    bool ReadKeyRecord(hive_node_h node, OfflineKey* key);
    bool ReadValue(hive_value_h value, OfflineValue* out);
    bool Count(std::uint64_t bytes) {
        dataBytes_ += bytes;
        if (dataBytes_ > limits_.maxDataBytes) return Fail("more value data than the reader takes");
        return true;
    }

    const HiveFile& file_;
    hive_h* h_;
    const HiveLimits& limits_;
    std::unordered_set<hive_node_h> seenKeys_;
    std::unordered_set<hive_value_h> seenValues_;
    std::uint64_t dataBytes_ = 0;
    std::string problem_;
};

bool NtReader::CellSize(std::uint64_t offset, std::uint32_t* size) {
    unsigned char raw[4];
    if (!file_.ReadAt(offset, raw, sizeof raw)) return Fail("a record lies past the end of the file");
    auto length = static_cast<std::int32_t>(Le32(raw));
    if (length >= 0 || length == INT32_MIN) return Fail("a record sits in a free cell");
    *size = static_cast<std::uint32_t>(-length);
    return true;
}

bool NtReader::ReadKeyRecord(hive_node_h node, OfflineKey* key) {
    unsigned char raw[kKeyRecordSize];
    std::uint32_t cell = 0;
    if (!CellSize(node, &cell) || !file_.ReadAt(node, raw, sizeof raw) || raw[4] != 'n' ||
        raw[5] != 'k') {
        return Fail("a key record is damaged");
    }
    std::uint16_t nameLength = Le16(raw + 76);
    if (kKeyRecordSize + nameLength > cell) return Fail("a key name runs past its record");
    std::string name(nameLength, '\0');
    if (!file_.ReadAt(node + kKeyRecordSize, name.data(), nameLength)) {
        return Fail("a key name lies past the end of the file");
    }
    key->name = (Le16(raw + 6) & kKeyCompressedName) ? Widened(name) : name;
    key->link = (Le16(raw + 6) & kKeySymbolicLink) != 0;

    std::uint32_t classCell = Le32(raw + 52);
    std::uint16_t classLength = Le16(raw + 78);
    if (classCell != kNoCell && classLength > 0) {
        std::uint64_t at = kBinsStart + classCell;
        std::uint32_t size = 0;
        if (!CellSize(at, &size)) return false;
        if (size < 4u + classLength) return Fail("a key class runs past its record");
        key->keyClass.assign(classLength, '\0');
        if (!file_.ReadAt(at + 4, key->keyClass.data(), classLength)) {
            return Fail("a key class lies past the end of the file");
        }
        key->hasClass = true;
    }
    return Count(key->name.size() + key->keyClass.size());
}

bool NtReader::ReadValue(hive_value_h value, OfflineValue* out) {
    if (!seenValues_.insert(value).second) return Fail("a value belongs to two keys");
    if (seenValues_.size() > limits_.maxValues) return Fail("more values than the reader takes");
    unsigned char raw[kValueRecordSize];
    std::uint32_t cell = 0;
    if (!CellSize(value, &cell) || !file_.ReadAt(value, raw, sizeof raw) || raw[4] != 'v' ||
        raw[5] != 'k') {
        return Fail("a value record is damaged");
    }
    std::uint16_t nameLength = Le16(raw + 6);
    if (kValueRecordSize + nameLength > cell) return Fail("a value name runs past its record");
    std::string name(nameLength, '\0');
    if (!file_.ReadAt(value + kValueRecordSize, name.data(), nameLength)) {
        return Fail("a value name lies past the end of the file");
    }
    out->name = (Le16(raw + 20) & kValueCompressedName) ? Widened(name) : name;
    out->type = Le32(raw + 16);

    hive_type type{};
    std::size_t length = 0;
    errno = 0;
    char* data = hivex_value_value(h_, value, &type, &length);
    if (data == nullptr) return Fail("the data of a value is damaged");
    out->data.assign(data, length);
    std::free(data);
    return Count(out->name.size() + out->data.size());
}

bool NtReader::ReadKey(hive_node_h node, std::size_t depth, OfflineKey* key) {
    if (depth > limits_.maxDepth) return Fail("keys nest deeper than the reader takes");
    if (!seenKeys_.insert(node).second) return Fail("a key is reached twice (a loop)");
    if (seenKeys_.size() > limits_.maxKeys) return Fail("more keys than the reader takes");
    if (!ReadKeyRecord(node, key)) return false;

    errno = 0;
    hive_value_h* values = hivex_node_values(h_, node);
    if (values == nullptr) return Fail("the value list of a key is damaged");
    std::unique_ptr<hive_value_h, decltype(&std::free)> valuesOwner(values, &std::free);
    for (std::size_t i = 0; values[i] != 0; ++i) {
        key->values.emplace_back();
        if (!ReadValue(values[i], &key->values.back())) return false;
    }

    errno = 0;
    hive_node_h* children = hivex_node_children(h_, node);
    if (children == nullptr) return Fail("the subkey list of a key is damaged");
    std::unique_ptr<hive_node_h, decltype(&std::free)> childrenOwner(children, &std::free);
    for (std::size_t i = 0; children[i] != 0; ++i) {
        key->subkeys.emplace_back();
        if (!ReadKey(children[i], depth + 1, &key->subkeys.back())) return false;
    }
    return true;
}

DWORD ReadOpened(const HiveFile& file, const std::string& keyPath, OfflineHive* hive,
                 std::string* message, const HiveLimits& limits) {
    // hivex opens by name: the descriptor's /proc entry is the file that was
    // checked, whatever now sits at the original path. No write flag: the
    // library maps the file read-only and can never commit.
    errno = 0;
    std::unique_ptr<hive_h, HivexCloser> h(hivex_open(file.ReopenPath().c_str(), 0));
    if (!h) {
        int error = errno;
        *message = file.displayName() + ": not a readable Windows registry hive" +
                   (error != 0 ? std::string(" (") + std::strerror(error) + ")" : std::string());
        return kErrorBadDatabase;
    }
    hive_node_h start = hivex_root(h.get());
    std::size_t from = 0;
    while (start != 0 && from < keyPath.size()) {
        std::size_t cut = std::min(keyPath.find('\\', from), keyPath.size());
        std::string element = keyPath.substr(from, cut - from);
        from = cut + 1;
        if (element.empty()) continue;
        errno = 0;
        start = hivex_node_get_child(h.get(), start, element.c_str());
        if (start == 0 && errno != 0) {
            *message = file.displayName() + ": damaged registry hive: the subkey list of a key is damaged";
            return kErrorBadDatabase;
        }
    }
    if (start == 0) {
        *message = file.displayName() + ": has no key " + keyPath;
        return kErrorFileNotFound;
    }
    NtReader reader(file, h.get(), limits);
    OfflineHive result;
    result.text = HiveText::Utf16Le;
    if (!reader.ReadKey(start, 0, &result.root)) {
        *message = file.displayName() + ": damaged registry hive: " + reader.problem();
        return kErrorBadDatabase;
    }
    *hive = std::move(result);
    return kErrorSuccess;
}

}  // namespace

DWORD ReadNtHiveAt(int dirFd, const std::string& name, const std::string& displayName,
                   OfflineHive* hive, std::string* message, const HiveLimits& limits) {
    HiveFile file;
    DWORD error = file.Open(dirFd, name, displayName, message);
    if (error != kErrorSuccess) return error;
    return ReadOpened(file, "", hive, message, limits);
}

DWORD ReadNtHiveSubtree(const std::string& path, const std::string& keyPath, OfflineHive* hive,
                        std::string* message, const HiveLimits& limits) {
    HiveFile file;
    DWORD error = file.Open(-1, path, path, message);
    if (error != kErrorSuccess) return error;
    return ReadOpened(file, keyPath, hive, message, limits);
}

DWORD ReadNtHive(const std::string& path, OfflineHive* hive, std::string* message,
                 const HiveLimits& limits) {
    return ReadNtHiveAt(-1, path, path, hive, message, limits);
}

}  // namespace sl::platform::offline
