// Whether a wineserver runs for a prefix. While one does, it owns the
// prefix's registry and overwrites the hive files with what it holds, so the
// registry must not be written then.
#pragma once

#include <string>
#include <vector>

namespace sl::platform::wine {

// The folders a wineserver for the prefix would use: server-<dev>-<ino> (the
// prefix folder's device and inode in hex) under /tmp/.wine-<uid>/; when the
// prefix holds a regular file "wineserver" (Debian's Wine), under the folder
// it names in /tmp; and under both of these in the private /tmp of every
// Flatpak application, which the host sees as
// $XDG_RUNTIME_DIR/.flatpak/<app-id>/tmp (XDG_RUNTIME_DIR unset:
// /run/user/<uid>; at most 1024 applications are looked at). Empty when the
// prefix cannot be examined.
std::vector<std::string> WineServerFolders(const std::string& prefixPath);

// True when another process holds a write lock on byte 0 of the file (how a
// running wineserver marks its folder). Only probes; never takes the lock.
// False when the file cannot be opened.
bool IsLockFileHeld(const std::string& lockFile);

// True when the "lock" file of any of WineServerFolders() is held.
bool IsWineServerRunning(const std::string& prefixPath);

}  // namespace sl::platform::wine
