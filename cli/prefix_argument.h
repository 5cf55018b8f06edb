// The prefix stowlark-cli works on: --prefix (a folder or the name of a
// found prefix, see common/session/prefix_finder.h), else the session's
// choice (WINEPREFIX, ~/.wine, the demo machine).
#pragma once

#include <string>
#include <vector>

#include "common/session/prefix_finder.h"

namespace sl::cli {

// The folder that the --prefix argument names, canonical. A name of found
// wins over a folder of the same spelling (write ./steam:220 for such a
// folder). Returns "" with *error set when the argument names no prefix: an
// unknown name (it holds ':' and is no existing folder; the message lists
// the names found), a missing folder, or a folder without system.reg.
std::string ResolvePrefixArgument(const std::string& argument,
                                  const std::vector<session::FoundPrefix>& found,
                                  std::string* error);

// "NAME<TAB>ARCHITECTURE<TAB>FOLDER\n" for each prefix.
std::string PrefixLines(const std::vector<session::FoundPrefix>& found);

}  // namespace sl::cli
