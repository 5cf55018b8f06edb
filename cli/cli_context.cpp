#include "cli/cli_context.h"

#include "kernel/interface/kernel.h"
#include "kernel/platform/wine/wine_platform.h"

namespace sl::cli {

void Print(std::FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

std::string LogLocation(const CliContext& context) {
    platform::wine::WinePlatformOptions options;
    options.modulePath = context.libraryPath;
    platform::wine::WinePlatform machine(context.prefix, options);
    return machine.LogFilePath(kLogName);
}

}  // namespace sl::cli
