// ListProfiles: the user profiles of an NT or 9x installation.
#include <algorithm>

#include "kernel/platform/offline/disk_folders.h"
#include "kernel/platform/offline/nt_hive_reader.h"
#include "kernel/platform/offline/windows_install.h"

namespace sl::platform::offline {
namespace {

using Kind = DiskFolder::Kind;

constexpr char kCurrentVersion[] = "Microsoft\\Windows NT\\CurrentVersion";

// Folders of the profile folders that are no user's own.
constexpr const char* kSystemProfileNames[] = {
    "All Users", "Default", "Default User", "Public", "LocalService", "NetworkService",
    "systemprofile", "Default.migrated", "defaultuser0", "TEMP",
};

bool IsSystemProfileName(const std::string& name) {
    for (const char* system : kSystemProfileNames) {
        if (SameNameIgnoringCase(name, system)) return true;
    }
    return false;
}

// UTF-16LE text up to its first zero as UTF-8 (unpaired surrogates as U+FFFD).
std::string Utf16ToUtf8(const std::string& bytes) {
    std::string out;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        std::uint32_t c = static_cast<unsigned char>(bytes[i]) |
                          (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8);
        if (c == 0) break;
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size()) {
            std::uint32_t low = static_cast<unsigned char>(bytes[i + 2]) |
                                (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 3])) << 8);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (c >= 0xD800 && c < 0xE000) c = 0xFFFD;
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

// Replaces %SystemDrive%, %SystemRoot% and %windir% (any case); false when
// another variable is left, which this machine's files cannot tell.
bool ExpandPath(std::string text, const std::string& systemRoot, std::string* out) {
    std::string result;
    std::string drive = systemRoot.substr(0, 2);
    while (!text.empty()) {
        std::size_t open = text.find('%');
        if (open == std::string::npos) {
            result += text;
            break;
        }
        std::size_t close = text.find('%', open + 1);
        if (close == std::string::npos) return false;
        std::string name = text.substr(open + 1, close - open - 1);
        result += text.substr(0, open);
        if (SameNameIgnoringCase(name, "SystemDrive")) result += drive;
        else if (SameNameIgnoringCase(name, "SystemRoot") || SameNameIgnoringCase(name, "windir")) result += systemRoot;
        else return false;
        text = text.substr(close + 1);
    }
    *out = result;
    return true;
}

// A profile folder named by a Windows path, with its NTUSER.DAT, when it is
// on this partition (the drive of systemRoot).
bool ProfileAt(const DiskFolder& disk, const std::string& windowsPath, const std::string& systemRoot,
               WindowsProfile* profile) {
    if (windowsPath.size() < 3 || windowsPath[1] != ':' || windowsPath[2] != '\\' ||
        !SameNameIgnoringCase(windowsPath.substr(0, 1), systemRoot.substr(0, 1))) {
        return false;
    }
    std::string folder;
    if (ResolveOnDisk(disk, windowsPath.substr(3), Kind::Folder, &folder) != kErrorSuccess) return false;
    std::string hive;
    if (ResolveOnDisk(disk, windowsPath.substr(3) + "\\NTUSER.DAT", Kind::File, &hive) != kErrorSuccess) {
        return false;
    }
    std::string base = disk.path() + (disk.path().empty() || disk.path().back() == '/' ? "" : "/");
    profile->folder = base + folder;
    profile->userHive = base + hive;
    profile->name = folder.substr(folder.rfind('/') + 1);
    return true;
}

bool IsSystemSid(const std::string& sid) {
    return sid == "S-1-5-18" || sid == "S-1-5-19" || sid == "S-1-5-20" ||
           (sid.size() > 4 && SameNameIgnoringCase(sid.substr(sid.size() - 4), ".bak"));
}

void AddUnique(std::vector<WindowsProfile>* profiles, WindowsProfile profile) {
    for (const WindowsProfile& known : *profiles) {
        if (known.folder == profile.folder) return;
    }
    profiles->push_back(std::move(profile));
}

