#include "kernel/platform/offline/creg_tree_check.h"

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "kernel/platform/offline/hive_file.h"

namespace sl::platform::offline {
namespace {

// The file header is 32 bytes; the key tree follows it. Its header says its
// size and where its entries begin; entry offsets count from that start,
// the root's is 0x20, and the readable area ends 32 bytes short of the
// stated size (as libcreg maps it).
constexpr std::uint64_t kTreeAt = 0x20;
constexpr std::uint32_t kRootEntry = 0x20;
constexpr std::uint32_t kEntrySize = 28;
constexpr std::uint32_t kNone = 0xFFFFFFFFu;

std::uint32_t Le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

bool CregKeyTreeIsSound(const HiveFile& file, std::string* problem) {
    unsigned char header[16];
    if (!file.ReadAt(kTreeAt, header, sizeof header) || header[0] != 'R' || header[1] != 'G' ||
        header[2] != 'K' || header[3] != 'N') {
        *problem = "no key tree";
        return false;
    }
    std::uint32_t size = Le32(header + 4);
    std::uint64_t entries = Le32(header + 8);
    std::uint64_t area = size >= 32 ? size - 32 : 0;
    auto read = [&](std::uint32_t at, unsigned char* entry) {
        return static_cast<std::uint64_t>(at) + kEntrySize <= area &&
               file.ReadAt(entries + at, entry, kEntrySize);
    };
    std::unordered_set<std::uint32_t> seen{kRootEntry};
    std::vector<std::uint32_t> pending{kRootEntry};
    unsigned char entry[kEntrySize];
    while (!pending.empty()) {
        std::uint32_t at = pending.back();
        pending.pop_back();
        if (!read(at, entry)) {
            *problem = "a key lies outside the key tree";
            return false;
        }
        // The subkeys: the first one, then each one's next sibling.
        for (std::uint32_t child = Le32(entry + 16); child != kNone;) {
            if (!seen.insert(child).second) {
                *problem = "a key is reached twice (a loop)";
                return false;
            }
            pending.push_back(child);
            unsigned char sibling[kEntrySize];
            if (!read(child, sibling)) {
                *problem = "a key lies outside the key tree";
                return false;
            }
            child = Le32(sibling + 20);
        }
    }
    return true;
}

}  // namespace sl::platform::offline
