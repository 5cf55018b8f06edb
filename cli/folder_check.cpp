#include "cli/folder_check.h"

#include "cli/backup_folder.h"
#include "cli/catalogue_selection.h"
#include "kernel/storage/file_restore.h"

namespace sl::cli {
namespace {

std::string Component(const ComponentCatalogue& catalogue, const std::string& token) {
    std::vector<int> ids = IdsOf(token);
    std::string name = ids.empty() ? std::string() : ComponentName(catalogue, ids[0]);
    return "component " + token + (name.empty() ? std::string() : " " + name);
}

}  // namespace

FolderCheck CheckFolder(const CSLKernel& kernel, const ComponentCatalogue& catalogue) {
    FolderCheck check;
    const std::string& folder = kernel.Folder;

    for (const auto& record : kernel.RegItems) {
        const std::string key = RootName(record->Root) + "\\" + record->KeyPath;
        const std::string owner = " (registry archive of " + Component(catalogue, record->ID) +
                                  ", " + key + ")";
        if (!IsPlainFileName(record->FileName)) {
            check.problems.push_back("the registry archive name '" + record->FileName +
                                     "' is not a file of the folder" + owner);
            continue;
        }
        const std::int64_t size = BackupFileSize(folder, record->FileName);
        if (size == kNotAPlainFile) {
            check.problems.push_back(record->FileName +
                                     " is no plain file (a link, FIFO or device)" + owner);
            continue;
        }
        if (size < 0) {
            check.problems.push_back(record->FileName + " is missing" + owner);
            continue;
        }
        RegRecordList records;
        const std::int32_t rc = LoadRegistryArchive(folder + record->FileName, records);
        if (rc != 0) {
            check.problems.push_back(record->FileName + " does not load completely: it is " +
                                     ReadFailureText(rc) + owner);
            continue;
        }
        int outside = 0;
        for (const auto& item : records) {
            if (item->Root != record->Root || !IsAtOrBelow(item->KeyPath, record->KeyPath)) {
                ++outside;
            }
        }
        if (outside != 0) {
            check.problems.push_back(record->FileName + " holds " + std::to_string(outside) +
                                     " record(s) outside " + key +
                                     ", which a restore refuses" + owner);
            continue;
        }
        ++check.registryArchives;
    }

    for (const auto& record : kernel.FileItems) {
        const std::string owner = " (file copies of " + Component(catalogue, record->ID) + ")";
        if (record->SourceFiles.size() != record->BackupFiles.size()) {
            check.problems.push_back("the record names " +
                                     std::to_string(record->SourceFiles.size()) +
                                     " source files but " +
                                     std::to_string(record->BackupFiles.size()) + " copies" +
                                     owner);
        }
        const std::size_t pairs = std::min(record->SourceFiles.size(), record->BackupFiles.size());
        for (std::size_t i = 0; i < pairs; ++i) {
            const std::string& source = record->SourceFiles[i];
            const std::string& backup = record->BackupFiles[i];
            if (!IsSafeRestorePair(record->PathID, source, backup)) {
                check.problems.push_back("the pair " + backup + " -> " + source +
                                         " leaves its folder, which a restore refuses" + owner);
                continue;
            }
            const std::int64_t size = BackupFileSize(folder, backup);
            if (size == kNotAPlainFile) {
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
