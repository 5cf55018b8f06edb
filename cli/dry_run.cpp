#include "cli/dry_run.h"
#include "cli/terminal_text.h"

#include <algorithm>
#include <vector>

#include "cli/backup_folder.h"
#include "cli/catalogue_selection.h"
#include "cli/exit_status.h"
#include "cli/folder_argument.h"
#include "cli/json_output.h"

namespace sl::cli {

std::string PlanHeader(const ComponentCatalogue& catalogue, const std::string& token) {
    std::vector<int> ids = IdsOf(token);
    std::string name = ids.empty() ? std::string() : ComponentName(catalogue, ids[0]);
    return token + " " + (name.empty() ? "(not in the catalogue)" : name) + "\n";
}

namespace {

std::string Bytes(std::uint64_t size) { return std::to_string(size) + " bytes"; }

// What a backup's plan adds up to.
struct BackupTotals {
    int components = 0;
    int skipped = 0;
    int keys = 0;
    int files = 0;
    std::uint64_t bytes = 0;
};

void DescribeItem(const SLIPlannedItem& item, std::string& out, BackupTotals& totals) {
    if (item.registry) {
        const std::string key = RootName(item.root) + "\\" + item.keyPath;
        if (!item.keyFound) {
            out += "    registry  " + key + ": not on this machine; an empty archive would be saved\n";
            return;
        }
        ++totals.keys;
        out += "    registry  " + key + ": " + std::to_string(item.values) + " values, " +
               std::to_string(item.subkeys) + " subkeys\n";
        return;
    }
    const std::string what = item.mask + (item.recurse ? ", with subfolders" : "");
    if (item.folders.empty()) {
        out += "    files     " + what + ": the folder is not known on this machine\n";
        return;
    }
    for (std::size_t i = 0; i < item.folders.size(); ++i) {
        out += "    files     " + item.folders[i] + what + ": " +
               std::to_string(item.files[i].size()) + " file(s)\n";
        for (const SLIWalkedFile& file : item.files[i]) {
            out += "              " + file.path + " (" + Bytes(file.size) + ")\n";
            ++totals.files;
            totals.bytes += file.size;
        }
    }
}

Json PlanDocument(const CliContext& context, const char* command, const std::string& folder) {
    Json document;
    document["command"] = command;
    document["dryRun"] = true;
    // With a Windows disk there is no prefix: the disk is named instead.
    document["prefix"] = context.windowsDisk.empty() ? Json(context.prefix) : Json();
    if (!context.windowsDisk.empty()) document["windowsDisk"] = context.windowsDisk;
    document["folder"] = FolderJson(context, folder);
    return document;
}

// A backup into a folder whose bookkeeping file cannot be read fails before
// it saves anything.
int PrintBookkeepingFailure(const CliContext& context, const ComponentCatalogue& catalogue,
                            const std::string& ids, const SLIBackupPlan& plan, std::string& out,
                            Json& document) {
    const std::string problem = "The folder's Stowlark.dat is " +
                                ReadFailureText(plan.bookkeeping) +
                                ": the backup would fail before saving anything.";
    out += problem + "\n";
    if (context.json) {
        for (int id : ComponentIds(catalogue, ids)) {
            Json component = ComponentJson(catalogue, id);
            component["outcome"] = "would fail";
            document["components"].push_back(std::move(component));
        }
        document["problem"] = problem;
        PrintJson(context, document);
    } else {
        Print(context.out, out);
    }
    return kExitSuccess;
}

}  // namespace

int PrintBackupPlan(const CliContext& context, const ComponentCatalogue& catalogue,
                    const std::string& ids, const std::string& folder) {
    const session::InspectApi* inspect = InspectOrSay(context);
    if (inspect == nullptr) return kExitUsage;
    SLIBackupPlan plan;
    inspect->PlanBackup(ids.c_str(), folder.c_str(), plan);
    std::string out = "Dry run: nothing is written.\nA backup into " + plan.folder;
    const std::string unixFolder = UnixFolder(context.prefix, folder);
    if (!unixFolder.empty()) out += " (" + unixFolder + ")";
    out += " would save:\n";

    Json document = PlanDocument(context, "backup", plan.folder);
    document["preRestoreFolder"] = nullptr;
    document["components"] = Json::array();
    document["changed"] = false;
    document["problem"] = nullptr;
    if (plan.holdsBookkeeping && plan.bookkeeping != 0) {
        return PrintBookkeepingFailure(context, catalogue, ids, plan, out, document);
    }
    if (!plan.holdsBookkeeping && !plan.folderExists) {
        out += "(the folder does not exist yet; it would be created)\n";
    }

    BackupTotals totals;
    for (const std::string& id : plan.scriptIds) {
        out += "\n" + PlanHeader(catalogue, id);
        Json component = ComponentJson(catalogue, id);
        const bool saved = SLI_IdListContains(plan.savedIDs, id);
        if (saved) {
            out += "    already in the folder: skipped\n";
            ++totals.skipped;
        } else {
            ++totals.components;
        }
        component["outcome"] = saved ? "skipped" : "would save";
        document["components"].push_back(std::move(component));
        for (const SLIPlannedItem& item : plan.items) {
            if (item.id == id) DescribeItem(item, out, totals);
        }
    }
    out += "\n" + std::to_string(totals.components) + " component(s) to save: " +
           std::to_string(totals.keys) + " registry key(s), " + std::to_string(totals.files) +
           " file(s) of " + Bytes(totals.bytes);
    if (totals.skipped != 0) out += "; " + std::to_string(totals.skipped) + " already in the folder";
    out += ".\n";
    const std::string& errors = plan.scriptErrors;
    if (!errors.empty()) out += "The action script reported:\n" + errors;
    if (context.json) {
        document["changed"] = totals.components != 0;
        if (!errors.empty()) document["problem"] = "The action script reported:\n" + errors;
        PrintJson(context, document);
    } else {
        Print(context.out, out);
    }
    return kExitSuccess;
}

}  // namespace sl::cli
