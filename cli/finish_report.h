// The closing text of a run, as the wizard's finish page words it: the
// thank-you message of the mode and, when components failed or the user
// stopped the run, the report ("User Abort", or the failed components by
// title with the numbered recommendations). Lines end in "\n" here, since
// the text goes to a terminal, not into a Windows edit control.
#pragma once

#include <string>

#include "common/catalogue/component_catalogue.h"

namespace sl::cli {

enum class RunKind { Backup, Restore, Unrestore };

// The closing message of the mode ("Thank you for using QD-Stowlark." and
// the sentence of the mode).
std::string ClosingMessage(RunKind kind);

// The report; empty when nothing failed and the run was not stopped.
// aborted wins over failed IDs, as on the finish page.
std::string FinishReport(const ComponentCatalogue& catalogue, const std::string& badIDs,
                         bool aborted);

// text with every "\r\n" turned into "\n".
std::string UnixLines(std::string text);

}  // namespace sl::cli
