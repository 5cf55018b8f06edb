#include "kernel/testing/offline/windows_layouts.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "kernel/testing/offline/creg_hive_writer.h"
#include "kernel/testing/offline/nt_hive_writer.h"

namespace sl::testing::offline {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kSz = 1, kExpandSz = 2, kDword = 4;
constexpr char kWinampIni[] = "[Winamp]\r\nvolume=200\r\nskin=Bento\r\n";
constexpr char kNetscapePrefs[] = "user_pref(\"browser.startup.homepage\", \"http://home.example.org/\");\n";
constexpr char kUninstall[] = "Microsoft\\Windows\\CurrentVersion\\Uninstall\\Winamp";

std::string Sid(std::size_t i) { return "S-1-5-21-1004336348-1177238915-682003330-" + std::to_string(1003 + i); }

void WinampUninstall(KeyPlan& software, const std::string& folder) {
    software.Key(kUninstall)
        .Set("DisplayName", kSz, NtText("Winamp (remove only)"))
        .Set("UninstallString", kSz, NtText(folder + "\\UNINSTWA.EXE"));
}

// Netscape Communicator 4: its version, folder and every user's folder.
void NetscapeMachineKeys(KeyPlan& software, const std::vector<std::string>& users,
                         std::string (*text)(std::string_view)) {
    KeyPlan& navigator = software.Key("Netscape\\Netscape Navigator");
    navigator.Set("CurrentVersion", kSz, text("4.08"));
    navigator.Key("4.08\\Main").Set("Install Directory", kSz, text("C:\\Program Files\\Netscape\\Communicator"));
    KeyPlan& list = navigator.Key("Users");
    if (!users.empty()) list.Set("CurrentUser", kSz, text(users.front()));
    for (const std::string& user : users) {
        list.Key(user).Set("DirRoot", kSz, text("C:\\Program Files\\Netscape\\Users\\" + user));
    }
}

// CurrentVersion (SystemRoot, version) and its ProfileList with the three
// service accounts, the last two in serviceFolder.
KeyPlan& NtProfileList(KeyPlan& software, const std::string& systemRoot, const std::string& version,
                       const std::string& serviceFolder) {
    KeyPlan& current = software.Key("Microsoft\\Windows NT\\CurrentVersion");
    current.Set("SystemRoot", kSz, NtText(systemRoot)).Set("CurrentVersion", kSz, NtText(version));
    KeyPlan& list = current.Key("ProfileList");
    list.Key("S-1-5-18").Set("ProfileImagePath", kExpandSz, NtText("%systemroot%\\system32\\config\\systemprofile"));
    list.Key("S-1-5-19").Set("ProfileImagePath", kExpandSz, NtText(serviceFolder + "\\LocalService"));
    list.Key("S-1-5-20").Set("ProfileImagePath", kExpandSz, NtText(serviceFolder + "\\NetworkService"));
    return list;
}

bool MakeFolder(const std::string& root, const std::string& relative, std::string* error) {
    std::error_code code;
    fs::create_directories(fs::path(root) / relative, code);
    if (code) *error = root + "/" + relative + ": " + code.message();
    return !code;
}

bool PutNtHive(const std::string& root, const std::string& relative, const KeyPlan& tree, std::string* error) {
    fs::path path = fs::path(root) / relative;
    return MakeFolder(root, path.parent_path().lexically_relative(root).string(), error) &&
           WriteNtHive(path.string(), tree, error);
}

bool PutCregHive(const std::string& root, const std::string& relative, const KeyPlan& tree,
                 std::string* error) {
    fs::path path = fs::path(root) / relative;
    return MakeFolder(root, path.parent_path().lexically_relative(root).string(), error) &&
           WriteCregHive(path.string(), tree, error);
}

bool Link(const std::string& target, const std::string& where, std::string* error) {
    std::error_code code;
    fs::create_directory_symlink(target, where, code);
    if (code) *error = where + ": " + code.message();
    return !code;
}

}  // namespace

TempFolder::TempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/sl-disk-XXXXXX";
    if (char* made = ::mkdtemp(pattern.data())) path_ = made;
}

TempFolder::~TempFolder() {
    std::error_code code;
    if (!path_.empty()) fs::remove_all(path_, code);
}

