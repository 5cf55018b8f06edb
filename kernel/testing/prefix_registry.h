// Reading and changing a prefix's registry from the programs' tests, through
// a platform of its own over the prefix's hive files (not the process's
// current one); a change is written to the hive file at once.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace sl::testing {

// Every value below root\key: "\sub\name" -> "type:data bytes".
std::map<std::string, std::string> PrefixRegistryTree(const std::string& prefix, uintptr_t root,
                                                      const std::string& key);

// Sets a string value (creating the key); true when it is in the hive file.
bool SetPrefixRegistryString(const std::string& prefix, uintptr_t root, const std::string& key,
                             const std::string& name, const std::string& value);

}  // namespace sl::testing
