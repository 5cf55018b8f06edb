// CSLKernel: the library's working object for one exported call and, stored,
// the bookkeeping file "Stowlark.dat" of a backup folder.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kernel/interface/stowlark_kernel.h"
#include "kernel/script/items.h"
#include "kernel/storage/records.h"
#include "kernel/script/resource_loader.h"
#include "kernel/storage/archive.h"
#include "kernel/storage/file_copy_run.h"

namespace sl {

class CSLInstructionList;

struct RestoreFolder;

inline constexpr const char* kBookkeepingName = "Stowlark.dat";

class CSLKernel : public SerializableObject {
public:
    static const RuntimeClass kClass;  // "CSLKernel", schema 1
    CSLKernel() = default;
    ~CSLKernel() override;
    const RuntimeClass* GetRuntimeClass() const override { return &kClass; }

    // Bookkeeping fields, then the two record lists (kernel/interface/bookkeeping.cpp).
    void Serialize(Archive& archive) override;
    std::int32_t Load(const std::string& folder);
    std::int32_t Save(const std::string& folder);
    std::int32_t GetSavedIDs(std::string& out);
    std::int32_t GetSavedBadIDs(std::string& out);
    std::int32_t GetRestoredIDs(std::string& out);

    void SetFolder(const std::string& path);
    void RequestStop() { StopRequested.store(1); }
    void NotifyProgress(std::uint32_t code, std::intptr_t count);
    // Names the item in progress to the progress window (PROGRESS_ITEM).
    void NotifyItem(const std::string& id, const std::string& path);
    // Appends message to ErrorText and logs it as one entry.
    void Report(const std::string& message);

    // Run driver (kernel/interface/run_driver.cpp).
    std::int32_t RunInstructions(const std::string& ids);
    // Its two directions: save the selected instructions into Folder
    // (run_backup.cpp), or put the selected records of Folder back, files
    // first (run_file_restore.cpp), then registry keys
    // (run_registry_restore.cpp). Each returns 1 or 0 and reports its own
    // errors.
    std::int32_t BackupSelected(const CSLInstructionList& script);
    std::int32_t RestoreSelected(const std::string& ids, const CSLInstructionList& script);
    // Installed-components query (kernel/interface/installed_query.cpp).
    std::string GetInstalledIDsN(const std::string& filter);

    // Path resolution and special checks (the work in kernel/resolve).
    std::string ResolvePathID(std::int32_t pathID);
    std::int32_t CheckSpecialExists(std::int32_t specialExistsID);

    // File backup and restore (the work in kernel/storage).
    std::int32_t SLFileCopyEx(CSLFileItem& record, const std::string& path,
                              const std::string& includeDirs, const std::string& excludeDirs,
                              const std::string& mask, std::int32_t recurse);
    std::int32_t SLFileCopyFiles(CSLFileItem& record, const std::string& path,
                                 const std::string& mask);
    // With folders given, every target must lie below one of them (see
    // RestoreFolder), through no linked folder; others are refused like an
    // unsafe pair.
    std::int32_t SLRestoreFiles(const CSLFileItem& record,
                                const std::vector<RestoreFolder>* folders = nullptr);

    std::int32_t Mode = 0;
    std::string BadIDs;
    const SLProgressWindow* ProgressWindow = nullptr;
    std::string ErrorText;
    std::vector<std::unique_ptr<CSLRegItem>> RegItems;
    std::vector<std::unique_ptr<CSLFileItem>> FileItems;
    std::string SavedIDs;
    std::string RestoredIDs;
    std::string Folder;
    std::uint32_t BackupCounter = 0;
    std::atomic<std::int32_t> StopRequested{0};
    // Files copied by this call (progress only; not stored).
    std::uint32_t FilesCopied = 0;

    // Where the action script comes from: the library's own resources when
    // null (tests hand in others).
    const ResourceTable* Scripts = nullptr;

private:
    // A run that starts: the selected direction's result; none when the
    // folder or the script could not be read (nothing is saved then).
    std::optional<std::int32_t> RunBackup(const std::string& ids);
    std::optional<std::int32_t> RunRestore(const std::string& ids);

    // What the phases of a restore carry from one to the next.
    struct RestoreProgress {
        std::int32_t result = 1;  // 0 once a record failed
        std::intptr_t steps = 0;  // records handled (PROGRESS_STEP)
    };
    void RestoreFileRecords(const std::string& ids, const CSLInstructionList& script,
                            RestoreProgress& progress);
    void RestoreRegistryRecords(const std::string& ids, const CSLInstructionList& script,
                                RestoreProgress& progress);
    // Counts one record of a restore: a failed one marks its ID bad and the
    // restore failed; each is a step and listed as restored. True when a stop
    // was asked for.
    bool RecordRestored(const std::string& id, bool restored, RestoreProgress& progress);

    // The file copies' view of this kernel (its folder, counters, errors and
    // progress window).
    FileCopyRun FileRun();

    // One instruction of a backup; false when it failed the run.
    bool BackupRegistry(const CSLInstruction& instruction);
    void BackupFiles(const CSLInstruction& instruction);
    // One registry record of a restore, if the script has a line for it; 0
    // or the failure.
    std::int32_t RestoreRegistry(const CSLInstructionList& script, const CSLRegItem& record);
};

// 1 when folder (with a trailing backslash added) holds "Stowlark.dat".
std::int32_t DoesPathContainSLFiles(const std::string& folder);

// True when the ID list holds the token (a case-sensitive substring search).
inline bool IdListContains(const std::string& list, const std::string& token) {
    return !token.empty() && list.find(token) != std::string::npos;
}
// "'" + id + "'".
inline std::string IdToken(const std::string& id) { return "'" + id + "'"; }

}  // namespace sl
