// Fuzz target: a whole backup folder from a stranger, restored into a scratch
// Wine prefix. The input is a list of folder entries (regular files such as
// Stowlark.dat, N.bin and N.dat; links to a file outside the prefix, to a
// device, to folders; FIFOs; folders), each made for real in C:\Backup. Then
// WinAmp's and Netscape's components are restored from it. Whatever the
// folder holds, the run must end, and nothing may change outside those
// components' folders (WinAmp's folder, each Netscape user's folder), their
// registry keys (less what their lines leave out) and the backup folder
// itself. Drive Z: maps to a folder beside the prefix, so that a write
// through it is seen there and never reaches the host.
//
// Input: entries one after another, each a kind byte (0 file, 1 link,
// 2 FIFO, 3 folder; taken modulo 4), a name length byte (modulo 25) and the
// name, then for a file a 16-bit little-endian length and the bytes, for a
// link one byte choosing its target.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "kernel/interface/kernel.h"
#include "kernel/platform/wine/wine_platform.h"

namespace {

namespace fs = std::filesystem;

const char kIDs[] = "'33''36''58''59''60'";

const char kSystemReg[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to REGISTRY\\\\Machine\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Winamp] 1700000000\n"
    "\"UninstallString\"=\"C:\\\\Program Files\\\\Winamp\\\\UNINSTWA.EXE\"\n"
    "\n"
    "[Software\\\\Netscape\\\\Netscape Navigator] 1700000000\n"
    "\"CurrentVersion\"=\"4.08\"\n"
    "\n"
    "[Software\\\\Netscape\\\\Netscape Navigator\\\\Users] 1700000000\n"
    "\"CurrentUser\"=\"alice\"\n"
    "\n"
    "[Software\\\\Netscape\\\\Netscape Navigator\\\\Users\\\\alice] 1700000000\n"
    "\"DirRoot\"=\"C:\\\\Program Files\\\\Netscape\\\\Users\\\\alice\"\n"
    "\n"
    "[Software\\\\Netscape\\\\Netscape Navigator\\\\Users\\\\bob] 1700000000\n"
    "\"DirRoot\"=\"C:\\\\Program Files\\\\Netscape\\\\Users\\\\bob\"\n"
    "\n"
    "[Software\\\\Other] 1700000000\n"
    "\"Keep\"=\"system\"\n";

const char kUserReg[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run] 1700000000\n"
    "\"Keep\"=\"run\"\n"
    "\n"
    "[Software\\\\Netscape] 1700000000\n"
    "\"Seen\"=\"1\"\n"
    "\n"
    "[Software\\\\Winamp] 1700000000\n"
    "\"Title\"=\"x\"\n";

const char kUserdefReg[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to REGISTRY\\\\User\\\\.Default\n"
    "\n"
    "#arch=win64\n";

// Where a link in the backup folder may point (relative ones from the folder).
const char* const kLinkTargets[] = {
    "../../../outside/victim.txt", "/dev/null",        "../Program Files/Winamp",
    "../../../outside",            "../windows/win.ini", "1.dat",
    "../Program Files/Winamp/winamp.ini",
};

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

const fs::path& Root() {
    static const fs::path root = [] {
        std::string base = fs::temp_directory_path().string() + "/sl-folder-fuzz-XXXXXX";
        if (::mkdtemp(base.data()) == nullptr) std::abort();
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(Root(), ignored);
        });
        return fs::path(base);
    }();
    return root;
}

