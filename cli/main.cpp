// stowlark-cli: the command-line front end of Stowlark. It chooses the Wine
// prefix, loads the kernel library and binds its exports (as the wizard
// does), then runs one command.
#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include <string>
#include <vector>

#include "cli/cli_context.h"
#include "cli/commands.h"
#include "cli/completion.h"
#include "cli/exit_status.h"
#include "cli/help_text.h"
#include "cli/json_output.h"
#include "cli/options.h"
#include "common/session/kernel_binding.h"
#if !defined(_WIN32)
#include "cli/prefix_argument.h"
#include "common/session/windows_disk.h"
#include "common/session/prefix_choice.h"
#endif

namespace {

using namespace sl::cli;

#if defined(_WIN32)
// The Windows build works on the computer it runs on: there is no Wine
// prefix to choose or list.
constexpr const char* kNoPrefixesHere =
    "stowlark-cli: Wine prefixes exist only for the Linux build; on Windows stowlark-cli works "
    "on this computer's own registry and folders (no 'prefixes', no --prefix).\n";

bool IsTerminal() { return ::_isatty(::_fileno(stdout)) != 0; }
#else
bool IsTerminal() { return ::isatty(STDOUT_FILENO) != 0; }

// Sets WINEPREFIX for this process (and so for the library) before anything
// touches the machine. Returns the prefix, or empty with a message printed.
std::string ChoosePrefix(const CommandLine& line) {
    if (!line.prefix.empty()) {
        std::string error;
        const std::string folder = ResolvePrefixArgument(
            line.prefix, sl::session::FindPrefixes(sl::session::ProcessFinderEnvironment()),
            &error);
        if (folder.empty()) {
            Print(stderr, "stowlark-cli: " + error + "\n");
            return {};
        }
        sl::session::UsePrefix(folder);
        return folder;
    }
    sl::session::PrefixChoice choice = sl::session::ChoosePrefix();
    if (choice.path.empty()) {
        Print(stderr, "stowlark-cli: " + choice.error + "\n");
        if (choice.notAPrefix) {
            Print(stderr, "Name another prefix with --prefix; 'stowlark-cli prefixes' lists "
                          "the prefixes found.\n");
        }
        return {};
    }
    if (choice.scratchDemo) {
        Print(stderr, "stowlark-cli: no Wine prefix is set up (no WINEPREFIX, no ~/.wine); "
                      "working on a scratch copy of the demo machine in " +
                          choice.path + "\n");
    }
    return choice.path;
}

// The prefixes command: the prefixes found, as lines or JSON.
int RunPrefixes(const CommandLine& line) {
    const auto found = sl::session::FindPrefixes(sl::session::ProcessFinderEnvironment());
    if (line.json) {
        CliContext context;
        PrintJson(context, PrefixesJson(found));
        return kExitSuccess;
    }
    if (found.empty()) Print(stderr, "stowlark-cli: no Wine prefix was found.\n");
    Print(stdout, PrefixLines(found));
    return kExitSuccess;
}

// Makes the Windows disk of --windows-disk, or else the prefix, the machine
// the libraries work on, and names it in context (disk keeps the disk's
// drives alive). -1 to go on; otherwise the exit status, for the users
// command (answered here) and for a disk or prefix that cannot be used.
int ChooseMachine(const CommandLine& line, CliContext& context, sl::session::WindowsDisk& disk) {
    if (line.windowsDisk.empty()) {
        context.prefix = ChoosePrefix(line);
        return context.prefix.empty() ? kExitUsage : -1;
    }
    // A Windows disk instead of a prefix: the library reads it, and folders
    // take their DOS form through its drives (C: the disk, Z: /).
    disk = sl::session::OpenWindowsDisk(line.windowsDisk, line.windowsUser, line.command != Command::Users);
    if (!disk.error.empty()) {
        Print(stderr, "stowlark-cli: " + disk.error + "\n");
        return kExitUsage;
    }
    if (line.command == Command::Users) {
        if (line.json) {
            PrintJson(context, UsersJson(disk));
        } else {
            if (disk.profiles.empty()) Print(stderr, "stowlark-cli: no user profile was found.\n");
            Print(stdout, sl::session::UserLines(disk));
        }
        return kExitSuccess;
    }
    sl::session::UseWindowsDisk(disk);
    context.prefix = disk.drives->folder();
    context.windowsDisk = disk.root;
    return -1;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    ParsedCommandLine parsed = ParseCommandLine(args);
    const CommandLine& line = parsed.line;
    if (line.help) {
        Print(stdout, HelpText());
        return kExitSuccess;
    }
    if (line.version) {
        Print(stdout, VersionText());
        return kExitSuccess;
    }
    if (!parsed.error.empty()) {
        Print(stderr, "stowlark-cli: " + parsed.error +
                          "\nTry 'stowlark-cli --help' for more information.\n");
        return kExitUsage;
    }

    if (line.command == Command::Completion) {
        Print(stdout, CompletionScript(line.folder));
        return kExitSuccess;
    }
#if defined(_WIN32)
    if (line.command == Command::Prefixes || !line.prefix.empty()) {
        Print(stderr, kNoPrefixesHere);
        return kExitUsage;
    }
    CliContext context;
#else
    if (line.command == Command::Prefixes) return RunPrefixes(line);
    CliContext context;
    sl::session::WindowsDisk disk;
    if (const int status = ChooseMachine(line, context, disk); status >= 0) return status;
#endif

    sl::session::KernelBinding kernel;
    if (!kernel.Load()) {
        Print(stderr, "stowlark-cli: " + kernel.Error() + "\n");
        return kExitUsage;
    }
    context.api = kernel.Api();
    context.libraryPath = kernel.LibraryPath();
    context.terminal = IsTerminal();
    context.json = line.json;
    // Every command but list looks at folders or the prefix through the
    // inspect library, loaded only then.
    if (line.command != Command::List && InspectOrSay(context) == nullptr) return kExitUsage;

    switch (line.command) {
        case Command::List: return RunList(context);
        case Command::Backup: return RunBackup(context, line);
        case Command::Restore: return RunRestore(context, line);
        case Command::Unrestore: return RunUnrestore(context, line);
        case Command::Show: return RunShow(context, line.folder);
        case Command::Verify: return RunVerify(context, line.folder);
        case Command::Prefixes:
        case Command::Completion:
        case Command::Users:
        case Command::None: break;
    }
    return kExitUsage;
}