bool PutFile(const std::string& root, const std::string& relative, const std::string& bytes,
             std::string* error) {
    fs::path path = fs::path(root) / relative;
    if (!MakeFolder(root, path.parent_path().lexically_relative(root).string(), error)) return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) *error = path.string() + ": cannot write";
    return static_cast<bool>(out);
}

KeyPlan XpSoftware(const std::vector<std::string>& users) {
    KeyPlan software{"$$$PROTO.HIV", false, {}, {}, {}};
    KeyPlan& list = NtProfileList(software, "C:\\WINDOWS", "5.1", "%SystemDrive%\\Documents and Settings");
    list.Set("ProfilesDirectory", kExpandSz, NtText("%SystemDrive%\\Documents and Settings"))
        .Set("AllUsersProfile", kSz, NtText("All Users"))
        .Set("DefaultUserProfile", kSz, NtText("Default User"));
    for (std::size_t i = 0; i < users.size(); ++i) {
        list.Key(Sid(i))
            .Set("ProfileImagePath", kExpandSz, NtText("%SystemDrive%\\Documents and Settings\\" + users[i]))
            .Set("Flags", kDword, Dword(0));
    }
    software.Key("Microsoft\\Windows\\CurrentVersion").Set("ProgramFilesDir", kSz, NtText("C:\\Program Files"));
    WinampUninstall(software, "C:\\Program Files\\Winamp");
    NetscapeMachineKeys(software, users, &NtText);
    return software;
}

KeyPlan SevenSoftware(const std::vector<std::string>& users) {
    KeyPlan software{"CMI-CreateHive{199DAFC2-6F16-4946-BF90-5A3FC3A60902}", false, {}, {}, {}};
    KeyPlan& list = NtProfileList(software, "C:\\Windows", "6.1", "C:\\Windows\\ServiceProfiles");
    list.Set("ProfilesDirectory", kExpandSz, NtText("%SystemDrive%\\Users"))
        .Set("Default", kExpandSz, NtText("%SystemDrive%\\Users\\Default"))
        .Set("Public", kExpandSz, NtText("%SystemDrive%\\Users\\Public"));
    for (std::size_t i = 0; i < users.size(); ++i) {
        list.Key(Sid(i)).Set("ProfileImagePath", kExpandSz, NtText("C:\\Users\\" + users[i]));
    }
    software.Key("Microsoft\\Windows\\CurrentVersion").Set("ProgramFilesDir", kSz, NtText("C:\\Program Files"));
    KeyPlan& wow = software.Key("Wow6432Node");
    wow.Key("Microsoft\\Windows\\CurrentVersion").Set("ProgramFilesDir", kSz, NtText("C:\\Program Files (x86)"));
    WinampUninstall(wow, "C:\\Program Files (x86)\\Winamp");
    KeyPlan& classes = software.Key("Classes\\Winamp.File");
    classes.hasClass = true;
    classes.keyClass = "Winamp media file";
    classes.Set("", kSz, NtText("Winamp media file"));
    return software;
}

KeyPlan NtUserHive(const std::string& user, const std::string& winampFolder) {
    KeyPlan hive{"$$$PROTO.HIV", false, {}, {}, {}};
    hive.Key("Software\\Winamp").Set("", kSz, NtText(winampFolder)).Set("Language", kDword, Dword(0x409));
    hive.Key("Volatile Environment").Set("USERNAME", kSz, NtText(user));
    return hive;
}

KeyPlan NinetyEightSystem(const std::vector<std::string>& users) {
    KeyPlan system{"", false, {}, {}, {}};
    KeyPlan& current = system.Key("Software\\Microsoft\\Windows\\CurrentVersion");
    current.Set("ProgramFilesDir", kSz, AnsiText("C:\\Program Files"))
        .Set("SystemRoot", kSz, AnsiText("C:\\WINDOWS"))
        .Set("Version", kSz, AnsiText("Windows 98"));
    system.Key(std::string("Software\\") + kUninstall)
        .Set("DisplayName", kSz, AnsiText("Winamp (remove only)"))
        .Set("UninstallString", kSz, AnsiText("C:\\Program Files\\Winamp\\UNINSTWA.EXE"));
    for (const std::string& user : users) {
        current.Key("ProfileList\\" + user).Set("ProfileImagePath", kSz, AnsiText("C:\\WINDOWS\\Profiles\\" + user));
    }
    NetscapeMachineKeys(system.Key("Software"), users, &AnsiText);
    return system;
}

