// Whether Windows programs are running in a Wine prefix. While they are, a
// wineserver owns the prefix's registry and would overwrite what a restore
// writes, so a restore or an unrestore asks the user to close them first.
#pragma once

#include <string>

namespace sl::session {

// True when a wineserver runs for the prefix (it only probes; it never
// stops or locks anything).
bool WindowsProgramsRunning(const std::string& prefixPath);

}  // namespace sl::session
