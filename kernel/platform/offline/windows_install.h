// Finding a Windows installation on a mounted system partition, and the user
// profiles it holds.
#pragma once

#include <string>
#include <vector>

#include "kernel/platform/platform.h"

namespace sl::platform::offline {

enum class WindowsFamily {
    Nt,     // NT 4 to 11: <windows>\system32\config\SOFTWARE, profiles' NTUSER.DAT
    Win9x,  // 95, 98, Me: <windows>\SYSTEM.DAT and USER.DAT
};

struct WindowsInstallation {
    std::string root;           // the mounted folder, as given
    WindowsFamily family = WindowsFamily::Nt;
    std::string windowsFolder;  // its name as on disk ("WINDOWS", "Windows", "WINNT")
    std::string machineHive;    // Unix path of SOFTWARE (NT) or SYSTEM.DAT (9x)
};

// Looks for the Windows folder directly below root: a folder (not a link),
// whatever the case of its name, holding system32\config\SOFTWARE (NT) or
// SYSTEM.DAT (9x). "windows" is tried before "winnt", then every other folder
// in name order; the first that holds a registry wins. 0; 3 when root is
// no folder; 2 when no folder there holds a Windows registry (*message says
// so, naming root); 5 unreadable; 1009 a folder beyond the listing bound.
DWORD FindWindowsInstallation(const std::string& root, WindowsInstallation* installation,
                              std::string* message);

struct WindowsProfile {
    std::string name;      // the profile folder's name as on disk ("bob")
    std::string folder;    // its Unix path
    std::string userHive;  // Unix path of its NTUSER.DAT (NT) or USER.DAT (9x)
    std::string sid;       // NT: its SID when ProfileList names it; else empty
};

// The user profiles of an installation, in name order (without regard to
// case), each with a user hive that is a plain file:
// - NT: the subkeys of SOFTWARE's ProfileList whose ProfileImagePath
//   (%SystemDrive%, %SystemRoot% and %windir% expanded with that machine's
//   values) names a folder on this partition; the well-known service
//   accounts (S-1-5-18, -19, -20) and backup entries (".bak") are left out.
//   When that finds none, the folders of "Documents and Settings" and
//   "Users" holding an NTUSER.DAT, less "All Users", "Default", "Default
//   User", "Public", "LocalService", "NetworkService" and the like.
// - 9x: <windows>\Profiles\<user>\USER.DAT; when there is none, the one
//   profile "Default" with <windows>\USER.DAT.
// 0 (possibly with no profile); 1009 and *message when SOFTWARE is damaged;
// 1009 a folder beyond the listing bound.
DWORD ListProfiles(const WindowsInstallation& installation, std::vector<WindowsProfile>* profiles,
                   std::string* message);

// The profile to use when the user names none: the only one, or -1 when
// there are several (the caller must ask) or none.
int ChooseDefaultProfile(const std::vector<WindowsProfile>& profiles);

// The profile whose name equals name without regard to case, or -1.
int FindProfile(const std::vector<WindowsProfile>& profiles, const std::string& name);

}  // namespace sl::platform::offline
