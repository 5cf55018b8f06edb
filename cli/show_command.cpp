// show FOLDER: what a backup folder holds, from its bookkeeping file: the
// saved and the restored components by title, every registry archive with
// its key, every set of file copies with their source files, and the size
// of each backup file.
#include "cli/backup_folder.h"
#include "cli/terminal_text.h"
#include "cli/catalogue_selection.h"
#include "cli/commands.h"
#include "cli/exit_status.h"
#include "cli/folder_argument.h"
#include "cli/json_output.h"

namespace sl::cli {
namespace {

std::string IdLabel(const std::string& token) {
    std::string label = Printable(token);
    if (label.size() < 6) label.resize(6, ' ');
    return label;
}

std::string NameOf(const ComponentCatalogue& catalogue, const std::string& token) {
    std::vector<int> ids = IdsOf(token);
    std::string name = ids.empty() ? std::string() : ComponentName(catalogue, ids[0]);
    return name.empty() ? "(not in the catalogue)" : name;
}

Json ListComponents(const ComponentCatalogue& catalogue, const std::string& heading,
                    const std::string& idList, std::string& out) {
    std::vector<int> ids = IdsOf(idList);
    Json list = Json::array();
    out += heading + " (" + std::to_string(ids.size()) + "):\n";
    if (ids.empty()) out += "  none\n";
    for (int id : ids) {
        const std::string token = "'" + std::to_string(id) + "'";
        out += "  " + IdLabel(token) + NameOf(catalogue, token) + "\n";
        list.push_back(ComponentJson(catalogue, id));
    }
    return list;
}

Json SizeJson(std::int64_t size) { return size < 0 ? Json() : Json(size); }

std::string SizeText(std::int64_t size) {
    if (size == SLI_NOT_A_PLAIN_FILE) return " not plain";
    if (size < 0) return "   missing";
    std::string text = std::to_string(size);
    return std::string(text.size() < 10 ? 10 - text.size() : 0, ' ') + text;
}

std::string FileLabel(const std::string& name) {
    std::string label = Printable(name);
    if (label.size() < 8) label.resize(8, ' ');
    return label;
}

// Every backup file counted, with the bytes of those that are there.
struct Totals {
    std::int64_t bytes = 0;
    int files = 0;
    void Count(std::int64_t size) {
        ++files;
        if (size > 0) bytes += size;
    }
};

Json ListArchives(const ComponentCatalogue& catalogue, const SLIBackupFolder& read,
                  Totals& totals, std::string& out) {
    Json archives = Json::array();
    out += "\nRegistry archives (" + std::to_string(read.registryArchives.size()) + "):\n";
    for (const SLIRegistryArchive& record : read.registryArchives) {
        totals.Count(record.size);
        Json archive = ComponentJson(catalogue, record.id);
        archive["file"] = record.fileName;
        archive["size"] = SizeJson(record.size);
        archive["key"] = RootName(record.root) + "\\" + record.keyPath;
        archives.push_back(std::move(archive));
        out += "  " + FileLabel(record.fileName) + SizeText(record.size) + " bytes  " +
               IdLabel(record.id) + RootName(record.root) + "\\" + Printable(record.keyPath) + "\n";
    }
    return archives;
}

Json ListFileCopies(const ComponentCatalogue& catalogue, const SLIBackupFolder& read,
                    Totals& totals, std::string& out) {
    Json sets = Json::array();
    out += "\nFile copies (" + std::to_string(read.fileCopies.size()) + " sets):\n";
    for (const SLIFileCopies& record : read.fileCopies) {
        const std::string& from = record.from;
        Json set = ComponentJson(catalogue, record.id);
        set["from"] = from.empty() ? Json() : Json(from);
        set["files"] = Json::array();
        out += "  " + IdLabel(record.id) + NameOf(catalogue, record.id);
        out += from.empty() ? std::string(":\n") : ", from " + Printable(from) + ":\n";
        if (record.backupFiles.empty()) out += "    no files\n";
        for (std::size_t i = 0; i < record.backupFiles.size(); ++i) {
            const std::string& backup = record.backupFiles[i];
            const std::int64_t size = record.backupSizes[i];
            totals.Count(size);
            const std::string source =
                i < record.sourceFiles.size() ? record.sourceFiles[i] : "(no source recorded)";
            out += "    " + FileLabel(backup) + SizeText(size) + " bytes  " + Printable(source) + "\n";
            Json file;
            file["file"] = backup;
            file["size"] = SizeJson(size);
            file["source"] = i < record.sourceFiles.size() ? Json(source) : Json();
            set["files"].push_back(std::move(file));
        }
        sets.push_back(std::move(set));
    }
    return sets;
}

}  // namespace

int RunShow(const CliContext& context, const std::string& folderArgument) {
    NamedFolder named;
    if (!ReadNamedFolder(context, folderArgument, named)) return kExitUsage;
    const std::string& folder = named.folder;
    const SLIBackupFolder& read = named.read;
    const std::int32_t rc = named.rc;
    auto catalogue = MakeCatalogue({});

    Json document;
    document["folder"] = FolderJson(context, read.folder);
    document["bookkeeping"] = rc == 0 ? Json("sound") : Json(ReadFailureText(rc));
    std::string out = "Backup folder " + Printable(read.folder);
    const std::string unixFolder = UnixFolder(context.prefix, folder);
    if (!unixFolder.empty()) out += " (" + Printable(unixFolder) + ")";
    out += "\n";
    if (rc != 0) {
        out += "Warning: Stowlark.dat is " + ReadFailureText(rc) +
               "; what follows is what could be read.\n";
    }
    out += "\n";
    document["saved"] = ListComponents(*catalogue, "Saved components", read.savedIDs, out);
    out += "\n";
    document["restored"] =
        ListComponents(*catalogue, "Restored components", read.restoredIDs, out);

    Totals totals;
    document["registryArchives"] = ListArchives(*catalogue, read, totals, out);
    document["fileCopies"] = ListFileCopies(*catalogue, read, totals, out);
    document["backupFiles"] = totals.files;
    document["bytes"] = totals.bytes;
    document["lastNumber"] = read.backupCounter;
    out += "\n" + std::to_string(totals.files) + " backup files, " +
           std::to_string(totals.bytes) + " bytes; the last number used is " +
           std::to_string(read.backupCounter) + ".\n";
    if (context.json) {
        PrintJson(context, document);
    } else {
        Print(context.out, out);
    }
    return rc == 0 ? kExitSuccess : kExitFailed;
}

}  // namespace sl::cli
