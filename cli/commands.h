// The commands of stowlark-cli. Each returns the program's exit status
// (cli/exit_status.h) and writes its results to context.out, its problems to
// context.err.
#pragma once

#include "cli/cli_context.h"
#include "cli/options.h"

namespace sl::cli {

// list: the catalogue tree with ID, title, installed, typical.
int RunList(const CliContext& context);

// show FOLDER: what a backup folder holds.
int RunShow(const CliContext& context, const std::string& folderArgument);

// verify FOLDER: every backup file named exists, every registry archive loads.
int RunVerify(const CliContext& context, const std::string& folderArgument);

// backup, restore, unrestore, with or without --dry-run.
int RunBackup(const CliContext& context, const CommandLine& line);
int RunRestore(const CliContext& context, const CommandLine& line);
int RunUnrestore(const CliContext& context, const CommandLine& line);

}  // namespace sl::cli
