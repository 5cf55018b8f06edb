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
#include "cli/read_only_platform.h"

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

void ListComponents(const ComponentCatalogue& catalogue, const std::string& heading,
                    const std::string& idList, std::string& out) {
    std::vector<int> ids = IdsOf(idList);
    out += heading + " (" + std::to_string(ids.size()) + "):\n";
    if (ids.empty()) out += "  none\n";
    for (int id : ids) {
        const std::string token = "'" + std::to_string(id) + "'";
        out += "  " + IdLabel(token) + NameOf(catalogue, token) + "\n";
    }
}

std::string SizeText(std::int64_t size) {
    if (size == kNotAPlainFile) return " not plain";
    if (size < 0) return "   missing";
    std::string text = std::to_string(size);
    return std::string(text.size() < 10 ? 10 - text.size() : 0, ' ') + text;
}

std::string FileLabel(const std::string& name) {
    std::string label = Printable(name);
    if (label.size() < 8) label.resize(8, ' ');
    return label;
}

}  // namespace

int RunShow(const CliContext& context, const std::string& folderArgument) {
    std::string error;
    const std::string folder = DosFolder(context.prefix, folderArgument, &error);
    if (folder.empty()) {
        Print(context.err, "stowlark-cli: " + error + "\n");
        return kExitUsage;
    }
    if (context.api.DoesPathContainSLFiles(folder.c_str()) == 0) {
        Print(context.err, "stowlark-cli: " + folder +
                               " is not a Stowlark backup folder (it holds no Stowlark.dat).\n");
        return kExitUsage;
    }

    ReadOnlyScope readOnly;
    CSLKernel kernel;
    const std::int32_t rc = LoadBookkeeping(folder, kernel);
    auto catalogue = MakeCatalogue({});

    std::string out = "Backup folder " + Printable(kernel.Folder);
    const std::string unixFolder = UnixFolder(context.prefix, folder);
    if (!unixFolder.empty()) out += " (" + Printable(unixFolder) + ")";
    out += "\n";
    if (rc != 0) {
        out += "Warning: Stowlark.dat is " + ReadFailureText(rc) +
               "; what follows is what could be read.\n";
    }
    out += "\n";
    ListComponents(*catalogue, "Saved components", kernel.SavedIDs, out);
    out += "\n";
    ListComponents(*catalogue, "Restored components", kernel.RestoredIDs, out);

    std::int64_t total = 0;
    int files = 0;
    auto count = [&](std::int64_t size) {
        ++files;
        if (size > 0) total += size;
    };

    out += "\nRegistry archives (" + std::to_string(kernel.RegItems.size()) + "):\n";
    for (const auto& record : kernel.RegItems) {
        const std::int64_t size = BackupFileSize(kernel.Folder, record->FileName);
        count(size);
        out += "  " + FileLabel(record->FileName) + SizeText(size) + " bytes  " +
               IdLabel(record->ID) + RootName(record->Root) + "\\" + Printable(record->KeyPath) + "\n";
    }

    out += "\nFile copies (" + std::to_string(kernel.FileItems.size()) + " sets):\n";
    for (const auto& record : kernel.FileItems) {
        std::string from = record->PathID != 0 ? kernel.ResolvePathID(record->PathID) : "";
        out += "  " + IdLabel(record->ID) + NameOf(*catalogue, record->ID);
        out += from.empty() ? std::string(":\n") : ", from " + Printable(from) + ":\n";
        if (record->BackupFiles.empty()) out += "    no files\n";
        for (std::size_t i = 0; i < record->BackupFiles.size(); ++i) {
            const std::string& backup = record->BackupFiles[i];
            const std::int64_t size = BackupFileSize(kernel.Folder, backup);
            count(size);
            const std::string source =
                i < record->SourceFiles.size() ? record->SourceFiles[i] : "(no source recorded)";
            out += "    " + FileLabel(backup) + SizeText(size) + " bytes  " + Printable(source) + "\n";
        }
    }
    out += "\n" + std::to_string(files) + " backup files, " + std::to_string(total) +
           " bytes; the last number used is " + std::to_string(kernel.BackupCounter) + ".\n";
    Print(context.out, out);
    return rc == 0 ? kExitSuccess : kExitFailed;
}

}  // namespace sl::cli
