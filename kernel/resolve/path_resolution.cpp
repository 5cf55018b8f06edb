// ResolvePathID: the folder of a PathID on the running machine, from the
// Windows folder calls or from the registry entries the applications write.
#include "kernel/resolve/path_resolution.h"

#include "kernel/log/log.h"
#include "kernel/resolve/path_text.h"
#include "kernel/resolve/reg_key.h"

namespace sl {
namespace {

using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;

struct RegistrySource {
    platform::HKEY root;
    const char* key;
    const char* value;  // "" is the key's default value
};

const char* const kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Registry source of each single-folder PathID from 4 to 15 (11 is a list).
bool SourceFor(std::int32_t pathID, RegistrySource* source) {
    switch (pathID) {
        case 4: *source = {kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Office\\8.0\\Common\\InstallRoot", ""}; return true;
        case 5: *source = {kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Office\\8.0\\Word\\InstallRoot", "Path"}; return true;
        case 6: *source = {kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Office\\8.0\\Excel\\InstallRoot", "Path"}; return true;
        case 7: *source = {kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Office\\8.0\\Common\\FileNew\\LocalTemplates", ""}; return true;
        case 8: *source = {kHkeyCurrentUser, kShellFolders, "Favorites"}; return true;
        case 9: *source = {kHkeyCurrentUser, kShellFolders, "Cookies"}; return true;
        case 10: *source = {kHkeyCurrentUser, kShellFolders, "History"}; return true;
        case 12: *source = {kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Outlook Express", "InstallRoot"}; return true;
        case 13: *source = {kHkeyCurrentUser, "Software\\Microsoft\\Outlook Express", "Store Root"}; return true;
        case 14: *source = {kHkeyCurrentUser, "Software\\Mirabilis\\ICQ\\DLL", ""}; return true;
        case 15: *source = {kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Winamp", "UninstallString"}; return true;
        default: return false;
    }
}

}  // namespace

std::string ResolvePathID(std::int32_t pathID, std::string& errorText) {
    std::string result;
    CSLRegKeyEnum key;
    RegistrySource source{};

    if (pathID == 1) {
        result = platform::Current().GetWindowsDirectory();
    } else if (pathID == 2 || pathID == 3) {
        result = platform::Current().GetSystemDirectory();
    } else if (pathID == 11) {
        // Every Netscape user's "DirRoot", each followed by ";".
        const std::string users = "SOFTWARE\\Netscape\\Netscape Navigator\\Users";
        key.Open(kHkeyLocalMachine, users, false);
        for (platform::DWORD index = 0;; ++index) {
            std::string name;
            std::string keyClass;
            platform::LONG rc = key.EnumerateKeys(index, name, keyClass);
            if (rc != 0) {
                ReportError(errorText, Format("ResolvePathID #%i EnumerateKeys error: %i\n",
                                              pathID, static_cast<int>(rc)));
                break;
            }
            if (name.empty()) break;
            CSLRegKey user(kHkeyLocalMachine, users + "\\" + name, false);
            std::string dirRoot = user.QueryString("DirRoot", "");
            if (!dirRoot.empty()) result += WithTrailingBackslash(dirRoot) + ";";
            user.Close();
        }
    } else if (SourceFor(pathID, &source)) {
        key.Open(source.root, source.key, false);
        result = key.QueryString(source.value, "");
        if (pathID == 14 && !result.empty()) {
            // The value names ICQ's DLL folder or file; ICQ lives one level up.
            if (result.back() == '\\') result.pop_back();
            result = DirectoryPart(result);
        } else if (pathID == 15 && !result.empty()) {
            // The uninstaller lives in WinAmp's folder.
            std::size_t slash = result.rfind('\\');
            if (slash != std::string::npos) result.erase(slash);
        }
    } else {
        ReportError(errorText, Format("ResolvePathID #%i not found\n", pathID));
    }

    if (!result.empty()) {
        if (result.front() == '"') result.erase(0, 1);
        if (!result.empty() && result.back() == '"') result.pop_back();
        if (result.empty() || result.back() != ';') result = WithTrailingBackslash(result);
    }
    key.Close();
    return result;
}

}  // namespace sl
