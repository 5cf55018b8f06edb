// The bookkeeping file "Stowlark.dat": the kernel's saved and restored ID
// lists, its backup counter and its two record lists, in one archive so that
// both lists share the archive's index counter.
#include "kernel/interface/kernel.h"
#include "kernel/resolve/path_text.h"

namespace sl {

namespace {
std::string BookkeepingPath(const std::string& folder) {
    return WithTrailingBackslash(folder) + kBookkeepingName;
}
}  // namespace

void CSLKernel::Serialize(Archive& archive) {
    if (archive.IsStoring()) {
        archive.WriteString(SavedIDs);
        archive.WriteString(RestoredIDs);
        archive.WriteU32(BackupCounter);
    } else {
        // Each field is replaced as soon as it is read, so a failed load
        // leaves what came before the failure.
        SavedIDs = archive.ReadString();
        RestoredIDs = archive.ReadString();
        BackupCounter = archive.ReadU32();
    }
    SerializeObjectList(archive, RegItems);
    SerializeObjectList(archive, FileItems);
}

std::int32_t CSLKernel::Load(const std::string& folder) {
    return ArchiveXfer(*this, BookkeepingPath(folder), 0);
}

std::int32_t CSLKernel::Save(const std::string& folder) {
    return ArchiveXfer(*this, BookkeepingPath(folder), 1);
}

std::int32_t CSLKernel::GetSavedIDs(std::string& out) {
    std::int32_t rc = Load(Folder);
    out = SavedIDs;
    return rc;
}

std::int32_t CSLKernel::GetSavedBadIDs(std::string& out) {
    std::int32_t rc = Load(Folder);
    out = BadIDs;
    return rc;
}

std::int32_t CSLKernel::GetRestoredIDs(std::string& out) {
    std::int32_t rc = Load(Folder);
    out = RestoredIDs;
    return rc;
}

}  // namespace sl