// A fresh machine: WinAmp and two Netscape users, a link out of WinAmp's
// skins, files of others beside them, and a victim beyond drive Z:.
void MakeMachine() {
    const fs::path root = Root();
    std::error_code ignored;
    for (const char* part : {"prefix", "outside", "log"}) fs::remove_all(root / part, ignored);
    const fs::path prefix = root / "prefix";
    const fs::path c = prefix / "drive_c";
    fs::create_directories(prefix / "dosdevices");
    fs::create_directory_symlink("../drive_c", prefix / "dosdevices/c:");
    fs::create_directory_symlink("../../outside", prefix / "dosdevices/z:");
    fs::create_directories(root / "outside");
    fs::create_directories(root / "log");
    WriteText(root / "outside/victim.txt", "the user's own file");
    fs::create_directories(c / "windows/system32");
    WriteText(c / "windows/win.ini", "[windows]\n");
    fs::create_directories(c / "Program Files/Winamp/Skins/Neon");
    fs::create_directories(c / "Program Files/Winamp/Plugins");
    WriteText(c / "Program Files/Winamp/winamp.ini", "[Winamp]\n");
    WriteText(c / "Program Files/Winamp/Skins/Neon/main.bmp", "BM");
    fs::create_directory_symlink("../../../../../outside", c / "Program Files/Winamp/Skins/Out");
    for (const char* user : {"alice", "bob"}) {
        fs::create_directories(c / "Program Files/Netscape/Users" / user / "Mail");
        WriteText(c / "Program Files/Netscape/Users" / user / "prefs.js", "// prefs\n");
    }
    fs::create_directories(c / "Program Files/Netscape/Users/carol");
    fs::create_directories(c / "Backup");
    WriteText(prefix / "system.reg", kSystemReg);
    WriteText(prefix / "user.reg", kUserReg);
    WriteText(prefix / "userdef.reg", kUserdefReg);
}

// Makes the input's entries in the backup folder.
void MakeFolder(const std::uint8_t* data, std::size_t size) {
    const fs::path folder = Root() / "prefix/drive_c/Backup";
    std::size_t at = 0;
    int entries = 0;
    while (at + 2 <= size && entries < 64) {
        const unsigned kind = data[at] % 4;
        const std::size_t nameLength = data[at + 1] % 25;
        at += 2;
        if (at + nameLength > size) break;
        std::string name(reinterpret_cast<const char*>(data + at), nameLength);
        at += nameLength;
        for (char& ch : name) {
            if (ch == '/' || ch == '\0') ch = '_';
        }
        std::string bytes;
        unsigned target = 0;
        if (kind == 0) {
            if (at + 2 > size) break;
            std::size_t length = data[at] | (static_cast<std::size_t>(data[at + 1]) << 8);
            at += 2;
            if (length > size - at) length = size - at;
            bytes.assign(reinterpret_cast<const char*>(data + at), length);
            at += length;
        } else if (kind == 1) {
            if (at + 1 > size) break;
            target = data[at++] % (sizeof kLinkTargets / sizeof kLinkTargets[0]);
        }
        ++entries;
        if (name.empty() || name == "." || name == "..") continue;
        const fs::path path = folder / name;
        std::error_code ignored;
        if (fs::symlink_status(path, ignored).type() != fs::file_type::not_found) continue;
        switch (kind) {
            case 0: WriteText(path, bytes); break;
            case 1: fs::create_symlink(kLinkTargets[target], path, ignored); break;
            case 2: ::mkfifo(path.c_str(), 0600); break;
            default: fs::create_directory(path, ignored); break;
        }
    }
}

// Every entry below root (links by their text, never followed; folders by
// their names), with the contents of regular files.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
    std::map<std::string, std::string> entries;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        const std::string name = fs::relative(it->path(), root).string();
        if (it->is_symlink()) {
            entries[name] = "link " + fs::read_symlink(it->path()).string();
            it.disable_recursion_pending();
        } else if (it->is_directory()) {
            entries[name] = "folder";
        } else if (it->is_regular_file()) {
            entries[name] = "file " + ReadText(it->path());
        } else {
            entries[name] = "other";
        }
    }
    return entries;
}

bool StartsWith(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}

