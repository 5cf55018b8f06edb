#include "kernel/script/resource_loader.h"

#include <cstring>

namespace sl {

int LoadResourceText(const ResourceTable& module, std::string& text, std::uint16_t id,
                     const char* type) {
    for (std::size_t i = 0; i < module.count; ++i) {
        const ResourceEntry& entry = module.entries[i];
        if (entry.id != id || std::strcmp(entry.type, type) != 0) continue;
        if (entry.size == 0) {
            text.clear();
            return 1;
        }
        if (entry.data == nullptr) {
            text.clear();
            return 0;
        }
        text.assign(reinterpret_cast<const char*>(entry.data), entry.size);
        return 1;
    }
    return 0;
}

}  // namespace sl
