#include "kernel/platform/wine/paths/name_table.h"

#include <chrono>
#include <random>

#include "kernel/platform/wine/paths/dos_paths.h"
#include "kernel/platform/wine/paths/wildcard.h"

namespace sl::platform::wine {
namespace {

constexpr std::size_t kFirstSlots = 64;
// The summary's size in bits (16 MB): a name never added is told apart from
// the others with a chance of one in 13 wrong (then Unknown) at ten million.
constexpr std::size_t kSummaryBits = std::size_t{1} << 27;
constexpr std::size_t kLongestName = 255;

// The key every spelling of a name shares; empty for a Unix name that is no
// DOS name's UTF-8 form.
std::string KeyOfUnixName(std::string_view unixName) {
    // ASCII is its own ANSI and UTF-8 form.
    bool ascii = true;
    for (char c : unixName) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) {
        std::string key(unixName);
        for (char& c : key) {
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
        }
        return key;
    }
    std::string ansi = Utf8ToAnsi(std::string(unixName));
    if (AnsiToUtf8(ansi) != unixName) return {};
    for (char& c : ansi) c = ToUpperAnsi(c);
    return ansi;
}

const char kSeedMarker = 0;

// A seed of this process's own, so that names cannot be chosen from outside
// to fall onto one slot.
std::uint64_t ProcessSeed() {
    static const std::uint64_t seed = []() -> std::uint64_t {
        try {
            std::random_device device;
            return (static_cast<std::uint64_t>(device()) << 32) ^ device();
        } catch (...) {
            // No source of randomness: the clock and an address still vary.
            return static_cast<std::uint64_t>(
                       std::chrono::steady_clock::now().time_since_epoch().count()) ^
                   reinterpret_cast<std::uintptr_t>(&kSeedMarker);
        }
    }();
    return seed;
}

}  // namespace

NameTable::NameTable(std::size_t maxBytes) : maxBytes_(maxBytes), seed_(ProcessSeed()) {}

std::uint64_t NameTable::HashKey(std::string_view key) const {
    std::uint64_t h = seed_ ^ (key.size() * 0x9E3779B97F4A7C15ull);
    for (unsigned char c : key) {
        h = (h ^ c) * 0x100000001B3ull;
        h ^= h >> 29;
    }
    // A final mix, so that low bits (the slot) and high bits (the tag) both
    // depend on every byte.
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    return h;
}

std::uint32_t NameTable::TagOf(std::uint64_t hash) {
    const auto tag = static_cast<std::uint32_t>(hash >> 32);
    return tag <= kRemoved ? tag + 2 : tag;
}

std::string_view NameTable::NameAt(std::uint32_t at) const {
    return std::string_view(names_).substr(at + 1, static_cast<unsigned char>(names_[at]));
}

std::size_t NameTable::Bytes() const {
    return slots_.capacity() * sizeof(Slot) + names_.capacity() +
           summary_.capacity() * sizeof(std::uint64_t);
}

void NameTable::Add(std::string_view unixName) {
    const std::string key = KeyOfUnixName(unixName);
    if (key.empty()) return;
    const std::uint64_t hash = HashKey(key);
    if (Summarised()) {
        summary_[(hash % kSummaryBits) / 64] |= std::uint64_t{1} << (hash % 64);
        ++count_;
        return;
    }
    if (unixName.size() > kLongestName) {
        // No folder entry is this long; the table could not hold it.
        Summarise();
        Add(unixName);
        return;
    }
    // At most half full: a name not there is then told after two or three
    // slots looked at.
    if ((used_ + 1) * 2 > slots_.size()) Grow();
    const std::uint32_t tag = TagOf(hash);
    const std::size_t mask = slots_.size() - 1;
    std::size_t free = slots_.size();
    std::size_t i = hash & mask;
    for (; slots_[i].tag != kEmpty; i = (i + 1) & mask) {
        if (slots_[i].tag == tag && NameAt(slots_[i].at) == unixName) return;
        if (slots_[i].tag == kRemoved && free == slots_.size()) free = i;
    }
    if (free == slots_.size()) {
        free = i;
        ++used_;
    }
    slots_[free].tag = tag;
    slots_[free].at = static_cast<std::uint32_t>(names_.size());
    names_.push_back(static_cast<char>(unixName.size()));
    names_.append(unixName);
    ++count_;
    if (Bytes() > maxBytes_) Summarise();
}

