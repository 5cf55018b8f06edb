// RunInstructions: backs up the selected components into the folder, or
// restores them from it, keeping the folder's bookkeeping file up to date.
#include "kernel/interface/kernel.h"
#include "kernel/interface/log.h"
#include "kernel/script/instruction_list.h"
#include "kernel/storage/reg_save_restore.h"

namespace sl {
namespace {
constexpr std::uint32_t kActionScript = 1003;
}  // namespace

std::int32_t CSLKernel::RunInstructions(const std::string& ids) {
    std::int32_t result = 1;
    std::intptr_t steps = 0;

    if (Mode != SL_MODE_RESTORE) {
        if (DoesPathContainSLFiles(Folder) == 1) {
            std::int32_t rc = Load(Folder);
            if (rc != 0) {
                Report(Format("RunInstructions Save Load '%s' error: %i\n", Folder.c_str(), rc));
                return 0;
            }
        }
        CSLInstructionList list(ids, kActionScript, ErrorText);
        NotifyProgress(PROGRESS_RANGE, static_cast<std::intptr_t>(list.Items.size()));
        std::string newIDs;
        for (const auto& item : list.Items) {
            const CSLInstruction& instruction = *item;
            if (IdListContains(SavedIDs, instruction.ID)) continue;

            if (instruction.Kind == KIND_REGISTRY) {
                auto record = std::make_unique<CSLRegItem>();
                record->ID = instruction.ID;
                const RegInstruction empty;
                const RegInstruction& reg = instruction.Reg() ? *instruction.Reg() : empty;
                record->Root = static_cast<std::uint32_t>(reg.Root);
                record->KeyPath = reg.KeyPath;
                ++BackupCounter;
                record->FileName = std::to_string(BackupCounter) + ".bin";
                std::int32_t rc = RegSLSave(record->Root, record->KeyPath, Folder + record->FileName,
                                            reg.IncludeKeys, reg.ExcludeKeys, reg.IncludeValues,
                                            reg.ExcludeValues, reg.KeepPathValues);
                if (rc != 0) {
                    BadIDs += instruction.ID;
                    Report(Format("RegSLSave #%s '%s' error %i\n", instruction.ID.c_str(),
                                  record->KeyPath.c_str(), rc));
                    AppendLog(Format("***regCopyFrom.Save Error %d\n", rc), kLogName);
                    result = 0;
                }
                RegItems.push_back(std::move(record));
            } else if (instruction.Kind == KIND_FILES) {
                auto record = std::make_unique<CSLFileItem>();
                record->ID = instruction.ID;
                const FileInstruction empty;
                const FileInstruction& files = instruction.Files() ? *instruction.Files() : empty;
                record->PathID = files.PathID;
                std::int32_t rc = SLFileCopyEx(*record, files.SubPath, files.IncludeDirs,
                                               files.ExcludeDirs, files.FileMask, files.Recurse);
                // A failed copy marks the component but not the run.
                if (rc != 0) BadIDs += instruction.ID;
                FileItems.push_back(std::move(record));
            } else {
                Report(Format("RunInstructions enum #%i not found \n", instruction.Kind));
                result = 0;
            }
            if (!IdListContains(newIDs, instruction.ID)) newIDs += instruction.ID;
            ++steps;
            NotifyProgress(PROGRESS_STEP, steps);
            if (StopRequested.load() != 0) break;
        }
        SavedIDs += newIDs;
    } else {
        std::int32_t rc = Load(Folder);
        if (rc != 0) {
            Report(Format("RunInstructions Restore Load '%s' error: %i\n", Folder.c_str(), rc));
            return 0;
        }
        NotifyProgress(PROGRESS_RANGE,
                       static_cast<std::intptr_t>(RegItems.size() + FileItems.size()));
        for (const auto& record : FileItems) {
            if (!IdListContains(ids, record->ID)) continue;
            if (SLRestoreFiles(*record) != 0) {
                BadIDs += record->ID;
                result = 0;
            }
            ++steps;
            NotifyProgress(PROGRESS_STEP, steps);
            RestoredIDs += record->ID;
            if (StopRequested.load() != 0) break;
        }
        // The registry phase restores at least its first selected record
        // even when a stop arrived during the file phase.
        for (const auto& record : RegItems) {
            if (!IdListContains(ids, record->ID)) continue;
            std::string path = Folder + record->FileName;
            std::int32_t rc = RegSLRestore(path, &ErrorText, record->Root, &record->KeyPath);
            if (rc != 0) {
                BadIDs += record->ID;
                Report(Format("RegSLRestore '%s' error %i\n", path.c_str(), rc));
                result = 0;
            }
            ++steps;
            NotifyProgress(PROGRESS_STEP, steps);
            RestoredIDs += record->ID;
            if (StopRequested.load() != 0) break;
        }
    }

    std::int32_t saved = Save(Folder);
    if (saved != 0) {
        // Without its bookkeeping file the folder does not record this run.
        Report(Format("RunInstructions Save '%s' error: %i\n", Folder.c_str(), saved));
        result = 0;
    }
    return result;
}

}  // namespace sl
