// The backup direction of a run: saves each selected instruction that the
// folder does not hold yet, a registry subtree into "<n>.bin" or a set of
// files into "<n>.dat" copies, and records what it wrote.
#include <memory>

#include "kernel/interface/kernel.h"
#include "kernel/log/log.h"
#include "kernel/resolve/reg_key.h"
#include "kernel/script/instruction_list.h"
#include "kernel/storage/reg_save_restore.h"

namespace sl {

std::int32_t CSLKernel::BackupSelected(const CSLInstructionList& list) {
    std::int32_t result = 1;
    std::intptr_t steps = 0;
    NotifyProgress(PROGRESS_RANGE, static_cast<std::intptr_t>(list.Items.size()));
    std::string newIDs;
    for (const auto& item : list.Items) {
        const CSLInstruction& instruction = *item;
        if (IdListContains(SavedIDs, instruction.ID)) continue;

        if (instruction.Kind == KIND_REGISTRY) {
            if (!BackupRegistry(instruction)) result = 0;
        } else if (instruction.Kind == KIND_FILES) {
            BackupFiles(instruction);
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
    return result;
}

bool CSLKernel::BackupRegistry(const CSLInstruction& instruction) {
    auto record = std::make_unique<CSLRegItem>();
    record->ID = instruction.ID;
    const RegInstruction empty;
    const RegInstruction& reg = instruction.Reg() ? *instruction.Reg() : empty;
    record->Root = static_cast<std::uint32_t>(reg.Root);
    record->KeyPath = reg.KeyPath;
    NotifyItem(record->ID, RootedKeyName(record->Root, record->KeyPath));
    ++BackupCounter;
    record->FileName = std::to_string(BackupCounter) + ".bin";
    std::int32_t rc = RegSLSave(record->Root, record->KeyPath, Folder + record->FileName,
                                reg.IncludeKeys, reg.ExcludeKeys, reg.IncludeValues,
                                reg.ExcludeValues, reg.KeepPathValues);
    const bool saved = rc == 0;
    if (!saved) {
        BadIDs += instruction.ID;
        Report(Format("RegSLSave #%s '%s' error %i\n", instruction.ID.c_str(),
                      record->KeyPath.c_str(), rc));
        AppendLog(Format("***regCopyFrom.Save Error %d\n", rc), kLogName);
    }
    RegItems.push_back(std::move(record));
    return saved;
}

void CSLKernel::BackupFiles(const CSLInstruction& instruction) {
    auto record = std::make_unique<CSLFileItem>();
    record->ID = instruction.ID;
    const FileInstruction empty;
    const FileInstruction& files = instruction.Files() ? *instruction.Files() : empty;
    record->PathID = files.PathID;
    const std::uint32_t counterBefore = BackupCounter;
    std::int32_t rc = SLFileCopyEx(*record, files.SubPath, files.IncludeDirs, files.ExcludeDirs,
                                   files.FileMask, files.Recurse);
    // Every file found takes a number, and only a copy that succeeded adds
    // a pair: a number without a pair is a file that did not get into the
    // backup (a full disk, a locked file). That leaves SLFileCopyEx's status
    // alone, but the component is incomplete and must be reported.
    const std::uint32_t numbersTaken = BackupCounter - counterBefore;
    const bool copyFailed = numbersTaken != record->BackupFiles.size();
    // A failed copy marks the component but not the run.
    if (rc != 0 || copyFailed) BadIDs += instruction.ID;
    FileItems.push_back(std::move(record));
}

}  // namespace sl
