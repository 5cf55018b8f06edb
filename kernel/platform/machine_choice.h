// How a program chooses the machine the libraries work on when it is not
// the Wine prefix: the environment of the process, read when the libraries
// make their default machine.
#pragma once

namespace sl::platform {

// The folder a Windows installation is mounted on (a system partition);
// set, the machine is that installation, read-only.
inline constexpr const char kWindowsDiskVariable[] = "STOWLARK_WINDOWS_DISK";
// The profile of that installation whose user hive is HKEY_CURRENT_USER.
inline constexpr const char kWindowsUserVariable[] = "STOWLARK_WINDOWS_USER";

}  // namespace sl::platform
