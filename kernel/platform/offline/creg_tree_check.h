// A structural check of a 9x registry file's key tree (RGKN) before libcreg
// walks it: libcreg follows subkey and sibling links without noticing a
// loop, and would spin forever on a file whose links lead back.
#pragma once

#include <string>

namespace sl::platform::offline {

class HiveFile;

// True when every key reachable from the root is reached once and lies in
// the key tree; else false with *problem saying what is wrong.
bool CregKeyTreeIsSound(const HiveFile& file, std::string* problem);

}  // namespace sl::platform::offline
