// The record classes a loading archive may create by their stored names.
#include "kernel/script/items.h"
#include "kernel/storage/archive.h"
#include "kernel/storage/reg_content_item.h"

namespace sl {

const RuntimeClass* FindRecordClass(const std::string& name) {
    static const RuntimeClass* const kRecordClasses[] = {
        &CRegContentItem::kClass,
        &CSLRegItem::kClass,
        &CSLFileItem::kClass,
    };
    for (const RuntimeClass* cls : kRecordClasses) {
        if (name == cls->name) return cls;
    }
    return nullptr;
}

}  // namespace sl
