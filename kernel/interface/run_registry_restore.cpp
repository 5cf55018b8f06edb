// The second phase of a restore: the registry records the selection names
// go back, each only into the key its component's script line names.
#include "kernel/interface/kernel.h"
#include "kernel/interface/restore_scope.h"
#include "kernel/log/log.h"
#include "kernel/resolve/path_text.h"
#include "kernel/resolve/reg_key.h"
#include "kernel/script/instruction_list.h"
#include "kernel/storage/reg_save_restore.h"

namespace sl {

void CSLKernel::RestoreRegistryRecords(const std::string& ids, const CSLInstructionList& script,
                                       RestoreProgress& progress) {
    for (const auto& record : RegItems) {
        if (!IdListContains(ids, record->ID)) continue;
        NotifyItem(record->ID, RootedKeyName(record->Root, record->KeyPath));
        if (RecordRestored(record->ID, RestoreRegistry(script, *record) == 0, progress)) break;
    }
}

std::int32_t CSLKernel::RestoreRegistry(const CSLInstructionList& script,
                                        const CSLRegItem& record) {
    const std::string path = Folder + record.FileName;
    // The bookkeeping file is input: an archive is read only from the backup
    // folder itself, and written only to a key that the component's script
    // line names (never to one the record merely claims).
    const RegInstruction* line = AllowedRegLine(script, record);
    std::int32_t rc = platform::kErrorInvalidName;
    if (!IsPlainFileName(record.FileName)) {
        Report(Format("RegSLRestore refused '%s'\n", path.c_str()));
    } else if (line == nullptr) {
        Report(Format("RegSLRestore refused '%s'\n", record.KeyPath.c_str()));
    } else {
        // Nor to what the line's save leaves out (another component's
        // subkey, values that hold where applications are found).
        const RegSaveLists lists{line->IncludeKeys, line->ExcludeKeys, line->IncludeValues,
                                 line->ExcludeValues, line->KeepPathValues};
        rc = RegSLRestore(path, &ErrorText, static_cast<std::uint32_t>(line->Root), &line->KeyPath,
                          &lists);
    }
    if (rc != 0) Report(Format("RegSLRestore '%s' error %i\n", path.c_str(), rc));
    return rc;
}

}  // namespace sl
