#include "cli/dry_run.h"
#include "cli/terminal_text.h"

#include <algorithm>
#include <map>
#include <vector>

#include "cli/backup_folder.h"
#include "cli/catalogue_selection.h"
#include "cli/exit_status.h"
#include "cli/folder_argument.h"
#include "cli/json_output.h"
#include "cli/read_only_platform.h"
#include "kernel/interface/kernel.h"
#include "kernel/platform/platform.h"
#include "kernel/resolve/path_text.h"
#include "kernel/script/instruction_list.h"
#include "kernel/script/text_fields.h"
#include "kernel/storage/file_restore.h"
#include "kernel/storage/name_filter.h"
#include "kernel/storage/reg_save_restore.h"

namespace sl::cli {
namespace {

constexpr std::uint32_t kActionScript = 1003;
constexpr int kDepthLimit = 64;

struct FileMatch {
    std::string path;
    std::uint64_t size = 0;
};

// The entries of one folder search, "." and ".." left out.
std::vector<platform::FindData> Search(const std::string& pattern) {
    std::vector<platform::FindData> entries;
    platform::Platform& machine = platform::Current();
    platform::FindHandle handle = 0;
    platform::FindData entry;
    if (machine.FindFirstFile(pattern, &handle, &entry) != 0) return entries;
    do {
        if (entry.name != "." && entry.name != "..") entries.push_back(entry);
        entry = platform::FindData();
    } while (machine.FindNextFile(handle, &entry) == 0);
    machine.FindClose(handle);
    return entries;
}

bool IsFolder(const platform::FindData& entry) {
    return (entry.attributes & platform::kFileAttributeDirectory) != 0;
}

// The files a file instruction would copy from folder: those matching the
// mask, and with recurse those of every subfolder (the first level passing
// the folder lists; names starting with "." and linked folders skipped).
void CollectFiles(const std::string& folder, const FileInstruction& files, bool firstLevel,
                  int depth, std::vector<FileMatch>& out) {
    if (depth > kDepthLimit) return;
    const std::string base = WithTrailingBackslash(folder);
    for (const platform::FindData& entry : Search(base + files.FileMask)) {
        if (!IsFolder(entry)) out.push_back({base + entry.name, entry.size});
    }
    if (files.Recurse == 0) return;
    for (const platform::FindData& entry : Search(base + "*.*")) {
        if (entry.name.empty() || entry.name[0] == '.' || !IsFolder(entry)) continue;
        if ((entry.attributes & platform::kFileAttributeReparsePoint) != 0) continue;
        if (firstLevel && !PassesNameFilter(entry.name, files.IncludeDirs, files.ExcludeDirs)) {
            continue;
        }
        CollectFiles(base + entry.name, files, false, depth + 1, out);
    }
}

std::string Header(const ComponentCatalogue& catalogue, const std::string& token) {
    std::vector<int> ids = IdsOf(token);
    std::string name = ids.empty() ? std::string() : ComponentName(catalogue, ids[0]);
    return token + " " + (name.empty() ? "(not in the catalogue)" : name) + "\n";
}

std::string Bytes(std::uint64_t size) { return std::to_string(size) + " bytes"; }

void DescribeRegistry(const RegInstruction& reg, std::string& out, int* keys) {
    RegRecordList records;
    const std::string key = RootName(static_cast<std::uint32_t>(reg.Root)) + "\\" + reg.KeyPath;
    platform::LONG values = CollectValues(reg.Root, reg.KeyPath, reg.IncludeValues,
                                          reg.ExcludeValues, reg.KeepPathValues, records);
    if (values == platform::kErrorFileNotFound) {
        out += "    registry  " + key + ": not on this machine; an empty archive would be saved\n";
        return;
    }
    CollectSubkeys(reg.Root, reg.KeyPath, reg.IncludeKeys, reg.ExcludeKeys, reg.IncludeValues,
                   reg.ExcludeValues, reg.KeepPathValues, records);
    int valueCount = 0;
    int keyCount = 0;
    for (const auto& record : records) {
        if (record->Kind == CRegContentItem::kKeyRecord) {
            ++keyCount;
        } else {
            ++valueCount;
        }
    }
    ++*keys;
    out += "    registry  " + key + ": " + std::to_string(valueCount) + " values, " +
           std::to_string(keyCount) + " subkeys\n";
}

void DescribeFiles(CSLKernel& kernel, const FileInstruction& files, std::string& out,
                   int* fileCount, std::uint64_t* byteCount) {
    std::string bases = files.PathID != 0 ? kernel.ResolvePathID(files.PathID) : "";
    std::vector<std::string> folders;
    for (std::string rest = bases, one = CutField(rest, ';', false); !one.empty();
         one = CutField(rest, ';', false)) {
        folders.push_back(WithTrailingBackslash(one) + files.SubPath);
    }
    const std::string what = files.FileMask + (files.Recurse != 0 ? ", with subfolders" : "");
    if (folders.empty()) {
        out += "    files     " + what + ": the folder is not known on this machine\n";
        return;
    }
    for (const std::string& folder : folders) {
        std::vector<FileMatch> matches;
        CollectFiles(folder, files, true, 0, matches);
        out += "    files     " + WithTrailingBackslash(folder) + what + ": " +
               std::to_string(matches.size()) + " file(s)\n";
        for (const FileMatch& match : matches) {
            out += "              " + match.path + " (" + Bytes(match.size) + ")\n";
            ++*fileCount;
            *byteCount += match.size;
        }
    }
}

// The instruction IDs of the script among ids, in script order, each once.
std::vector<std::string> ScriptIds(const CSLInstructionList& list) {
    std::vector<std::string> ids;
    for (const auto& item : list.Items) {
        if (std::find(ids.begin(), ids.end(), item->ID) == ids.end()) ids.push_back(item->ID);
    }
    return ids;
}

}  // namespace

int PrintBackupPlan(const CliContext& context, const ComponentCatalogue& catalogue,
                    const std::string& ids, const std::string& folder) {
    ReadOnlyScope readOnly;
    CSLKernel kernel;
    kernel.SetFolder(folder);
    std::string out = "Dry run: nothing is written.\nA backup into " + kernel.Folder;
    const std::string unixFolder = UnixFolder(context.prefix, folder);
    if (!unixFolder.empty()) out += " (" + unixFolder + ")";
    out += " would save:\n";

    Json document;
    document["command"] = "backup";
    document["dryRun"] = true;
    document["prefix"] = context.prefix;
    document["folder"] = FolderJson(context, kernel.Folder);
    document["preRestoreFolder"] = nullptr;
    document["components"] = Json::array();
    document["changed"] = false;
    document["problem"] = nullptr;

    std::string saved;
    if (DoesPathContainSLFiles(kernel.Folder) == 1) {
        const std::int32_t rc = LoadBookkeeping(folder, kernel);
        if (rc != 0) {
            const std::string problem = "The folder's Stowlark.dat is " + ReadFailureText(rc) +
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
        saved = kernel.SavedIDs;
    } else {
        platform::DWORD attributes = 0;
        if (platform::Current().GetFileAttributes(folder, &attributes) != 0) {
            out += "(the folder does not exist yet; it would be created)\n";
        }
    }

    std::string errors;
    CSLInstructionList list(ids, kActionScript, errors);
    int components = 0;
    int skipped = 0;
    int keys = 0;
    int fileCount = 0;
    std::uint64_t byteCount = 0;
    for (const std::string& id : ScriptIds(list)) {
        out += "\n" + Header(catalogue, id);
        Json component = ComponentJson(catalogue, id);
        if (IdListContains(saved, id)) {
            out += "    already in the folder: skipped\n";
            ++skipped;
            component["outcome"] = "skipped";
            document["components"].push_back(std::move(component));
            continue;
        }
        ++components;
        component["outcome"] = "would save";
        document["components"].push_back(std::move(component));
        for (const auto& item : list.Items) {
            if (item->ID != id) continue;
            if (const RegInstruction* reg = item->Reg()) {
                DescribeRegistry(*reg, out, &keys);
            } else if (const FileInstruction* files = item->Files()) {
                DescribeFiles(kernel, *files, out, &fileCount, &byteCount);
            }
        }
    }
    out += "\n" + std::to_string(components) + " component(s) to save: " +
           std::to_string(keys) + " registry key(s), " + std::to_string(fileCount) +
           " file(s) of " + Bytes(byteCount);
    if (skipped != 0) out += "; " + std::to_string(skipped) + " already in the folder";
    out += ".\n";
    if (!errors.empty()) out += "The action script reported:\n" + errors;
    if (context.json) {
        document["changed"] = components != 0;
        if (!errors.empty()) document["problem"] = "The action script reported:\n" + errors;
        PrintJson(context, document);
    } else {
        Print(context.out, out);
    }
    return kExitSuccess;
}

int PrintRestorePlan(const CliContext& context, const ComponentCatalogue& catalogue,
                     const std::string& ids, const std::string& folder,
                     const std::string& preRestoreFolder) {
    ReadOnlyScope readOnly;
    CSLKernel kernel;
    const std::int32_t rc = LoadBookkeeping(folder, kernel);
    if (rc != 0) {
        Print(context.err, "stowlark-cli: the folder's Stowlark.dat is " + ReadFailureText(rc) +
                               "; a restore from it would fail.\n");
        return kExitUsage;
    }
    std::string out = "Dry run: nothing is written.\n";

    // The pre-restore backup: components not yet saved there.
    CSLKernel preRestore;
    std::string preSaved;
    if (DoesPathContainSLFiles(WithTrailingBackslash(preRestoreFolder)) == 1 &&
        LoadBookkeeping(preRestoreFolder, preRestore) == 0) {
        preSaved = preRestore.SavedIDs;
    }
    std::string errors;
    CSLInstructionList list(ids, kActionScript, errors);
    std::string first;
    for (const std::string& id : ScriptIds(list)) {
        if (!IdListContains(preSaved, id)) first += "  " + Header(catalogue, id);
    }
    out += "First, the current settings of these components would be saved into " +
           preRestoreFolder + " (for an unrestore):\n" + (first.empty() ? "  none\n" : first);

    out += "\nThen a restore from " + kernel.Folder;
    const std::string unixFolder = UnixFolder(context.prefix, folder);
    if (!unixFolder.empty()) out += " (" + unixFolder + ")";
    out += " would write:\n";

    // Component by component, in the order of the records.
    std::vector<std::string> order;
    auto note = [&](const std::string& id) {
        if (IdListContains(ids, id) && std::find(order.begin(), order.end(), id) == order.end()) {
            order.push_back(id);
        }
    };
    for (const auto& record : kernel.FileItems) note(record->ID);
    for (const auto& record : kernel.RegItems) note(record->ID);

    int copies = 0;
    int archives = 0;
    for (const std::string& id : order) {
        out += "\n" + Header(catalogue, id);
        for (const auto& record : kernel.FileItems) {
            if (record->ID != id) continue;
            const std::string base =
                record->PathID != 0 ? kernel.ResolvePathID(record->PathID) : std::string();
            if (record->PathID != 0 && base.empty()) {
                out += "    files     the folder is not known on this machine: " +
                       std::to_string(record->BackupFiles.size()) + " file(s) would fail\n";
                continue;
            }
            const std::size_t pairs =
                std::min(record->SourceFiles.size(), record->BackupFiles.size());
            for (std::size_t i = 0; i < pairs; ++i) {
                const std::string& source = record->SourceFiles[i];
                const std::string& backup = record->BackupFiles[i];
                out += "    file      " + Printable(backup) + " -> " + Printable(base + source);
                if (!IsSafeRestorePair(record->PathID, source, backup)) {
                    out += " (refused: it leaves its folder)";
                } else if (const std::int64_t size = BackupFileSize(kernel.Folder, backup);
                           size == kNotAPlainFile) {
                    out += " (the copy is no plain file)";
                } else if (size < 0) {
                    out += " (the copy is missing)";
                } else {
                    ++copies;
                }
                out += "\n";
            }
        }
        for (const auto& record : kernel.RegItems) {
            if (record->ID != id) continue;
            const std::string key = RootName(record->Root) + "\\" + Printable(record->KeyPath);
            RegRecordList records;
            const std::int32_t loaded = IsPlainFileName(record->FileName)
                                            ? LoadRegistryArchive(kernel.Folder + record->FileName,
                                                                  records)
                                            : 2;
            int values = 0;
            for (const auto& item : records) {
                if (item->Kind == CRegContentItem::kValueRecord) ++values;
            }
            out += "    registry  " + Printable(record->FileName) + " -> " + key + ": " +
                   std::to_string(values) + " values, " +
                   std::to_string(records.size() - static_cast<std::size_t>(values)) + " keys";
            if (loaded != 0) {
                out += " (the archive is " + ReadFailureText(loaded) + ")";
            } else {
                ++archives;
            }
            out += "\n";
        }
    }
    if (order.empty()) out += "  nothing: the folder holds no records of these components\n";
    out += "\n" + std::to_string(order.size()) + " component(s): " + std::to_string(archives) +
           " registry archive(s) and " + std::to_string(copies) + " file(s) to write.\n";
    if (!context.json) {
        Print(context.out, out);
        return kExitSuccess;
    }
    Json document;
    document["command"] = "restore";
    document["dryRun"] = true;
    document["prefix"] = context.prefix;
    document["folder"] = FolderJson(context, kernel.Folder);
    document["preRestoreFolder"] = FolderJson(context, preRestoreFolder);
    document["components"] = Json::array();
    for (const std::string& id : ScriptIds(list)) {
        Json component = ComponentJson(catalogue, id);
        const bool written = std::find(order.begin(), order.end(), id) != order.end();
        component["outcome"] = written ? "would restore" : "nothing to restore";
        component["preRestoreCopy"] = written && !IdListContains(preSaved, id);
        document["components"].push_back(std::move(component));
    }
    document["changed"] = !order.empty();
    document["problem"] = nullptr;
    PrintJson(context, document);
    return kExitSuccess;
}

}  // namespace sl::cli
