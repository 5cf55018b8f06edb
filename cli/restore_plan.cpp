// The dry run of a restore: the pre-restore backup it would make first, then
// what it would write, component by component, in the order of the records.
#include <algorithm>
#include <vector>

#include "cli/backup_folder.h"
#include "cli/catalogue_selection.h"
#include "cli/dry_run.h"
#include "cli/exit_status.h"
#include "cli/folder_argument.h"
#include "cli/json_output.h"
#include "cli/terminal_text.h"

namespace sl::cli {
namespace {

struct RestoreTotals {
    int copies = 0;
    int archives = 0;
};

void DescribeCopies(const SLIFileCopies& record, std::string& out, RestoreTotals& totals) {
    const std::string& base = record.from;
    if (record.pathId != 0 && base.empty()) {
        out += "    files     the folder is not known on this machine: " +
               std::to_string(record.backupFiles.size()) + " file(s) would fail\n";
        return;
    }
    for (std::size_t i = 0; i < record.safePairs.size(); ++i) {
        const std::string& source = record.sourceFiles[i];
        const std::string& backup = record.backupFiles[i];
        out += "    file      " + Printable(backup) + " -> " + Printable(base + source);
        if (record.safePairs[i] == 0) {
            out += " (refused: it leaves its folder)";
        } else if (record.backupSizes[i] == SLI_NOT_A_PLAIN_FILE) {
            out += " (the copy is no plain file)";
        } else if (record.backupSizes[i] < 0) {
            out += " (the copy is missing)";
        } else {
            ++totals.copies;
        }
        out += "\n";
    }
}

void DescribeArchive(const session::InspectApi& inspect, const std::string& folder,
                     const SLIRegistryArchive& record, std::string& out, RestoreTotals& totals) {
    const std::string key = RootName(record.root) + "\\" + Printable(record.keyPath);
    SLIArchiveContents contents;
    const std::int32_t loaded =
        record.plainName ? inspect.ReadRegistryArchive((folder + record.fileName).c_str(),
                                                       record.root, record.keyPath.c_str(),
                                                       contents)
                         : 2;
    out += "    registry  " + Printable(record.fileName) + " -> " + key + ": " +
           std::to_string(contents.values) + " values, " + std::to_string(contents.keys) +
           " keys";
    if (loaded != 0) {
        out += " (the archive is " + ReadFailureText(loaded) + ")";
    } else {
        ++totals.archives;
    }
    out += "\n";
}

// The components of ids the folder holds records of, in the order of the
// records (file copies first).
std::vector<std::string> RecordOrder(const SLIBackupFolder& read, const std::string& ids) {
    std::vector<std::string> order;
    auto note = [&](const std::string& id) {
        if (SLI_IdListContains(ids, id) && std::find(order.begin(), order.end(), id) == order.end()) {
            order.push_back(id);
        }
    };
    for (const SLIFileCopies& record : read.fileCopies) note(record.id);
    for (const SLIRegistryArchive& record : read.registryArchives) note(record.id);
    return order;
}

// The components already saved in the pre-restore folder.
std::string PreRestoreSaved(const CliContext& context, const session::InspectApi& inspect,
                            const std::string& preRestoreFolder) {
    SLIBackupFolder preRestore;
    if (context.api.DoesPathContainSLFiles(preRestoreFolder.c_str()) == 1 &&
        inspect.ReadBackupFolder(preRestoreFolder.c_str(), preRestore) == 0) {
        return preRestore.savedIDs;
    }
    return {};
}

void PrintRestoreJson(const CliContext& context, const ComponentCatalogue& catalogue,
                      const SLIBackupFolder& read, const std::string& preRestoreFolder,
                      const std::vector<std::string>& scriptIds,
                      const std::vector<std::string>& order, const std::string& preSaved) {
    Json document;
    document["command"] = "restore";
    document["dryRun"] = true;
    document["prefix"] = context.prefix;
    document["folder"] = FolderJson(context, read.folder);
    document["preRestoreFolder"] = FolderJson(context, preRestoreFolder);
    document["components"] = Json::array();
    for (const std::string& id : scriptIds) {
        Json component = ComponentJson(catalogue, id);
        const bool written = std::find(order.begin(), order.end(), id) != order.end();
        component["outcome"] = written ? "would restore" : "nothing to restore";
        component["preRestoreCopy"] = written && !SLI_IdListContains(preSaved, id);
        document["components"].push_back(std::move(component));
    }
    document["changed"] = !order.empty();
    document["problem"] = nullptr;
    PrintJson(context, document);
}

}  // namespace

int PrintRestorePlan(const CliContext& context, const ComponentCatalogue& catalogue,
                     const std::string& ids, const std::string& folder,
                     const std::string& preRestoreFolder) {
    const session::InspectApi* inspect = InspectOrSay(context);
    if (inspect == nullptr) return kExitUsage;
    SLIBackupFolder read;
    const std::int32_t rc = inspect->ReadBackupFolder(folder.c_str(), read);
    if (rc != 0) {
        Print(context.err, "stowlark-cli: the folder's Stowlark.dat is " + ReadFailureText(rc) +
                               "; a restore from it would fail.\n");
        return kExitUsage;
    }
    std::string out = "Dry run: nothing is written.\n";
    const std::string preSaved = PreRestoreSaved(context, *inspect, preRestoreFolder);
    std::vector<std::string> scriptIds;
    std::string errors;
    inspect->ScriptIDs(ids.c_str(), scriptIds, errors);
    std::string first;
    for (const std::string& id : scriptIds) {
        if (!SLI_IdListContains(preSaved, id)) first += "  " + PlanHeader(catalogue, id);
    }
    out += "First, the current settings of these components would be saved into " +
           preRestoreFolder + " (for an unrestore):\n" + (first.empty() ? "  none\n" : first);

    out += "\nThen a restore from " + read.folder;
    const std::string unixFolder = UnixFolder(context.prefix, folder);
    if (!unixFolder.empty()) out += " (" + unixFolder + ")";
    out += " would write:\n";

    const std::vector<std::string> order = RecordOrder(read, ids);
    RestoreTotals totals;
    for (const std::string& id : order) {
        out += "\n" + PlanHeader(catalogue, id);
        for (const SLIFileCopies& record : read.fileCopies) {
            if (record.id == id) DescribeCopies(record, out, totals);
        }
        for (const SLIRegistryArchive& record : read.registryArchives) {
            if (record.id == id) DescribeArchive(*inspect, read.folder, record, out, totals);
        }
    }
    if (order.empty()) out += "  nothing: the folder holds no records of these components\n";
    out += "\n" + std::to_string(order.size()) + " component(s): " +
           std::to_string(totals.archives) + " registry archive(s) and " +
           std::to_string(totals.copies) + " file(s) to write.\n";
    if (!context.json) {
        Print(context.out, out);
        return kExitSuccess;
    }
    PrintRestoreJson(context, catalogue, read, preRestoreFolder, scriptIds, order, preSaved);
    return kExitSuccess;
}

}  // namespace sl::cli
