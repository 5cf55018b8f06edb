// The command line of stowlark-cli, parsed into one request.
//
//   stowlark-cli [--prefix DIR] COMMAND [ARGUMENTS] [OPTIONS]
//   stowlark-cli --windows-disk DIR [--windows-user NAME] list|backup|show|verify|users ...
//
// Options may stand before or after the command; "--" ends the options.
// --prefix DIR or NAME (or --prefix=DIR), --dry-run (-n) for backup and restore,
// --typical and --all for backup, --json for every command but completion,
// --help (-h) and --version anywhere. --windows-disk DIR (a mounted Windows
// system partition, read-only) replaces the prefix for list, backup, show,
// verify and users; --windows-user NAME chooses its profile. "completion SHELL" prints a shell's
// completion script.
#pragma once

#include <string>
#include <vector>

namespace sl::cli {

enum class Command { None, List, Backup, Restore, Unrestore, Show, Verify, Prefixes, Completion, Users };

// How a backup chooses its components when no ID is given.
enum class Preset { Typical, All, Ids };

struct CommandLine {
    Command command = Command::None;
    std::string folder;     // FOLDER of backup, restore, show, verify; SHELL of completion
    std::vector<int> ids;   // component IDs named on the command line, in order
    Preset preset = Preset::Typical;  // backup only; Ids when IDs were named
    std::string prefix;     // --prefix (a folder or a prefix name); empty when not given
    std::string windowsDisk;  // --windows-disk DIR; empty when not given
    std::string windowsUser;  // --windows-user NAME; empty when not given
    bool dryRun = false;
    bool json = false;      // --json: one JSON document on standard output instead of text
    bool help = false;      // --help: print the manual, nothing else
    bool version = false;   // --version
};

struct ParsedCommandLine {
    CommandLine line;
    std::string error;  // empty when the command line is valid
};

// Parses the arguments (without the program name). A command line that asks
// for --help or --version is valid whatever else it holds. Otherwise the
// error names the first problem: no or unknown command, a missing or
// surplus argument, an unknown option, an option the command does not take,
// --typical/--all together or with IDs, an ID that is not a number from 1
// to 32767 (written N or 'N'), --windows-disk with --prefix, with restore
// or unrestore (a disk is only read), or missing for users or
// --windows-user.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The command's name as typed ("backup"); "" for None.
const char* CommandName(Command command);

}  // namespace sl::cli
