// The name rule of a file search, for code that must decide without
// searching whether a name is one that a search for a mask would list.
#pragma once

#include <string>

namespace sl::platform {

// True when a search for mask (as FindFirstFile takes it: '*' any run, '?'
// one character, letters without regard to case, "*.*" every name) lists a
// file named name.
bool MatchesFileMask(const std::string& mask, const std::string& name);

}  // namespace sl::platform
