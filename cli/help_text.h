// The manual of stowlark-cli as printed by --help (the same content as the
// man page cli/stowlark-cli.1).
#pragma once

#include <string>

namespace sl::cli {

std::string HelpText();
// "stowlark-cli <version>".
std::string VersionText();

}  // namespace sl::cli
