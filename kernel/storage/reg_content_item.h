// CRegContentItem: one saved registry key or value, the record of a registry
// archive file ("<n>.bin").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kernel/storage/archive.h"

namespace sl {

class CRegContentItem : public SerializableObject {
public:
    static constexpr std::int32_t kValueRecord = 0;
    static constexpr std::int32_t kKeyRecord = 1;

    static const RuntimeClass kClass;  // "CRegContentItem", schema 1
    const RuntimeClass* GetRuntimeClass() const override { return &kClass; }

    // Stores kind, root, key path, class, value name, type, data length and
    // the first DataLength bytes of Data. Raises generic (1) when DataLength
    // exceeds Data's size. Loading reads the same fields and allocates exactly
    // DataLength bytes (end of file, 3, when the file does not hold them).
    void Serialize(Archive& archive) override;

    // Sets Data and DataLength together.
    void SetData(const std::uint8_t* bytes, std::uint32_t length);

    std::int32_t Kind = kValueRecord;
    std::uint32_t Root = 0;        // raw predefined root, e.g. 0x80000001
    std::string KeyPath;           // below Root, no leading or trailing backslash
    std::string Class;             // key records: the key's class; value records: empty
    std::string ValueName;         // value records: the name ("" default value)
    std::uint32_t Type = 0;        // value records: the registry type as reported
    std::vector<std::uint8_t> Data;  // value records: the data bytes
    std::uint32_t DataLength = 0;  // bytes of Data stored; 0 for key records
};

}  // namespace sl
