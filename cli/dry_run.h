// The dry runs of backup and restore: what a run would save or write,
// component by component, worked out with the kernel's own script parser,
// folder resolution, registry reader and bookkeeping code on a read-only
// view of the machine. They change nothing: not the prefix, not the backup
// folder, not the log.
#pragma once

#include <string>

#include "cli/cli_context.h"
#include "common/catalogue/component_catalogue.h"

namespace sl::cli {

// Prints what a backup of ids (an ID list) into folder (DOS path) would
// save. Returns the exit status (0).
int PrintBackupPlan(const CliContext& context, const ComponentCatalogue& catalogue,
                    const std::string& ids, const std::string& folder);

// Prints what a restore of ids from folder would write, after saving the
// current settings into preRestoreFolder. Returns the exit status (0, or 2
// when the folder's bookkeeping file cannot be read).
int PrintRestorePlan(const CliContext& context, const ComponentCatalogue& catalogue,
                     const std::string& ids, const std::string& folder,
                     const std::string& preRestoreFolder);

}  // namespace sl::cli
