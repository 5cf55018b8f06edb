#include "kernel/storage/reg_content_item.h"

namespace sl {

namespace {
std::unique_ptr<SerializableObject> CreateRegContentItem() {
    return std::make_unique<CRegContentItem>();
}
}  // namespace

const RuntimeClass CRegContentItem::kClass{"CRegContentItem", 1, &CreateRegContentItem};

void CRegContentItem::SetData(const std::uint8_t* bytes, std::uint32_t length) {
    Data.assign(bytes, bytes + length);
    DataLength = length;
}

void CRegContentItem::Serialize(Archive& archive) {
    if (archive.IsStoring()) {
        if (DataLength > Data.size()) throw ArchiveError{kArchiveGeneric};
        archive.WriteI32(Kind);
        archive.WriteU32(Root);
        archive.WriteString(KeyPath);
        archive.WriteString(Class);
        archive.WriteString(ValueName);
        archive.WriteU32(Type);
        archive.WriteU32(DataLength);
        archive.WriteBytes(Data.data(), DataLength);
        return;
    }
    Kind = archive.ReadI32();
    Root = archive.ReadU32();
    KeyPath = archive.ReadString();
    Class = archive.ReadString();
    ValueName = archive.ReadString();
    Type = archive.ReadU32();
    const std::uint32_t length = archive.ReadU32();
    Data = archive.ReadBuffer(length);
    DataLength = length;
}

}  // namespace sl
