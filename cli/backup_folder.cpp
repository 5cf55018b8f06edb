#include "cli/backup_folder.h"

#include <cctype>

#include "kernel/platform/platform.h"
#include "kernel/resolve/path_text.h"

namespace sl::cli {
namespace {

// The registry archive as a whole file: the list of its records.
class RegistryArchive : public SerializableObject {
public:
    explicit RegistryArchive(RegRecordList& records) : records_(records) {}
    const RuntimeClass* GetRuntimeClass() const override {
        static const RuntimeClass kList{"CObList", 1, nullptr};
        return &kList;
    }
    void Serialize(Archive& archive) override { SerializeObjectList(archive, records_); }

private:
    RegRecordList& records_;
};

}  // namespace

std::int32_t LoadBookkeeping(const std::string& dosFolder, CSLKernel& kernel) {
    kernel.SetFolder(dosFolder);
    return kernel.Load(kernel.Folder);
}

std::int32_t LoadRegistryArchive(const std::string& path, RegRecordList& records) {
    RegistryArchive archive(records);
    return ArchiveXfer(archive, path, 0);
}

std::int64_t BackupFileSize(const std::string& dosFolder, const std::string& name) {
    if (!IsPlainFileName(name)) return -1;
    platform::Platform& machine = platform::Current();
    platform::FindHandle handle = 0;
    platform::FindData data;
    if (machine.FindFirstFile(WithTrailingBackslash(dosFolder) + name, &handle, &data) != 0) {
        return -1;
    }
    machine.FindClose(handle);
    if ((data.attributes & platform::kFileAttributeDirectory) != 0) return -1;
    if ((data.attributes & platform::kFileAttributeReparsePoint) != 0) return kNotAPlainFile;
    // A FIFO or a device lists like a file: only opening tells, and a run
    // opens it the same way (without waiting).
    platform::FileHandle file = 0;
    const platform::DWORD error =
        machine.OpenFile(WithTrailingBackslash(dosFolder) + name, platform::FileAccess::Read, &file);
    if (error == platform::kErrorCantAccessFile || error == platform::kErrorCantResolveFilename) {
        return kNotAPlainFile;
    }
    if (error == 0) machine.CloseFile(file, false);
    return static_cast<std::int64_t>(data.size);
}

std::string RootName(std::uint32_t root) {
    switch (root) {
        case 0x80000000u: return "HKEY_CLASSES_ROOT";
        case 0x80000001u: return "HKEY_CURRENT_USER";
        case 0x80000002u: return "HKEY_LOCAL_MACHINE";
        case 0x80000003u: return "HKEY_USERS";
        default: break;
    }
    char text[32];
    std::snprintf(text, sizeof text, "root 0x%08X", root);
    return text;
}

std::string ReadFailureText(std::int32_t code) {
    std::string meaning;
    switch (code) {
        case 2: meaning = "missing"; break;
        case 3: meaning = "truncated or empty"; break;
        case 5: meaning = "access denied, or a reference to an unknown object"; break;
        case 6: meaning = "an unknown record class"; break;
        case 7: meaning = "an unknown record version"; break;
        case 11: meaning = "in use by another program"; break;
        case 99123: meaning = "cannot be read"; break;
        default: meaning = "cannot be read"; break;
    }
    return meaning + " (error " + std::to_string(code) + ")";
}

}  // namespace sl::cli
