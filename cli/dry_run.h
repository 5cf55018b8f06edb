// The dry runs of backup and restore: what a run would save or write,
// component by component, worked out by the inspect library with the
// kernel's own script parser, folder resolution, registry reader, file walk
// and bookkeeping code on a read-only view of the machine. They change
// nothing: not the prefix, not the backup folder, not the log.
#pragma once

#include <string>

#include "cli/cli_context.h"
#include "common/catalogue/component_catalogue.h"

namespace sl::cli {

// A component's heading in a plan: its ID token and its title.
std::string PlanHeader(const ComponentCatalogue& catalogue, const std::string& token);

// Prints what a backup of ids (an ID list) into folder (DOS path) would
// save. Returns the exit status (0; 2 when the inspect library is missing).
int PrintBackupPlan(const CliContext& context, const ComponentCatalogue& catalogue,
                    const std::string& ids, const std::string& folder);

// Prints what a restore of ids from folder would write, after saving the
// current settings into preRestoreFolder. Returns the exit status (0, or 2
// when the folder's bookkeeping file cannot be read).
int PrintRestorePlan(const CliContext& context, const ComponentCatalogue& catalogue,
                     const std::string& ids, const std::string& folder,
                     const std::string& preRestoreFolder);

}  // namespace sl::cli
