// Reading a Windows NT registry hive file (SOFTWARE, SYSTEM, NTUSER.DAT)
// from a Windows disk, read-only, into an OfflineHive (HiveText::Utf16Le).
#pragma once

#include <string>

#include "kernel/platform/offline/offline_hive.h"

namespace sl::platform::offline {

// Reads the whole hive at path. The file is opened read-only and never
// written; it must be a plain file reached without a link at its last
// element. Returns 0 with *hive filled, or a Win32 number with *hive
// untouched and *message naming the file and saying why:
//   2, 3, 5 the file cannot be opened; 1921 a symbolic link; 1920 a FIFO,
//   device, socket or folder; 1009 (kErrorBadDatabase) not a hive, a
//   truncated or damaged one, or one beyond limits.
// Names and classes come as UTF-16LE (names stored in the compact one-byte
// form are widened); value data is returned exactly as stored.
DWORD ReadNtHive(const std::string& path, OfflineHive* hive, std::string* message,
                 const HiveLimits& limits = {});

// The same for a file relative to an open folder (dirFd); displayName is
// how messages name the file.
DWORD ReadNtHiveAt(int dirFd, const std::string& name, const std::string& displayName,
                   OfflineHive* hive, std::string* message, const HiveLimits& limits = {});

// Reads only the key at keyPath (backslash-separated, names compared
// without regard to case) and what lies below it; hive->root is that key.
// 2 with *message when the key is missing; otherwise as ReadNtHive.
DWORD ReadNtHiveSubtree(const std::string& path, const std::string& keyPath, OfflineHive* hive,
                        std::string* message, const HiveLimits& limits = {});

}  // namespace sl::platform::offline
