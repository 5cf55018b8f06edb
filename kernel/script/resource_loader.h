// Embedded resources: each module (the kernel library, the program) carries
// its own table, looked up by (type, number), so a lookup in one module never
// finds another module's resources.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sl {

struct ResourceEntry {
    const char* type;            // "Bin", "Text"
    std::uint16_t id;
    const unsigned char* data;
    std::size_t size;
};

struct ResourceTable {
    const ResourceEntry* entries;
    std::size_t count;
};

// Fills text with exactly the bytes of resource (type, id) of module and
// returns 1; returns 0 and leaves text untouched when there is no such
// resource. A resource of size 0 empties text and returns 1.
int LoadResourceText(const ResourceTable& module, std::string& text, std::uint16_t id,
                     const char* type);

// The kernel library's own resources ("Bin" 1003 and 1004, encoded scripts).
const ResourceTable& KernelResources();

}  // namespace sl
