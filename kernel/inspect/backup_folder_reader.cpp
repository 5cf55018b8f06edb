// Reading a backup folder for show and verify: the bookkeeping file
// "Stowlark.dat" and the registry archives, through the kernel's own code on
// a read-only view of the machine. Nothing here writes.
#include "kernel/interface/stowlark_kernel.h"

#include "kernel/inspect/one_call.h"
#include "kernel/inspect/read_only_platform.h"
#include "kernel/interface/kernel.h"
#include "kernel/platform/platform.h"
#include "kernel/resolve/path_text.h"
#include "kernel/storage/archive.h"
#include "kernel/storage/file_restore.h"
#include "kernel/storage/reg_save_restore.h"

namespace sl::inspect {
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

// Size in bytes of the file name in the folder, as SLIRegistryArchive::size.
std::int64_t BackupFileSize(const std::string& dosFolder, const std::string& name) {
    if (!IsPlainFileName(name)) return SLI_NO_FILE;
    platform::Platform& machine = platform::Current();
    const std::string path = WithTrailingBackslash(dosFolder) + name;
    platform::FindHandle handle = 0;
    platform::FindData data;
    if (machine.FindFirstFile(path, &handle, &data) != 0) return SLI_NO_FILE;
    machine.FindClose(handle);
    if ((data.attributes & platform::kFileAttributeDirectory) != 0) return SLI_NO_FILE;
    if ((data.attributes & platform::kFileAttributeReparsePoint) != 0) {
        return SLI_NOT_A_PLAIN_FILE;
    }
    // A FIFO or a device lists like a file: only opening tells, and a run
    // opens it the same way (without waiting).
    platform::FileHandle file = 0;
    const platform::DWORD error = machine.OpenFile(path, platform::FileAccess::Read, &file);
    if (error == platform::kErrorCantAccessFile || error == platform::kErrorCantResolveFilename) {
        return SLI_NOT_A_PLAIN_FILE;
    }
    if (error == 0) machine.CloseFile(file, false);
    return static_cast<std::int64_t>(data.size);
}

SLIFileCopies Copies(CSLKernel& kernel, const CSLFileItem& record) {
    SLIFileCopies copies;
    copies.id = record.ID;
    copies.pathId = record.PathID;
    copies.from = record.PathID != 0 ? kernel.ResolvePathID(record.PathID) : std::string();
    copies.sourceFiles = record.SourceFiles;
    copies.backupFiles = record.BackupFiles;
    for (const std::string& backup : record.BackupFiles) {
        copies.backupSizes.push_back(BackupFileSize(kernel.Folder, backup));
    }
    const std::size_t pairs = std::min(record.SourceFiles.size(), record.BackupFiles.size());
    for (std::size_t i = 0; i < pairs; ++i) {
        copies.safePairs.push_back(
            IsSafeRestorePair(record.PathID, record.SourceFiles[i], record.BackupFiles[i]) ? 1
                                                                                             : 0);
    }
    return copies;
}

void ReadFolder(const std::string& folder, SLIBackupFolder& result) {
    ReadOnlyScope readOnly;
    CSLKernel kernel;
    kernel.SetFolder(folder);
    result.bookkeeping = kernel.Load(kernel.Folder);
    result.folder = kernel.Folder;
    result.savedIDs = kernel.SavedIDs;
    result.restoredIDs = kernel.RestoredIDs;
    result.backupCounter = kernel.BackupCounter;
    for (const auto& record : kernel.RegItems) {
        SLIRegistryArchive archive;
        archive.id = record->ID;
        archive.root = record->Root;
        archive.keyPath = record->KeyPath;
        archive.fileName = record->FileName;
        archive.plainName = IsPlainFileName(record->FileName);
        archive.size = BackupFileSize(kernel.Folder, record->FileName);
        result.registryArchives.push_back(std::move(archive));
    }
    for (const auto& record : kernel.FileItems) result.fileCopies.push_back(Copies(kernel, *record));
}

}  // namespace
}  // namespace sl::inspect

extern "C" {

SL_EXPORT int32_t SLI_ReadBackupFolder(const char* folder, SLIBackupFolder& result) {
    const auto oneCall = sl::inspect::OneCallAtATime();
    result = SLIBackupFolder();
    try {
        sl::inspect::ReadFolder(folder != nullptr ? folder : "", result);
    } catch (...) {
        if (result.bookkeeping == 0) result.bookkeeping = sl::kArchiveOtherFailure;
    }
    return result.bookkeeping;
}

SL_EXPORT int32_t SLI_ReadRegistryArchive(const char* path, uint32_t root, const char* keyPath,
                                          SLIArchiveContents& contents) {
    const auto oneCall = sl::inspect::OneCallAtATime();
    contents = SLIArchiveContents();
    try {
        sl::inspect::ReadOnlyScope readOnly;
        sl::RegRecordList records;
        sl::inspect::RegistryArchive archive(records);
        const int32_t rc = sl::ArchiveXfer(archive, path != nullptr ? path : "", 0);
        const std::string base = keyPath != nullptr ? keyPath : "";
        for (const auto& item : records) {
            if (item->Kind == sl::CRegContentItem::kValueRecord) {
                ++contents.values;
            } else {
                ++contents.keys;
            }
            if (item->Root != root || !sl::IsAtOrBelow(item->KeyPath, base)) ++contents.outside;
        }
        return rc;
    } catch (...) {
        return sl::kArchiveOtherFailure;
    }
}

}  // extern "C"
