#include "cli/cli_context.h"
#include "cli/terminal_text.h"

#include "kernel/interface/kernel.h"
#include "kernel/platform/wine/wine_platform.h"

namespace sl::cli {

void Print(std::FILE* stream, const std::string& text) {
    // Text may carry names from a backup folder or a prefix: no escape
    // sequence in one reaches the terminal.
    const std::string shown = WithoutTerminalControls(text);
    std::fwrite(shown.data(), 1, shown.size(), stream);
    std::fflush(stream);
}

std::string LogLocation(const CliContext& context) {
    platform::wine::WinePlatformOptions options;
    options.modulePath = context.libraryPath;
    platform::wine::WinePlatform machine(context.prefix, options);
    return machine.LogFilePath(kLogName);
}

}  // namespace sl::cli
