// The backup records: what a backup wrote, one record per instruction. They
// travel in the bookkeeping file, and a loading archive creates them by
// their stored class names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kernel/storage/archive.h"

namespace sl {

// One saved registry subtree.
class CSLRegItem : public SerializableObject {
public:
    static const RuntimeClass kClass;  // "CSLRegItem", schema 1
    const RuntimeClass* GetRuntimeClass() const override { return &kClass; }
    void Serialize(Archive& archive) override;

    std::string ID;
    std::uint32_t Root = 0;
    std::string KeyPath;
    std::string FileName;  // "<n>.bin"
};

// What one file instruction copied: parallel lists of source paths and the
// names of their copies in the backup folder.
class CSLFileItem : public SerializableObject {
public:
    static const RuntimeClass kClass;  // "CSLFileItem", schema 1
    const RuntimeClass* GetRuntimeClass() const override { return &kClass; }
    void Serialize(Archive& archive) override;

    std::string ID;
    std::int32_t PathID = 0;
    std::vector<std::string> SourceFiles;
    std::vector<std::string> BackupFiles;
};

}  // namespace sl