// The places of the restored components and of the run itself.
bool IsOwnedFile(const std::string& name) {
    for (const char* place :
         {"prefix/drive_c/Program Files/Winamp/", "prefix/drive_c/Program Files/Netscape/Users/alice/",
          "prefix/drive_c/Program Files/Netscape/Users/bob/", "prefix/drive_c/Backup/",
          "log/"}) {
        if (StartsWith(name, place)) return true;
    }
    // The hives are compared key by key.
    return name == "prefix/system.reg" || name == "prefix/user.reg";
}

std::string Lower(std::string text) {
    for (char& ch : text) {
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    }
    return text;
}

// The hive's sections by key path (lower case), without their times.
std::map<std::string, std::string> Sections(const std::string& text) {
    std::map<std::string, std::string> sections;
    std::istringstream lines(text);
    std::string line, current = "(header)";
    while (std::getline(lines, line)) {
        if (!line.empty() && line[0] == '[') {
            const std::size_t end = line.rfind(']');
            current = Lower(line.substr(1, end == std::string::npos ? std::string::npos : end - 1));
            sections[current];
            continue;
        }
        if (StartsWith(line, "#time=") || line.empty()) continue;
        sections[current] += line + "\n";
    }
    return sections;
}

bool IsAtOrBelow(const std::string& key, const std::string& base) {
    return key == base || StartsWith(key, base + "\\\\");
}

// Keys the restored components own in each hive (less what their lines
// leave out: Netscape's user list).
bool IsOwnedKey(const std::string& hive, const std::string& key) {
    if (hive == "user.reg") {
        return IsAtOrBelow(key, "software\\\\winamp") || IsAtOrBelow(key, "software\\\\netscape");
    }
    return IsAtOrBelow(key, "software\\\\netscape\\\\netscape navigator") &&
           !IsAtOrBelow(key, "software\\\\netscape\\\\netscape navigator\\\\users");
}

void CheckHive(const std::string& hive, const std::string& before, const std::string& after) {
    auto a = Sections(before);
    auto b = Sections(after);
    for (auto* map : {&a, &b}) {
        for (auto it = map->begin(); it != map->end();) {
            it = IsOwnedKey(hive, it->first) ? map->erase(it) : std::next(it);
        }
    }
    if (a != b) {
        std::fprintf(stderr, "%s changed outside the components' keys\n", hive.c_str());
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MakeMachine();
    MakeFolder(data, size);
    const fs::path root = Root();
    const auto before = Snapshot(root);
    const std::string systemBefore = ReadText(root / "prefix/system.reg");
    const std::string userBefore = ReadText(root / "prefix/user.reg");

    sl::platform::wine::WinePlatformOptions options;
    options.logFolder = (root / "log").string();
    options.fallbackLogFolder = (root / "log").string();
    options.serverRunning = [] { return false; };
    auto machine =
        std::make_shared<sl::platform::wine::WinePlatform>((root / "prefix").string(), options);
    auto previous = sl::platform::Install(machine);
    {
        sl::CSLKernel kernel;
        kernel.Mode = sl::SL_MODE_RESTORE;
        kernel.SetFolder("C:\\Backup");
        kernel.RunInstructions(kIDs);
    }
    sl::platform::Install(previous);
    machine.reset();

    const auto after = Snapshot(root);
    for (const auto& [name, entry] : after) {
        if (IsOwnedFile(name)) continue;
        auto old = before.find(name);
        if (old == before.end() || old->second != entry) {
            std::fprintf(stderr, "changed outside the components' places: %s\n", name.c_str());
            std::abort();
        }
    }
    for (const auto& [name, entry] : before) {
        if (!IsOwnedFile(name) && after.count(name) == 0) {
            std::fprintf(stderr, "removed outside the components' places: %s\n", name.c_str());
            std::abort();
        }
    }
    CheckHive("system.reg", systemBefore, ReadText(root / "prefix/system.reg"));
    CheckHive("user.reg", userBefore, ReadText(root / "prefix/user.reg"));
    return 0;
}
