// backup, restore and unrestore: the component choice through the catalogue,
// the checks the wizard's pages make (folder creation, a folder that holds a
// backup, no Windows program running), then the run page's library calls
// through the shared run sequence, with progress, Ctrl-C and the finish
// report.
#include "cli/catalogue_selection.h"
#include "cli/commands.h"
#include "cli/dry_run.h"
#include "cli/exit_status.h"
#include "cli/finish_report.h"
#include "cli/folder_argument.h"
#include "cli/interruptible_run.h"
#include "cli/json_output.h"
#include "common/session/windows_disk.h"
#include "common/session/folder_path.h"
#include "common/session/run_sequence.h"
#if !defined(_WIN32)
#include "common/session/windows_programs.h"
#endif

namespace sl::cli {
namespace {

const char* Verb(RunKind kind) {
    switch (kind) {
        case RunKind::Backup: return "backup";
        case RunKind::Restore: return "restore";
        case RunKind::Unrestore: return "unrestore";
    }
    return "";
}

const char* Participle(RunKind kind) {
    switch (kind) {
        case RunKind::Backup: return "backing-up";
        case RunKind::Restore: return "restoring";
        case RunKind::Unrestore: return "unrestoring";
    }
    return "";
}

InstalledIDsQuery Query(const CliContext& context) {
    auto installed = context.api.GetInstalledIDsN;
    return [installed](const char* filter) { return installed(filter); };
}

int Fail(const CliContext& context, const std::string& message) {
    Print(context.err, "stowlark-cli: " + message + "\n");
    return kExitUsage;
}

// Checks the rows the command line names, or applies the default choice.
// Returns the ID list, or empty with a message printed.
std::string Choose(const CliContext& context, ComponentCatalogue& catalogue,
                   const CommandLine& line, RunKind kind, const std::string& where) {
    if (line.ids.empty()) {
        catalogue.ApplyPreset(kind == RunKind::Backup && line.preset == Preset::Typical ? 0 : 1);
    } else {
        catalogue.ClearChecks();
        std::vector<int> unknown;
        CheckIds(catalogue, line.ids, &unknown);
        if (!unknown.empty()) {
            std::string list;
            for (int id : unknown) list += (list.empty() ? "" : ", ") + std::to_string(id);
            Fail(context, "no component " + list + " " + where +
                              " (see 'stowlark-cli list' for the IDs).");
            return {};
        }
    }
    std::string ids = SelectedIdList(catalogue);
    if (ids.empty()) {
        Fail(context, std::string("Please select at least one component to ") + Verb(kind) +
                          ". (There is none " + where + ".)");
    }
    return ids;
}

bool RefuseWhileWindowsProgramsRun(const CliContext& context) {
#if defined(_WIN32)
    // Windows itself keeps the registry: a restore writes it live, beside
    // the programs that run, as their own writes do.
    (void)context;
    return false;
#else
    if (!session::WindowsProgramsRunning(context.prefix)) return false;
    Print(context.err, "stowlark-cli: Windows programs are still running on this computer (Wine "
                       "prefix " + context.prefix +
                           ").\nPlease close ALL Windows programs, including task-bar "
                           "applications (or wait for 'wineserver -w'), then try again.\n");
    return true;
#endif
}

// The IDs the folder's bookkeeping file lists as saved; empty when it has
// none or cannot be read.
std::string SavedIn(const CliContext& context, const std::string& folder) {
    std::string saved;
    if (folder.empty() || context.api.DoesPathContainSLFiles(folder.c_str()) == 0) return {};
    if (context.api.GetSavedIDs(folder.c_str(), saved) != 0) return {};
    return saved;
}

const char* DoneWord(RunKind kind) {
    switch (kind) {
        case RunKind::Backup: return "saved";
        case RunKind::Restore: return "restored";
        case RunKind::Unrestore: return "unrestored";
    }
    return "";
}

// The JSON result of a run: every chosen component (not the groups above
// them) with its outcome, and
// whether the run changed anything. A backup's outcome is read back from
// the folder's bookkeeping file, since the library skips what the folder
// already holds; after a stop or a run that did not complete, a restore's
// and an unrestore's remaining components are "unknown" (the library may
// have written part of them), or "not done" when it never began.
Json RunJson(const CliContext& context, const ComponentCatalogue& catalogue,
             const session::RunRequest& request, RunKind kind, const InterruptibleOutcome& run,
             const std::string& savedBefore) {
    const session::RunOutcome& outcome = run.outcome;
    const bool completed = !run.interrupted && outcome.result != 0 && !outcome.skipped;
    const std::string savedAfter =
        kind == RunKind::Backup ? SavedIn(context, request.backupFolder) : std::string();
    Json components = Json::array();
    bool changed = false;
    for (int id : ComponentIds(catalogue, request.selectedIDs)) {
        const std::string token = "'" + std::to_string(id) + "'";
        std::string result;
        if (SLI_IdListContains(outcome.badIDs, token)) {
            result = "failed";
        } else if (outcome.skipped) {
            result = "not done";  // stopped before the library began
        } else if (kind == RunKind::Backup) {
            if (SLI_IdListContains(savedBefore, token)) {
                result = "skipped";
            } else if (SLI_IdListContains(savedAfter, token)) {
                result = "saved";
            } else {
                result = completed ? "failed" : "not done";
            }
        } else {
            result = completed ? DoneWord(kind) : "unknown";
        }
        if (result == DoneWord(kind) || result == "unknown") changed = true;
        Json component = ComponentJson(catalogue, id);
        component["outcome"] = result;
        components.push_back(std::move(component));
    }
    Json document;
    document["command"] = Verb(kind);
    document["dryRun"] = false;
    // With a Windows disk there is no prefix: the disk is named instead.
    document["prefix"] = context.windowsDisk.empty() ? Json(context.prefix) : Json();
    if (!context.windowsDisk.empty()) document["windowsDisk"] = context.windowsDisk;
    document["folder"] =
        request.backupFolder.empty() ? Json() : FolderJson(context, request.backupFolder);
    document["preRestoreFolder"] =
        kind == RunKind::Backup ? Json() : FolderJson(context, session::PreRestoreFolder());
    document["components"] = std::move(components);
    document["changed"] = changed;
    document["completed"] = completed;
    document["interrupted"] = run.interrupted;
    document["undoCopyMissing"] = outcome.undoCopyMissing;
    document["log"] = LogLocation(context);
    return document;
}

int Execute(const CliContext& context, const ComponentCatalogue& catalogue,
            const session::RunRequest& request, RunKind kind) {
    const std::string savedBefore =
        kind == RunKind::Backup ? SavedIn(context, request.backupFolder) : std::string();
    const bool json = context.json;
    ProgressDisplay display(
        [&](const std::string& text) {
            if (!json) Print(context.out, text);
        },
        context.terminal && !json, kind == RunKind::Restore);
    display.Note(std::string("Stowlark is currently ") + Participle(kind) + " your preferences.");
    session::RunSequence sequence(context.api);
    InterruptibleOutcome run = RunInterruptibly(sequence, request, display);
    const session::RunOutcome& outcome = run.outcome;

    if (outcome.undoCopyMissing) {
        Print(context.err, "Warning: the pre-restore folder " + session::PreRestoreFolder() +
                               " could not be created (error " +
                               std::to_string(outcome.undoCopyError) +
                               "); this restore cannot be undone with unrestore.\n");
    }
    const bool failed = !outcome.badIDs.empty() || outcome.result == 0;
    if (json) {
        PrintJson(context, RunJson(context, catalogue, request, kind, run, savedBefore));
    } else {
        std::string out = "\n" + ClosingMessage(kind);
        const std::string report = FinishReport(catalogue, outcome.badIDs, run.interrupted);
        if (!report.empty()) out += "\n" + report;
        if (!run.interrupted && failed && outcome.badIDs.empty()) {
            out += "\nThe run did not complete; the log names the error.\n";
        }
        const std::string log = LogLocation(context);
        out += log.empty() ? "\nLog: none (no folder for the log can be written)\n"
                           : "\nLog: " + log + "\n";
        Print(context.out, out);
    }
    if (run.interrupted) return kExitInterrupted;
    return failed ? kExitFailed : kExitSuccess;
}

// The components saved in folder, for a catalogue cut down to them.
bool SavedList(const CliContext& context, const std::string& folder, std::string* saved) {
    const std::int32_t rc = context.api.GetSavedIDs(folder.c_str(), *saved);
    if (rc == 0) return true;
    Fail(context, "the Stowlark.dat of " + folder + " cannot be read (error " +
                      std::to_string(rc) + ").");
    return false;
}

// Names the components the folder holds that this machine's catalogue does
// not offer (their application is not installed here), so that a default
// restore does not leave them out unsaid.
void NoteLeftOut(const CliContext& context, const ComponentCatalogue& offered,
                 const std::string& saved) {
    auto all = MakeCatalogue({});
    std::string names;
    for (int id : IdsOf(saved)) {
        int menu = -1;
        int position = -1;
        if (FindRow(offered, id, &menu, &position)) continue;
        const std::string name = ComponentName(*all, id);
        if (!name.empty()) names += "  '" + std::to_string(id) + "' " + name + "\n";
    }
    if (!names.empty()) {
        Print(context.err, "Not offered, since the application is not installed here:\n" + names);
    }
}

}  // namespace

int RunBackup(const CliContext& context, const CommandLine& line) {
    std::string error;
    const std::string folder = DosFolder(context.prefix, line.folder, &error);
    if (folder.empty()) return Fail(context, error);
    if (!context.windowsDisk.empty() && session::OnTheDisk(folder)) {
        return Fail(context, "the backup folder " + line.folder + " lies on the Windows disk " +
                                 context.windowsDisk +
                                 ", which is only read; choose a folder elsewhere.");
    }

    auto catalogue = MakeCatalogue(Query(context));
    const std::string ids = Choose(context, *catalogue, line, RunKind::Backup,
                                   "is installed on this machine");
    if (ids.empty()) return kExitUsage;
    if (line.dryRun) return PrintBackupPlan(context, *catalogue, ids, folder);

    // As the folder page: an existing entry of that name is taken, else the
    // folder is created level by level. An existing file is refused here,
    // since every component would fail to be written into it.
    if (session::EntryFound(folder)) {
        std::uint32_t attributes = 0;
        if (session::FileAttributes(folder, &attributes) == 0 &&
            (attributes & session::kFileAttributeDirectory) == 0) {
            return Fail(context, folder + " is a file, not a folder.");
        }
    } else if (const std::uint32_t rc = session::CreateFolderPath(folder); rc != 0) {
        return Fail(context, "Error creating directory. (" + folder + ", error " +
                                 std::to_string(rc) + ")");
    }

    session::RunRequest request;
    request.wizardMode = session::WizardMode::Backup;
    request.restoreMode = session::RestoreMode::NotChosen;
    request.backupFolder = folder;
    request.selectedIDs = ids;
    return Execute(context, *catalogue, request, RunKind::Backup);
}

int RunRestore(const CliContext& context, const CommandLine& line) {
    std::string error;
    const std::string folder = DosFolder(context.prefix, line.folder, &error);
    if (folder.empty()) return Fail(context, error);
    if (context.api.DoesPathContainSLFiles(folder.c_str()) == 0) {
        return Fail(context, "The directory you selected does not contain Stowlark backup "
                             "files.\n(" + folder + " holds no Stowlark.dat.)");
    }
    std::string saved;
    if (!SavedList(context, folder, &saved)) return kExitUsage;
    auto catalogue = MakeCatalogue(Query(context), &saved);
    NoteLeftOut(context, *catalogue, saved);
    const std::string ids = Choose(context, *catalogue, line, RunKind::Restore,
                                   "in this backup folder whose application is installed here");
    if (ids.empty()) return kExitUsage;
    if (line.dryRun) {
        return PrintRestorePlan(context, *catalogue, ids, folder, session::PreRestoreFolder());
    }
    if (RefuseWhileWindowsProgramsRun(context)) return kExitUsage;

    session::RunRequest request;
    request.wizardMode = session::WizardMode::Restore;
    request.restoreMode = session::RestoreMode::Restore;
    request.backupFolder = folder;
    request.selectedIDs = ids;
    return Execute(context, *catalogue, request, RunKind::Restore);
}

int RunUnrestore(const CliContext& context, const CommandLine& line) {
    const std::string preRestore = session::PreRestoreFolder();
    if (context.api.DoesPathContainSLFiles(preRestore.c_str()) == 0) {
        return Fail(context, "nothing has been restored on this machine (" + preRestore +
                                 " holds no Stowlark.dat).");
    }
    std::string saved;
    if (!SavedList(context, preRestore, &saved)) return kExitUsage;
    auto catalogue = MakeCatalogue(Query(context), &saved);
    const std::string ids = Choose(context, *catalogue, line, RunKind::Unrestore,
                                   "restored on this machine");
    if (ids.empty()) return kExitUsage;
    if (RefuseWhileWindowsProgramsRun(context)) return kExitUsage;

    session::RunRequest request;
    request.wizardMode = session::WizardMode::Restore;
    request.restoreMode = session::RestoreMode::Unrestore;
    request.selectedIDs = ids;
    return Execute(context, *catalogue, request, RunKind::Unrestore);
}

}  // namespace sl::cli
