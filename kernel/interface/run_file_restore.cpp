// The restore direction of a run, and its first phase: the file records the
// selection names go back, each only where its component's script lines
// allow.
#include <vector>

#include "kernel/interface/kernel.h"
#include "kernel/interface/restore_scope.h"
#include "kernel/script/instruction_list.h"

namespace sl {

std::int32_t CSLKernel::RestoreSelected(const std::string& ids, const CSLInstructionList& script) {
    RestoreProgress progress;
    NotifyProgress(PROGRESS_RANGE, static_cast<std::intptr_t>(RegItems.size() + FileItems.size()));
    RestoreFileRecords(ids, script, progress);
    // The registry phase restores at least its first selected record even
    // when a stop arrived during the file phase.
    RestoreRegistryRecords(ids, script, progress);
    return progress.result;
}

void CSLKernel::RestoreFileRecords(const std::string& ids, const CSLInstructionList& script,
                                   RestoreProgress& progress) {
    for (const auto& record : FileItems) {
        if (!IdListContains(ids, record->ID)) continue;
        const std::vector<RestoreFolder> folders = AllowedFileFolders(*this, script, *record);
        if (RecordRestored(record->ID, SLRestoreFiles(*record, &folders) == 0, progress)) break;
    }
}

bool CSLKernel::RecordRestored(const std::string& id, bool restored, RestoreProgress& progress) {
    if (!restored) {
        BadIDs += id;
        progress.result = 0;
    }
    ++progress.steps;
    NotifyProgress(PROGRESS_STEP, progress.steps);
    RestoredIDs += id;
    return StopRequested.load() != 0;
}

}  // namespace sl