KeyPlan NinetyEightUser(const std::string& user) {
    KeyPlan hive{"", false, {}, {}, {}};
    hive.Key("Software\\Winamp").Set("", kSz, AnsiText("C:\\Program Files\\Winamp")).Set("Language", kDword, Dword(0x409));
    hive.Key("Network\\Logon").Set("username", kSz, AnsiText(user));
    return hive;
}

bool BuildWindowsXp(const std::string& root, const std::vector<std::string>& users, std::string* error) {
    if (!PutNtHive(root, "WINDOWS/system32/config/SOFTWARE", XpSoftware(users), error)) return false;
    for (const char* system : {"Default User", "LocalService", "NetworkService"}) {
        if (!PutNtHive(root, std::string("Documents and Settings/") + system + "/NTUSER.DAT",
                       NtUserHive(system, "C:\\Program Files\\Winamp"), error)) {
            return false;
        }
    }
    if (!MakeFolder(root, "Documents and Settings/All Users/Start Menu", error)) return false;
    for (const std::string& user : users) {
        if (!PutNtHive(root, "Documents and Settings/" + user + "/NTUSER.DAT",
                       NtUserHive(user, "C:\\Program Files\\Winamp"), error) ||
            !MakeFolder(root, "Documents and Settings/" + user + "/My Documents", error)) {
            return false;
        }
    }
    for (const std::string& user : users) {
        if (!PutFile(root, "Program Files/Netscape/Users/" + user + "/prefs.js", kNetscapePrefs, error)) return false;
    }
    return PutFile(root, "Program Files/Winamp/winamp.ini", kWinampIni, error) &&
           PutFile(root, "Program Files/Winamp/winamp.q1", "q1", error);
}

bool BuildWindows7(const std::string& root, const std::vector<std::string>& users, std::string* error) {
    if (!PutNtHive(root, "Windows/System32/config/SOFTWARE", SevenSoftware(users), error) ||
        !PutNtHive(root, "Users/Default/NTUSER.DAT", NtUserHive("Default", "C:\\Program Files (x86)\\Winamp"), error) ||
        !MakeFolder(root, "Users/Public/Documents", error) ||
        !MakeFolder(root, "ProgramData", error) || !MakeFolder(root, "Program Files", error)) {
        return false;
    }
    for (const std::string& user : users) {
        if (!PutNtHive(root, "Users/" + user + "/NTUSER.DAT",
                       NtUserHive(user, "C:\\Program Files (x86)\\Winamp"), error)) {
            return false;
        }
    }
    // Windows' own junctions: never to be followed.
    return Link("../ProgramData", root + "/Users/All Users", error) &&
           Link("Users", root + "/Documents and Settings", error) &&
           PutFile(root, "Program Files (x86)/Winamp/winamp.ini", kWinampIni, error);
}

bool BuildWindows98(const std::string& root, const std::vector<std::string>& users, std::string* error) {
    if (!PutCregHive(root, "WINDOWS/SYSTEM.DAT", NinetyEightSystem(users), error) ||
        !PutCregHive(root, "WINDOWS/USER.DAT", NinetyEightUser(""), error)) {
        return false;
    }
    for (const std::string& user : users) {
        if (!PutCregHive(root, "WINDOWS/Profiles/" + user + "/USER.DAT", NinetyEightUser(user), error)) return false;
    }
    for (const std::string& user : users) {
        if (!PutFile(root, "Program Files/Netscape/Users/" + user + "/PREFS.JS", kNetscapePrefs, error)) return false;
    }
    return PutFile(root, "Program Files/Winamp/WINAMP.INI", kWinampIni, error);
}

std::map<std::string, std::string> DiskStamp(const std::string& root) {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> out;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        struct stat st {};
        ::lstat(it->path().c_str(), &st);
        std::string what = std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
        if (S_ISREG(st.st_mode)) {
            std::ifstream in(it->path(), std::ios::binary);
            what += ":" + std::string(std::istreambuf_iterator<char>(in), {});
        }
        out[it->path().lexically_relative(root).string()] = what;
    }
    return out;
}

}  // namespace sl::testing::offline
