// The include/exclude rule shared by the registry saver (subkey and value
// names) and the file backup (first-level subfolder names).
#pragma once

#include <string>

namespace sl {

// True when name passes the quoted upper-case name lists: with T = 'NAME'
// (upper-cased), an include list that is not empty must contain T and an
// exclude list that is not empty must not. Plain substring search; an empty
// list restricts nothing. An empty name is tested as '' (two quotes).
bool PassesNameFilter(const std::string& name, const std::string& includeList,
                      const std::string& excludeList);

}  // namespace sl
