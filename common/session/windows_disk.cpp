#include "common/session/windows_disk.h"

#include <stdlib.h>

#include "common/session/inspect_binding.h"

namespace sl::session {

WindowsDisk OpenWindowsDisk(const std::string& dir, const std::string& user, bool needProfile) {
    WindowsDisk disk;
    const InspectApi* inspect = Inspect();
    if (inspect == nullptr) {
        disk.error = InspectError();
        return disk;
    }
    SLIWindowsDisk look;
    const int32_t looked = inspect->LookAtWindowsDisk(dir.c_str(), user.c_str(), look);
    if (looked != 0 && look.root.empty()) {
        disk.error = "the Windows disk " + dir + " is not a folder that can be read.";
        return disk;
    }
    disk.root = look.root;
    if (looked == 3) {
        disk.error = dir + " holds no Windows installation: no folder of it holds "
                           "system32\\config\\SOFTWARE (Windows NT to 11) or SYSTEM.DAT "
                           "(Windows 95, 98, Me). Name the folder the system partition is "
                           "mounted on.";
        return disk;
    }
    if (looked != 0) {
        disk.error = "the user profiles of the Windows disk " + dir + " cannot be read: " + look.message;
        return disk;
    }
    disk.profiles = look.profiles;
    disk.byDefault = look.byDefault;
    std::string names;
    for (const SLIWindowsProfile& profile : disk.profiles) names += "\n  " + profile.name;
    if (!user.empty()) {
        disk.chosen = look.named;
        if (disk.chosen < 0) {
            disk.error = "the Windows disk " + dir + " has no user profile named '" + user + "'. " +
                         (disk.profiles.empty() ? "It has no user profile." : "The profiles found:" + names);
            return disk;
        }
    } else {
        disk.chosen = disk.byDefault;
        if (disk.chosen < 0 && needProfile) {
            disk.error = disk.profiles.empty()
                             ? "the Windows disk " + dir + " has no user profile (no NTUSER.DAT or USER.DAT found)."
                             : "the Windows disk " + dir + " has several user profiles; choose one "
                               "with --windows-user NAME. The profiles found:" + names;
            return disk;
        }
    }
    if (disk.chosen >= 0 && needProfile) {
        // A damaged user hive is said now, naming the file, rather than
        // found by every component of the run.
        std::string message;
        const std::string& file = disk.profiles[disk.chosen].userHive;
        if (inspect->CheckWindowsHive(file.c_str(), look.nineX ? 1 : 0, message) != 0) {
            disk.error = "the user profile '" + disk.profiles[disk.chosen].name +
                         "' of the Windows disk " + dir + " cannot be read: " + message;
            return disk;
        }
    }
    disk.drives = std::make_shared<DriveFolder>(
        std::vector<std::pair<char, std::string>>{{'c', disk.root}, {'z', "/"}});
    if (!disk.drives->ok()) {
        disk.error = "the drives of the Windows disk cannot be set up: " + disk.drives->error();
    }
    return disk;
}

void UseWindowsDisk(const WindowsDisk& disk) {
    ::setenv(platform::kWindowsDiskVariable, disk.root.c_str(), 1);
    if (disk.chosen >= 0) {
        ::setenv(platform::kWindowsUserVariable, disk.profiles[disk.chosen].name.c_str(), 1);
    } else {
        ::unsetenv(platform::kWindowsUserVariable);
    }
}

void StopUsingWindowsDisk() {
    ::unsetenv(platform::kWindowsDiskVariable);
    ::unsetenv(platform::kWindowsUserVariable);
}

std::string UserLines(const WindowsDisk& disk) {
    std::string out;
    for (std::size_t i = 0; i < disk.profiles.size(); ++i) {
        out += disk.profiles[i].name + "\t" + disk.profiles[i].folder +
               (static_cast<int>(i) == disk.byDefault ? "\tdefault" : "") + "\n";
    }
    return out;
}

}  // namespace sl::session
