#include "cli/cli_context.h"
#include "cli/terminal_text.h"
#include "common/session/kernel_binding.h"

namespace sl::cli {

void Print(std::FILE* stream, const std::string& text) {
    // Text may carry names from a backup folder or a prefix: no escape
    // sequence in one reaches the terminal.
    const std::string shown = WithoutTerminalControls(text);
    std::fwrite(shown.data(), 1, shown.size(), stream);
    std::fflush(stream);
}

std::string LogLocation(const CliContext& context) {
    return session::KernelLogPath(context.libraryPath);
}

const session::InspectApi* InspectOrSay(const CliContext& context) {
    const session::InspectApi* inspect = session::Inspect();
    if (inspect == nullptr) Print(context.err, "stowlark-cli: " + session::InspectError() + "\n");
    return inspect;
}

}  // namespace sl::cli
