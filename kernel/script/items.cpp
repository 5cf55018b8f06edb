// Run-time classes and serialization of the backup records.
#include "kernel/script/items.h"

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

}  // namespace sl
