#include "cli/windows_disk.h"

#include <limits.h>
#include <stdlib.h>

#include "kernel/platform/offline/creg_hive_reader.h"
#include "kernel/platform/offline/nt_hive_reader.h"
#include "kernel/platform/platform.h"

namespace sl::cli {

namespace offline = platform::offline;

WindowsDisk OpenWindowsDisk(const std::string& dir, const std::string& user, bool needProfile) {
    WindowsDisk disk;
    char real[PATH_MAX];
    if (::realpath(dir.c_str(), real) == nullptr) {
        disk.error = "the Windows disk " + dir + " is not a folder that can be read.";
        return disk;
    }
    disk.root = real;
    offline::WindowsInstallation installation;
    std::string message;
    if (offline::FindWindowsInstallation(disk.root, &installation, &message) != 0) {
        disk.error = dir + " holds no Windows installation: no folder of it holds "
                           "system32\\config\\SOFTWARE (Windows NT to 11) or SYSTEM.DAT "
                           "(Windows 95, 98, Me). Name the folder the system partition is "
                           "mounted on.";
        return disk;
    }
    if (offline::ListProfiles(installation, &disk.profiles, &message) != 0) {
        disk.error = "the user profiles of the Windows disk " + dir + " cannot be read: " + message;
        return disk;
    }
    disk.byDefault = offline::ChooseDefaultProfile(disk.profiles);
    std::string names;
    for (const offline::WindowsProfile& profile : disk.profiles) names += "\n  " + profile.name;
    if (!user.empty()) {
        disk.chosen = offline::FindProfile(disk.profiles, user);
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
        offline::OfflineHive hive;
        const std::string& file = disk.profiles[disk.chosen].userHive;
        const bool nineX = installation.family == offline::WindowsFamily::Win9x;
        if ((nineX ? offline::ReadCregHive(file, &hive, &message)
                   : offline::ReadNtHive(file, &hive, &message)) != 0) {
            disk.error = "the user profile '" + disk.profiles[disk.chosen].name +
                         "' of the Windows disk " + dir + " cannot be read: " + message;
            return disk;
        }
    }
    disk.drives = std::make_shared<platform::wine::DriveTable>(
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

std::string UserLines(const WindowsDisk& disk) {
    std::string out;
    for (std::size_t i = 0; i < disk.profiles.size(); ++i) {
        out += disk.profiles[i].name + "\t" + disk.profiles[i].folder +
               (static_cast<int>(i) == disk.byDefault ? "\tdefault" : "") + "\n";
    }
    return out;
}

bool OnTheDisk(const std::string& dosFolder) {
    return dosFolder.size() >= 2 && dosFolder[1] == ':' && (dosFolder[0] == 'C' || dosFolder[0] == 'c');
}

}  // namespace sl::cli
