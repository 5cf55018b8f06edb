// One hive in memory: its key tree, what is known of the machine it belongs
// to, and whether it changed since its source was read or last written.
// Readers of a file format derive from it (wine/text/hive.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "kernel/platform/hive/hive_key.h"
#include "kernel/platform/hive/hive_strings.h"

namespace sl::platform::hive {

class HiveTree {
public:
    HiveTree();
    // Keys are views into the tree's strings: a tree stays where it was made.
    HiveTree(const HiveTree&) = delete;
    HiveTree& operator=(const HiveTree&) = delete;
    // Takes a tree of any depth apart without a level of the stack per level.
    ~HiveTree();

    HiveKey& root() { return *root_; }
    const HiveKey& root() const { return *root_; }
    // The machine's architecture as the source states it ("win32",
    // "win64"); empty when it does not.
    const std::string& arch() const { return arch_; }
    // True when the content differs from its source (or what was last written).
    bool changed() const { return changed_; }
    // Tells the tree that what it holds is now what its source holds.
    void MarkWritten() { changed_ = false; }

    // Creates the subkey name below parent (or returns the one there), with
    // the class when given; both get the time now (a FILETIME).
    HiveKey* CreateSubkey(HiveKey& parent, std::u16string_view name,
                          const std::u16string* keyClass, std::uint64_t now);
    // Sets a value. Returns false, changing nothing, when the key already
    // holds that name with the same type and data.
    bool SetValue(HiveKey& key, std::u16string_view name, DWORD type, std::string data,
                  std::uint64_t now);

protected:
    // For readers: the subkey name below parent, added (without marking a
    // change) when missing; cheap when keys come in Wine's order.
    HiveKey* FindOrAddSubkey(HiveKey& parent, std::u16string_view name);

    HiveStrings strings_;  // key names and classes
    std::string arch_;
    bool changed_ = false;

private:
    std::unique_ptr<HiveKey> root_;
};

// The current time as a FILETIME (100 ns ticks since 1601).
std::uint64_t CurrentFileTime();

}  // namespace sl::platform::hive
