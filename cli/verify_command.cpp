// verify FOLDER: exit status 0 only when every backup file the bookkeeping
// file names is there and every registry archive loads completely; every
// problem is named.
#include "cli/backup_folder.h"
#include "cli/terminal_text.h"
#include "cli/catalogue_selection.h"
#include "cli/commands.h"
#include "cli/exit_status.h"
#include "cli/folder_argument.h"
#include "cli/folder_check.h"
#include "cli/json_output.h"

namespace sl::cli {

int RunVerify(const CliContext& context, const std::string& folderArgument) {
    NamedFolder named;
    if (!ReadNamedFolder(context, folderArgument, named)) return kExitUsage;
    const session::InspectApi* inspect = named.inspect;
    const SLIBackupFolder& read = named.read;
    const std::int32_t rc = named.rc;
    auto catalogue = MakeCatalogue({});
    FolderCheck check = CheckFolder(read, *catalogue, *inspect);
    if (rc != 0) {
        check.problems.insert(check.problems.begin(),
                              "Stowlark.dat is " + ReadFailureText(rc) +
                                  "; only the records before the damage were checked");
    }

    std::size_t copies = 0;
    for (const SLIFileCopies& record : read.fileCopies) copies += record.backupFiles.size();
    if (context.json) {
        Json document;
        document["folder"] = FolderJson(context, read.folder);
        document["complete"] = check.problems.empty();
        document["problems"] = check.problems;
        document["registryArchives"] = {{"total", read.registryArchives.size()},
                                        {"sound", check.registryArchives}};
        document["fileCopies"] = {{"total", copies}, {"present", check.fileCopies}};
        PrintJson(context, document);
        return check.problems.empty() ? kExitSuccess : kExitFailed;
    }

    std::string out = "Verifying " + Printable(read.folder) + "\n";
    for (const std::string& problem : check.problems) out += "Problem: " + Printable(problem) + "\n";
    out += std::to_string(check.registryArchives) + " of " +
           std::to_string(read.registryArchives.size()) + " registry archives load completely; ";
    out += std::to_string(check.fileCopies) + " of " + std::to_string(copies) +
           " file copies are there.\n";
    if (check.problems.empty()) {
        out += "The backup folder is complete.\n";
        Print(context.out, out);
        return kExitSuccess;
    }
    out += std::to_string(check.problems.size()) + " problem(s) found.\n";
    Print(context.out, out);
    return kExitFailed;
}

}  // namespace sl::cli
