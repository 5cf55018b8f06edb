// The registry model shared by every machine: keys and values of one hive,
// held in Wine's order (hive_names.h), with links and classes. Nothing here
// knows a file format; a reader of one fills the model (wine/text/hive.h
// reads Wine's text files), and may leave a key's values to be read from its
// source only when first asked for (KeyReader).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kernel/platform/platform.h"

namespace sl::platform::hive {

struct HiveValue {
    std::u16string name;  // empty for the default value
    DWORD type = 0;
    std::string data;     // raw bytes; string types hold UTF-16LE with their zero
};

struct HiveKey;

// What a key holds besides its subkeys: its values in Wine's order, and the
// records of its source a reader could not read, verbatim (views into the
// reader's text), so that a writer of the same format keeps them.
struct KeyContents {
    std::vector<HiveValue> values;
    std::vector<std::string_view> extraLines;
};

// Reads the contents of a key whose source a reader kept (HiveKey::raw),
// adding them to key.contents() (which it asks for only when there is
// something to add, so a key without values costs no contents).
class KeyReader {
public:
    virtual void Read(const HiveKey& key) const = 0;

protected:
    ~KeyReader() = default;
};

// One key. Subkeys and values are kept in Wine's order. Changes go through
// the tree (hive_tree.h) so that it knows what changed. Keys live inside
// their tree and must not outlive it; their name and class are kept by it.
struct HiveKey {
    std::u16string_view name;
    HiveKey* parent = nullptr;
    std::vector<std::unique_ptr<HiveKey>> subkeys;
    std::optional<std::u16string_view> keyClass;
    std::uint64_t modified = 0;  // FILETIME of the last change

    // The key as its source holds it (a view into the reader's text, which
    // only the reader and a writer of the same format look into) and the
    // length of what separated it from the next key there.
    std::string_view raw;
    std::size_t gapLength = 0;
    bool hasRaw = false;     // raw holds its first record
    bool regenerate = true;  // changed since read: written from the model, not from raw
    bool link = false;       // a link key (its SymbolicLinkValue names the target)

    // The values, in Wine's order.
    const std::vector<HiveValue>& values() const;
    // Records of its source a reader could not read (see KeyContents).
    const std::vector<std::string_view>& extraLines() const;

    // Frees the contents of a key unchanged since it was read; they are read
    // from its source again when next asked for. A reader of many keys keeps
    // memory bounded this way. A changed key keeps its contents, but the
    // first time it is let go its value list gives back the room it holds in
    // reserve (a writer of many keys fills each once; a key written again
    // and again keeps its room, so that no write pays for a copy).
    void ReleaseDecoded() const;

    // Case-insensitive lookups; null when absent.
    HiveKey* FindSubkey(std::u16string_view subName) const;
    const HiveValue* FindValue(std::u16string_view valueName) const;

    // For readers and the tree: the contents, read from the source first
    // when they are still pending; made empty when there are none yet.
    KeyContents& contents() const;
    // For readers: the contents wait in raw until first asked for, when
    // reader reads them.
    void SetPending(const KeyReader* reader) const;

private:
    void ReadPending() const;

    // Not thread-safe (neither is the tree).
    mutable const KeyReader* reader_ = nullptr;
    mutable bool pending_ = false;
    mutable bool trimmed_ = false;
    mutable std::unique_ptr<KeyContents> decoded_;  // null while there is nothing
};

// Stores value in values (in Wine's order): a value of the same name is
// replaced.
void PutValue(std::vector<HiveValue>& values, HiveValue value);

}  // namespace sl::platform::hive
