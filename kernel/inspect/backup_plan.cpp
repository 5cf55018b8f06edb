// The plans of the command line's dry runs: what a backup would save, with
// the kernel's own script parser, folder resolution, registry reader and
// file walk on a read-only view of the machine.
#include "kernel/interface/stowlark_kernel.h"

#include <algorithm>

#include "kernel/inspect/one_call.h"
#include "kernel/inspect/read_only_platform.h"
#include "kernel/interface/kernel.h"
#include "kernel/platform/platform.h"
#include "kernel/resolve/path_text.h"
#include "kernel/script/instruction_list.h"
#include "kernel/script/text_fields.h"
#include "kernel/storage/archive.h"
#include "kernel/storage/file_walk.h"
#include "kernel/storage/reg_save_restore.h"

namespace sl::inspect {
namespace {

constexpr std::uint32_t kActionScript = 1003;

// The instruction IDs of the script among ids, in script order, each once.
std::vector<std::string> ScriptIds(const CSLInstructionList& list) {
    std::vector<std::string> ids;
    for (const auto& item : list.Items) {
        if (std::find(ids.begin(), ids.end(), item->ID) == ids.end()) ids.push_back(item->ID);
    }
    return ids;
}

void PlanRegistry(const RegInstruction& reg, SLIPlannedItem& item) {
    item.registry = true;
    item.root = static_cast<std::uint32_t>(reg.Root);
    item.keyPath = reg.KeyPath;
    RegRecordList records;
    const platform::LONG values = CollectValues(reg.Root, reg.KeyPath, reg.IncludeValues,
                                                reg.ExcludeValues, reg.KeepPathValues, records);
    if (values == platform::kErrorFileNotFound) return;
    item.keyFound = true;
    CollectSubkeys(reg.Root, reg.KeyPath, reg.IncludeKeys, reg.ExcludeKeys, reg.IncludeValues,
                   reg.ExcludeValues, reg.KeepPathValues, records);
    for (const auto& record : records) {
        if (record->Kind == CRegContentItem::kKeyRecord) {
            ++item.subkeys;
        } else {
            ++item.values;
        }
    }
}

void PlanFiles(CSLKernel& kernel, const FileInstruction& files, SLIPlannedItem& item) {
    item.mask = files.FileMask;
    item.recurse = files.Recurse != 0;
    std::string rest = files.PathID != 0 ? kernel.ResolvePathID(files.PathID) : "";
    for (std::string one = CutField(rest, ';', false); !one.empty();
         one = CutField(rest, ';', false)) {
        const std::string folder = WithTrailingBackslash(one) + files.SubPath;
        std::vector<SLIWalkedFile> found;
        WalkBackupFiles(platform::Current(), folder, files.FileMask, files.IncludeDirs,
                        files.ExcludeDirs, files.Recurse, [&](const WalkedFile& file) {
                            found.push_back({file.path, file.size});
                            return true;
                        });
        item.folders.push_back(WithTrailingBackslash(folder));
        item.files.push_back(std::move(found));
    }
}

void Plan(const std::string& ids, const std::string& folder, SLIBackupPlan& plan) {
    ReadOnlyScope readOnly;
    CSLKernel kernel;
    kernel.SetFolder(folder);
    plan.folder = kernel.Folder;
    plan.holdsBookkeeping = DoesPathContainSLFiles(kernel.Folder) == 1;
    if (plan.holdsBookkeeping) {
        plan.bookkeeping = kernel.Load(kernel.Folder);
        if (plan.bookkeeping != 0) return;
        plan.savedIDs = kernel.SavedIDs;
    } else {
        platform::DWORD attributes = 0;
        plan.folderExists = platform::Current().GetFileAttributes(folder, &attributes) == 0;
    }
    CSLInstructionList list(ids, kActionScript, plan.scriptErrors);
    plan.scriptIds = ScriptIds(list);
    for (const auto& instruction : list.Items) {
        if (IdListContains(plan.savedIDs, instruction->ID)) continue;
        SLIPlannedItem item;
        item.id = instruction->ID;
        if (const RegInstruction* reg = instruction->Reg()) {
            PlanRegistry(*reg, item);
        } else if (const FileInstruction* files = instruction->Files()) {
            PlanFiles(kernel, *files, item);
        } else {
            continue;
        }
        plan.items.push_back(std::move(item));
    }
}

}  // namespace
}  // namespace sl::inspect

extern "C" {

SL_EXPORT int32_t SLI_ScriptIDs(const char* ids, std::vector<std::string>& scriptIds,
                                std::string& errors) {
    const auto oneCall = sl::inspect::OneCallAtATime();
    scriptIds.clear();
    errors.clear();
    try {
        sl::CSLInstructionList list(ids != nullptr ? ids : "", sl::inspect::kActionScript, errors);
        scriptIds = sl::inspect::ScriptIds(list);
        return 0;
    } catch (...) {
        return sl::kArchiveOtherFailure;
    }
}

SL_EXPORT int32_t SLI_PlanBackup(const char* ids, const char* folder, SLIBackupPlan& plan) {
    const auto oneCall = sl::inspect::OneCallAtATime();
    plan = SLIBackupPlan();
    try {
        sl::inspect::Plan(ids != nullptr ? ids : "", folder != nullptr ? folder : "", plan);
        return plan.bookkeeping;
    } catch (...) {
        return sl::kArchiveOtherFailure;
    }
}

}  // extern "C"
