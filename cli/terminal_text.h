// Text from a backup folder or a prefix (names, key paths, IDs) on its way to
// a terminal: whatever bytes it holds, it cannot move the cursor, change
// colours, set a window title or start a line of its own.
#pragma once

#include <string>
#include <string_view>

namespace sl::cli {

// The text with every control character (bytes 0 to 31 and 127, line ends
// and tabs too) written as \xNN, two upper-case hex digits; other bytes,
// backslashes included, unchanged. For one field of a line.
std::string Printable(std::string_view text);

// The same for a whole output text, which keeps its own line ends, carriage
// returns (a progress bar redraws its line) and tabs.
std::string WithoutTerminalControls(std::string_view text);

}  // namespace sl::cli
