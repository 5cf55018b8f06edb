// Reading a Windows 95/98/Me registry file (SYSTEM.DAT, USER.DAT) from a
// Windows disk, read-only, into an OfflineHive (HiveText::Ansi).
#pragma once

#include <string>

#include "kernel/platform/offline/offline_hive.h"

namespace sl::platform::offline {

// Reads the whole registry file at path; the same promises and numbers as
// ReadNtHive (0; 2, 3, 5; 1921 a link; 1920 not a plain file; 1009 not a
// 9x registry file, a truncated or damaged one, or one beyond limits).
// Names and data are the stored bytes in the machine's ANSI code page; these
// files have no key classes (hasClass is always false).
DWORD ReadCregHive(const std::string& path, OfflineHive* hive, std::string* message,
                   const HiveLimits& limits = {});

// The same for a file relative to an open folder (dirFd).
DWORD ReadCregHiveAt(int dirFd, const std::string& name, const std::string& displayName,
                     OfflineHive* hive, std::string* message, const HiveLimits& limits = {});

}  // namespace sl::platform::offline
