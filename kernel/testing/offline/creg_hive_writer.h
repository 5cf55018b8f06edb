// Test support: writes a Windows 95/98/Me registry file (SYSTEM.DAT,
// USER.DAT): the file header, the key tree (RGKN) and one data block (RGDB)
// holding every key's name and values.
#pragma once

#include <string>

#include "kernel/testing/offline/key_plan.h"

namespace sl::testing::offline {

// The file's bytes for root and everything below it (names and data as ANSI
// bytes; classes are ignored: the format has none). An empty root name is
// written as "ROOT" (the tools refuse a nameless root).
std::string CregHiveBytes(const KeyPlan& root);

// Writes CregHiveBytes(root) to path; false with *error on failure.
bool WriteCregHive(const std::string& path, const KeyPlan& root, std::string* error);

}  // namespace sl::testing::offline