void NameTable::Remove(std::string_view unixName) {
    if (Summarised()) {
        // The summary keeps the name's bit: it may only answer Unknown more often.
        if (count_ > 0) --count_;
        return;
    }
    if (slots_.empty()) return;
    const std::string key = KeyOfUnixName(unixName);
    if (key.empty()) return;
    const std::uint64_t hash = HashKey(key);
    const std::uint32_t tag = TagOf(hash);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask; slots_[i].tag != kEmpty; i = (i + 1) & mask) {
        if (slots_[i].tag == tag && NameAt(slots_[i].at) == unixName) {
            slots_[i].tag = kRemoved;
            garbage_ += 1 + unixName.size();
            --count_;
            // The bytes of removed names are given back once they are most.
            if (garbage_ > 4096 && garbage_ * 2 > names_.size()) Grow();
            return;
        }
    }
}

NameTable::Match NameTable::Find(const std::string& ansiName, std::string* realName) const {
    std::string key = ansiName;
    for (char& c : key) c = ToUpperAnsi(c);
    const std::uint64_t hash = HashKey(key);
    if (Summarised()) {
        const bool seen = summary_[(hash % kSummaryBits) / 64] & (std::uint64_t{1} << (hash % 64));
        return seen ? Match::Unknown : Match::None;
    }
    if (slots_.empty()) return Match::None;
    std::string exact;  // worked out when a slot of the same tag is found
    const std::uint32_t tag = TagOf(hash);
    const std::size_t mask = slots_.size() - 1;
    std::size_t others = 0;
    std::string_view other;
    for (std::size_t i = hash & mask; slots_[i].tag != kEmpty; i = (i + 1) & mask) {
        if (slots_[i].tag != tag) continue;
        const std::string_view name = NameAt(slots_[i].at);
        if (exact.empty()) exact = AnsiToUtf8(ansiName);
        if (name == exact) {
            *realName = exact;
            return Match::Found;
        }
        // A tag shared by chance is told apart by the key itself.
        if (KeyOfUnixName(name) != key) continue;
        ++others;
        other = name;
    }
    if (others == 0) return Match::None;
    if (others > 1) return Match::Unknown;
    *realName = std::string(other);
    return Match::Found;
}

// Rebuilds the table with room for its names (at most a quarter full, so
// that it grows again only once they doubled), leaving out the removed ones.
void NameTable::Grow() {
    std::size_t size = kFirstSlots;
    while (size < (count_ + 1) * 4) size *= 2;
    std::vector<Slot> slots(size);
    std::string names;
    names.reserve(names_.size() - garbage_);
    const std::size_t mask = size - 1;
    for (const Slot& slot : slots_) {
        if (slot.tag == kEmpty || slot.tag == kRemoved) continue;
        const std::string_view name = NameAt(slot.at);
        std::size_t i = HashKey(KeyOfUnixName(name)) & mask;
        while (slots[i].tag != kEmpty) i = (i + 1) & mask;
        slots[i].tag = slot.tag;
        slots[i].at = static_cast<std::uint32_t>(names.size());
        names.push_back(static_cast<char>(name.size()));
        names.append(name);
    }
    slots_ = std::move(slots);
    names_ = std::move(names);
    used_ = count_;
    garbage_ = 0;
}

void NameTable::Summarise() {
    summary_.assign(kSummaryBits / 64, 0);
    for (const Slot& slot : slots_) {
        if (slot.tag == kEmpty || slot.tag == kRemoved) continue;
        const std::uint64_t hash = HashKey(KeyOfUnixName(NameAt(slot.at)));
        summary_[(hash % kSummaryBits) / 64] |= std::uint64_t{1} << (hash % 64);
    }
    std::vector<Slot>().swap(slots_);
    std::string().swap(names_);
    used_ = 0;
    garbage_ = 0;
}

}  // namespace sl::platform::wine
