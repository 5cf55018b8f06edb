// Run-time classes and serialization of the backup records, and the table
// of the classes a loading archive may create by their stored names.
#include "kernel/storage/records.h"

#include <memory>

#include "kernel/storage/reg_content_item.h"

namespace sl {

namespace {
std::unique_ptr<SerializableObject> CreateRegItem() { return std::make_unique<CSLRegItem>(); }
std::unique_ptr<SerializableObject> CreateFileItem() { return std::make_unique<CSLFileItem>(); }
}  // namespace

const RuntimeClass CSLRegItem::kClass{"CSLRegItem", 1, &CreateRegItem};
const RuntimeClass CSLFileItem::kClass{"CSLFileItem", 1, &CreateFileItem};

void CSLRegItem::Serialize(Archive& archive) {
    if (archive.IsStoring()) {
        archive.WriteString(ID);
        archive.WriteU32(Root);
        archive.WriteString(KeyPath);
        archive.WriteString(FileName);
        return;
    }
    ID = archive.ReadString();
    Root = archive.ReadU32();
    KeyPath = archive.ReadString();
    FileName = archive.ReadString();
}

void CSLFileItem::Serialize(Archive& archive) {
    if (archive.IsStoring()) {
        archive.WriteString(ID);
        archive.WriteI32(PathID);
    } else {
        ID = archive.ReadString();
        PathID = archive.ReadI32();
    }
    // Loading appends to the lists' current contents.
    SerializeStringList(archive, SourceFiles);
    SerializeStringList(archive, BackupFiles);
}

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
