// The Steam libraries listed by a Steam installation's
// steamapps/libraryfolders.vdf (Valve's KeyValues text):
//
//   "libraryfolders"
//   {
//       "0" { "path" "/home/me/.local/share/Steam"  "apps" { "220" "123" } }
//       "1" { "path" "/mnt/games/SteamLibrary" }
//   }
//
// The older form lists the folders directly ("1" "/mnt/games/SteamLibrary").
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace sl::session {

// The library folders the text names, in the order of the file, each once:
// every "path" value inside a numbered entry, and every numbered entry of
// the top block whose value is a string. Only absolute folders count; a
// malformed text yields the folders read before the fault. At most
// maxLibraries are returned.
std::vector<std::string> SteamLibraryFolders(const std::string& text,
                                             std::size_t maxLibraries = 64);

}  // namespace sl::session