DWORD ListNtProfiles(const WindowsInstallation& installation, std::vector<WindowsProfile>* profiles,
                     std::string* message) {
    DiskFolder disk;
    DWORD error = disk.OpenRoot(installation.root);
    if (error != kErrorSuccess) {
        *message = installation.root + ": is not a folder that can be read";
        return error;
    }
    OfflineHive hive;
    error = ReadNtHiveSubtree(installation.machineHive, kCurrentVersion, &hive, message);
    if (error != kErrorSuccess && error != kErrorFileNotFound) return error;
    std::string systemRoot = "C:\\" + installation.windowsFolder;
    if (error == kErrorSuccess) {
        const OfflineValue* value = FindValue(hive.root, "SystemRoot", hive.text);
        std::string named = value != nullptr ? Utf16ToUtf8(value->data) : "";
        if (named.size() >= 3 && named[1] == ':' && named[2] == '\\') systemRoot = named;
        const OfflineKey* list = FindKey(hive.root, "ProfileList", hive.text);
        for (const OfflineKey& entry : list != nullptr ? list->subkeys : std::vector<OfflineKey>()) {
            if (IsSystemSid(Utf16ToUtf8(entry.name))) continue;
            const OfflineValue* image = FindValue(entry, "ProfileImagePath", hive.text);
            std::string path;
            WindowsProfile profile;
            if (image == nullptr || (image->type != kRegSz && image->type != kRegExpandSz) ||
                !ExpandPath(Utf16ToUtf8(image->data), systemRoot, &path) ||
                !ProfileAt(disk, path, systemRoot, &profile) || IsSystemProfileName(profile.name)) {
                continue;
            }
            profile.sid = Utf16ToUtf8(entry.name);
            AddUnique(profiles, std::move(profile));
        }
    }
    if (!profiles->empty()) return kErrorSuccess;
    // No usable ProfileList: the profile folders themselves.
    for (const char* parent : {"Documents and Settings", "Users"}) {
        std::string exact;
        DiskFolder folder;
        if (disk.Find(parent, Kind::Folder, &exact) != kErrorSuccess ||
            disk.OpenChild(exact, &folder) != kErrorSuccess) {
            continue;
        }
        std::vector<DiskFolder::Entry> entries;
        error = folder.List(&entries);
        if (error != kErrorSuccess) {
            *message = folder.path() + ": cannot list the folder";
            return error;
        }
        for (const DiskFolder::Entry& entry : entries) {
            WindowsProfile profile;
            if (entry.kind != Kind::Folder || IsSystemProfileName(entry.name) ||
                !ProfileAt(disk, systemRoot.substr(0, 3) + exact + "\\" + entry.name, systemRoot, &profile)) {
                continue;
            }
            AddUnique(profiles, std::move(profile));
        }
    }
    return kErrorSuccess;
}

DWORD List9xProfiles(const WindowsInstallation& installation, std::vector<WindowsProfile>* profiles,
                     std::string* message) {
    DiskFolder disk;
    DiskFolder windows;
    DWORD error = disk.OpenRoot(installation.root);
    if (error == kErrorSuccess) error = disk.OpenChild(installation.windowsFolder, &windows);
    if (error != kErrorSuccess) {
        *message = installation.root + ": the Windows folder cannot be opened";
        return error;
    }
    std::string exact;
    DiskFolder folder;
    if (windows.Find("Profiles", Kind::Folder, &exact) == kErrorSuccess &&
        windows.OpenChild(exact, &folder) == kErrorSuccess) {
        std::vector<DiskFolder::Entry> entries;
        error = folder.List(&entries);
        if (error != kErrorSuccess) {
            *message = folder.path() + ": cannot list the folder";
            return error;
        }
        for (const DiskFolder::Entry& entry : entries) {
            std::string hive;
            if (entry.kind != Kind::Folder || IsSystemProfileName(entry.name) ||
                ResolveOnDisk(folder, entry.name + "\\USER.DAT", Kind::File, &hive) != kErrorSuccess) {
                continue;
            }
            profiles->push_back({entry.name, folder.path() + "/" + entry.name, folder.path() + "/" + hive, {}});
        }
    }
    if (!profiles->empty()) return kErrorSuccess;
    std::string hive;
    if (ResolveOnDisk(windows, "USER.DAT", Kind::File, &hive) == kErrorSuccess) {
        profiles->push_back({"Default", windows.path(), windows.path() + "/" + hive, {}});
    }
    return kErrorSuccess;
}

}  // namespace

DWORD ListProfiles(const WindowsInstallation& installation, std::vector<WindowsProfile>* profiles,
                   std::string* message) {
    profiles->clear();
    DWORD error = installation.family == WindowsFamily::Nt
                      ? ListNtProfiles(installation, profiles, message)
                      : List9xProfiles(installation, profiles, message);
    if (error != kErrorSuccess) {
        profiles->clear();
        return error;
    }
    std::sort(profiles->begin(), profiles->end(), [](const WindowsProfile& a, const WindowsProfile& b) {
        std::string la = a.name, lb = b.name;
        for (char& c : la) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        for (char& c : lb) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        return la < lb;
    });
    return kErrorSuccess;
}

}  // namespace sl::platform::offline
