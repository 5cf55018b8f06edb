// The names of one Unix folder, kept compactly for matching DOS names without
// regard to case (see folder_names.h, which keeps them current).
//
// Every name costs about its own length plus 17 to 33 bytes, so a folder of a
// million names takes some 30 to 45 MB. A table that would pass maxBytes (given at
// construction) turns into a summary of fixed size instead: it then knows for
// sure only which names were never added, and answers Unknown for the rest;
// so its memory stays bounded whatever the folder holds, and the answer that
// matters most in a large folder (a new name is not there yet) stays cheap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sl::platform::wine {

class NameTable {
public:
    enum class Match { Found, None, Unknown };

    explicit NameTable(std::size_t maxBytes);

    // Adds a Unix name (UTF-8); a name already there, and one that is no
    // DOS name's UTF-8 form (it matches nothing), is left out.
    void Add(std::string_view unixName);
    // Removes a Unix name added before; other names are left alone.
    void Remove(std::string_view unixName);

    // The name that equals ansiName (code page 1252) without regard to case:
    // Found with *realName set to the exact spelling when it was added, else
    // to the only other spelling added; None when no spelling was added;
    // Unknown when several other spellings were (the folder's order decides
    // between them), or when the table is a summary and cannot rule it out.
    Match Find(const std::string& ansiName, std::string* realName) const;

    std::size_t Count() const { return count_; }
    // The memory the table holds, about.
    std::size_t Bytes() const;
    // True once the table turned into a summary.
    bool Summarised() const { return !summary_.empty(); }

private:
    static constexpr std::uint32_t kEmpty = 0;
    static constexpr std::uint32_t kRemoved = 1;
    struct Slot {
        std::uint32_t tag = kEmpty;  // part of the key's hash, or kEmpty/kRemoved
        std::uint32_t at = 0;        // the name's offset in names_
    };

    std::uint64_t HashKey(std::string_view key) const;
    static std::uint32_t TagOf(std::uint64_t hash);
    std::string_view NameAt(std::uint32_t at) const;
    void Grow();
    void Summarise();

    std::size_t maxBytes_;
    std::uint64_t seed_;
    std::vector<Slot> slots_;   // open addressing, linear probing
    std::string names_;         // every name as a length byte and its bytes
    std::size_t used_ = 0;      // slots holding a name or marked removed
    std::size_t count_ = 0;     // names held
    std::size_t garbage_ = 0;   // bytes of removed names in names_
    std::vector<std::uint64_t> summary_;  // bits of key hashes, once summarised
};

}  // namespace sl::platform::wine
