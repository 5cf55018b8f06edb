// The shell completion scripts of stowlark-cli, printed by
// "stowlark-cli completion bash|zsh|fish" and installed where each shell
// looks for them. They complete the commands, the options each command
// takes, folders, the shells of "completion", and the prefix names of
// --prefix (asked of "stowlark-cli prefixes" as the user types).
#pragma once

#include <string>

namespace sl::cli {

// The script for shell ("bash", "zsh" or "fish"); empty for any other name.
std::string CompletionScript(const std::string& shell);

}  // namespace sl::cli
