#include "kernel/platform/offline/windows_install.h"

#include <algorithm>

#include "kernel/platform/offline/disk_folders.h"

namespace sl::platform::offline {
namespace {

using Kind = DiskFolder::Kind;

int Preference(const std::string& name) {
    if (SameNameIgnoringCase(name, "windows")) return 0;
    if (SameNameIgnoringCase(name, "winnt")) return 1;
    return 2;
}

}  // namespace

DWORD FindWindowsInstallation(const std::string& root, WindowsInstallation* installation,
                              std::string* message) {
    DiskFolder disk;
    DWORD error = disk.OpenRoot(root);
    if (error != kErrorSuccess) {
        *message = root + ": is not a folder that can be read";
        return error;
    }
    std::vector<DiskFolder::Entry> entries;
    error = disk.List(&entries);
    if (error != kErrorSuccess) {
        *message = root + ": cannot list the folder";
        return error;
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const DiskFolder::Entry& a, const DiskFolder::Entry& b) {
                         return Preference(a.name) < Preference(b.name);
                     });
    for (const DiskFolder::Entry& entry : entries) {
        if (entry.kind != Kind::Folder) continue;
        DiskFolder windows;
        if (disk.OpenChild(entry.name, &windows) != kErrorSuccess) continue;
        std::string hive;
        WindowsFamily family = WindowsFamily::Nt;
        if (ResolveOnDisk(windows, "system32\\config\\SOFTWARE", Kind::File, &hive) != kErrorSuccess) {
            if (ResolveOnDisk(windows, "SYSTEM.DAT", Kind::File, &hive) != kErrorSuccess) continue;
            family = WindowsFamily::Win9x;
        }
        installation->root = root;
        installation->family = family;
        installation->windowsFolder = entry.name;
        installation->machineHive = windows.path() + "/" + hive;
        return kErrorSuccess;
    }
    *message = root + ": no Windows installation found (no folder holding system32\\config\\SOFTWARE "
                      "or SYSTEM.DAT)";
    return kErrorFileNotFound;
}

int ChooseDefaultProfile(const std::vector<WindowsProfile>& profiles) {
    return profiles.size() == 1 ? 0 : -1;
}

int FindProfile(const std::vector<WindowsProfile>& profiles, const std::string& name) {
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        if (SameNameIgnoringCase(profiles[i].name, name)) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace sl::platform::offline
