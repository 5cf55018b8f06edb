// Test support: writes an NT registry hive file. The file starts as a minimal
// empty hive of our own making (base block, one bin, root key, one security
// record); keys and values are then added through hivex's write calls and
// committed by hivex. Key classes, which hivex cannot write, are added
// afterwards in a bin of their own.
#pragma once

#include <string>

#include "kernel/testing/offline/key_plan.h"

namespace sl::testing::offline {

// Writes root (its name becomes the root key's name; "" gives "ROOT") and
// everything below it to path. false with *error on failure.
bool WriteNtHive(const std::string& path, const KeyPlan& root, std::string* error);

// The minimal empty hive alone (8192 bytes), for tests of damaged files.
std::string MinimalNtHive(const std::string& rootName);

}  // namespace sl::testing::offline
