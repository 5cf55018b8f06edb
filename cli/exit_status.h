// Exit statuses of stowlark-cli.
#pragma once

namespace sl::cli {

inline constexpr int kExitSuccess = 0;      // everything asked for was done
inline constexpr int kExitFailed = 1;       // some components failed, or verify found problems
inline constexpr int kExitUsage = 2;        // bad usage, unusable folder, nothing was done
inline constexpr int kExitInterrupted = 130;  // stopped with Ctrl-C (128 + SIGINT)

}  // namespace sl::cli
