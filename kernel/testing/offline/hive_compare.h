// Test support: what a reader should return for a tree a builder wrote, and
// a readable account of where the two differ.
#pragma once

#include <string>

#include "kernel/platform/offline/offline_hive.h"
#include "kernel/testing/offline/key_plan.h"

namespace sl::testing::offline {

// The OfflineKey a reader returns for plan: names and classes encoded for
// text (UTF-8 to UTF-16LE for NT; bytes kept for 9x), data unchanged.
sl::platform::offline::OfflineKey Expected(const KeyPlan& plan, sl::platform::offline::HiveText text);

// "" when the trees hold the same keys, classes and values (subkeys in any
// order, since NT hives keep them sorted; values in order), else the path of
// the first difference and what differs.
std::string Difference(const sl::platform::offline::OfflineKey& expected,
                       const sl::platform::offline::OfflineKey& actual);

// An ASCII or UTF-8 name as the reader returns it for text.
std::string Name(const std::string& utf8, sl::platform::offline::HiveText text);

// Runs a command line through the shell; its standard output, and its exit
// status in *status. Used for the hive tools of the distribution.
std::string RunTool(const std::string& command, int* status);
// Whether a program is on PATH.
bool HaveTool(const std::string& program);

}  // namespace sl::testing::offline
