#include "cli/folder_check.h"

#include "cli/backup_folder.h"
#include "cli/catalogue_selection.h"

namespace sl::cli {
namespace {

std::string Component(const ComponentCatalogue& catalogue, const std::string& token) {
    std::vector<int> ids = IdsOf(token);
    std::string name = ids.empty() ? std::string() : ComponentName(catalogue, ids[0]);
    return "component " + token + (name.empty() ? std::string() : " " + name);
}

// One registry archive: true when it loads completely and holds nothing
// outside its key; else its problem is added.
bool CheckArchive(const std::string& folder, const SLIRegistryArchive& record,
                  const ComponentCatalogue& catalogue, const session::InspectApi& inspect,
                  std::vector<std::string>& problems) {
    const std::string key = RootName(record.root) + "\\" + record.keyPath;
    const std::string owner =
        " (registry archive of " + Component(catalogue, record.id) + ", " + key + ")";
    if (!record.plainName) {
        problems.push_back("the registry archive name '" + record.fileName +
                           "' is not a file of the folder" + owner);
        return false;
    }
    if (record.size == SLI_NOT_A_PLAIN_FILE) {
        problems.push_back(record.fileName + " is no plain file (a link, FIFO or device)" + owner);
        return false;
    }
    if (record.size < 0) {
        problems.push_back(record.fileName + " is missing" + owner);
        return false;
    }
    SLIArchiveContents contents;
    const std::int32_t rc = inspect.ReadRegistryArchive((folder + record.fileName).c_str(),
                                                         record.root, record.keyPath.c_str(),
                                                         contents);
    if (rc != 0) {
        problems.push_back(record.fileName + " does not load completely: it is " +
                           ReadFailureText(rc) + owner);
        return false;
    }
    if (contents.outside != 0) {
        problems.push_back(record.fileName + " holds " + std::to_string(contents.outside) +
                           " record(s) outside " + key + ", which a restore refuses" + owner);
        return false;
    }
    return true;
}

}  // namespace

FolderCheck CheckFolder(const SLIBackupFolder& folder, const ComponentCatalogue& catalogue,
                        const session::InspectApi& inspect) {
    FolderCheck check;
    for (const SLIRegistryArchive& record : folder.registryArchives) {
        if (CheckArchive(folder.folder, record, catalogue, inspect, check.problems)) {
            ++check.registryArchives;
        }
    }

    for (const SLIFileCopies& record : folder.fileCopies) {
        const std::string owner = " (file copies of " + Component(catalogue, record.id) + ")";
        if (record.sourceFiles.size() != record.backupFiles.size()) {
            check.problems.push_back("the record names " +
                                     std::to_string(record.sourceFiles.size()) +
                                     " source files but " +
                                     std::to_string(record.backupFiles.size()) + " copies" +
                                     owner);
        }
        for (std::size_t i = 0; i < record.safePairs.size(); ++i) {
            const std::string& source = record.sourceFiles[i];
            const std::string& backup = record.backupFiles[i];
            if (record.safePairs[i] == 0) {
                check.problems.push_back("the pair " + backup + " -> " + source +
                                         " leaves its folder, which a restore refuses" + owner);
                continue;
            }
            const std::int64_t size = record.backupSizes[i];
            if (size == SLI_NOT_A_PLAIN_FILE) {
                check.problems.push_back(backup + " is no plain file (a link, FIFO or device), "
                                         "the copy of " + source + owner);
                continue;
            }
            if (size < 0) {
                check.problems.push_back(backup + " is missing, the copy of " + source + owner);
                continue;
            }
            ++check.fileCopies;
        }
    }
    return check;
}

}  // namespace sl::cli
