// A Windows installation on a mounted disk as the machine the programs back
// up from, read-only (stowlark-cli --windows-disk, the wizard's disk choice). The
// library is told through the environment (STOWLARK_WINDOWS_DISK,
// STOWLARK_WINDOWS_USER) before it is loaded; the disk's drives (C: the
// disk, Z: /) are described to the folder mapping by a private drive table.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/session/prefix_paths.h"
#include "kernel/interface/stowlark_kernel.h"

namespace sl::session {

struct WindowsDisk {
    std::string root;   // the disk folder, canonical
    std::vector<SLIWindowsProfile> profiles;
    int chosen = -1;    // the profile worked on; -1 when none is chosen
    int byDefault = -1; // the profile taken when none is named; -1 when there is no such one
    std::string error;  // why the disk (or the profile) cannot be worked on; empty when it can
    // A folder that describes the disk's drives as a Wine prefix does
    // (dosdevices/c: the disk, z: /), for the DOS form of folders.
    std::shared_ptr<DriveFolder> drives;
};

// Looks at the Windows installation on the disk at dir and its profiles
// (through the inspect library, which reads the disk's hives).
// With needProfile, a profile must come out: the one named user (without
// regard to case), or the only one; error otherwise says why, naming the
// profiles found: an unknown user, several profiles and none named, none
// at all, a user hive that cannot be read (the message names the file).
// error also covers a dir that is no Windows installation.
WindowsDisk OpenWindowsDisk(const std::string& dir, const std::string& user, bool needProfile);

// Makes the disk and its chosen profile the machine of the library's next
// call (sets the two environment variables for this process).
void UseWindowsDisk(const WindowsDisk& disk);

// Makes the Wine prefix the machine of the library's next call again
// (removes the two variables).
void StopUsingWindowsDisk();

// "NAME<TAB>FOLDER[<TAB>default]\n" for each profile of the disk.
std::string UserLines(const WindowsDisk& disk);

// True when a DOS folder of the disk machine lies on the disk (C:), where
// nothing is written.
inline bool OnTheDisk(const std::string& dosFolder) {
    return dosFolder.size() >= 2 && dosFolder[1] == ':' && (dosFolder[0] == 'C' || dosFolder[0] == 'c');
}

}  // namespace sl::session
