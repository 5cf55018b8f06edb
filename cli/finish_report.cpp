#include "cli/finish_report.h"

namespace sl::cli {

std::string UnixLines(std::string text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out.push_back(text[i]);
    }
    return out;
}

std::string ClosingMessage(RunKind kind) {
    std::string text = "Thank you for using QD-Stowlark.\n";
    switch (kind) {
        case RunKind::Backup:
            text += "Your personal settings are now safe, and can be restored on this, or any "
                    "other computer.";
            break;
        case RunKind::Restore:
            text += "You can run QD-Stowlark again to restore more components, or to unrestore "
                    "components to their original, pre-Stowlark, settings.";
            break;
        case RunKind::Unrestore:
            text += "You can run QD-Stowlark again to unrestore more components, or to re-restore "
                    "component settings.";
            break;
    }
    return text + "\n";
}

std::string FinishReport(const ComponentCatalogue& catalogue, const std::string& badIDs,
                         bool aborted) {
    if (aborted) return "User Abort\n";
    if (badIDs.empty()) return {};
    std::string list;
    catalogue.BuildReportList(badIDs, nullptr, list, "", 0);
    std::string report = "Error(s) occured with the following components :\r\n";
    report += "\t(see end of list for recommended course of action)\r\n";
    report += list + "\r\n";
    report += "Try the following recommendation to fix the errors:\r\n";
    report += "1. Close *all* applications, including task-bar applications, before running "
              "Stowlark.\r\n";
    report += "2. Stowlark can only restore preferences to the same application versions:\r\n";
    report += "\t Ensure that the same application versions are installed.\r\n";
    report += "3. Ensure you have enough space on the destination path for the Stowlark backup "
              "files.\r\n";
    return UnixLines(report);
}

}  // namespace sl::cli
