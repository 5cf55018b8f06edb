// The prefix finder on real folders laid out as Wine and each prefix
// manager lay them out, in a temporary home.
#include "common/session/prefix_finder.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "common/session/prefix_files.h"

namespace fs = std::filesystem;

namespace sl::session {
namespace {

class PrefixFinderTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = fs::temp_directory_path().string() + "/sl-finder-XXXXXX";
        root_ = fs::canonical(::mkdtemp(pattern.data())).string();
        env_.home = Home();
        fs::create_directories(env_.home);
    }
    void TearDown() override { fs::remove_all(root_); }

    std::string Home() const { return root_ + "/home"; }

    // A prefix as wineboot leaves it: system.reg with its #arch line.
    std::string Prefix(const std::string& folder, const std::string& arch = "win64") {
        fs::create_directories(folder + "/drive_c");
        std::ofstream(folder + "/system.reg")
            << "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n"
            << (arch.empty() ? "" : "#arch=" + arch + "\n") << "\n[Software] 1700000000\n";
        return folder;
    }
    void Write(const std::string& path, const std::string& text) {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path) << text;
    }
    std::vector<std::string> Found() {
        std::vector<std::string> lines;
        for (const FoundPrefix& p : FindPrefixes(env_)) {
            lines.push_back(p.name + " " + p.architecture + " " + p.folder);
        }
        return lines;
    }

    std::string root_;
    FinderEnvironment env_;
};

using Lines = std::vector<std::string>;

TEST_F(PrefixFinderTest, FindsEveryManagersLayoutInItsOrder) {
    const std::string h = Home();
    Prefix(h + "/.wine", "win32");
    Prefix(h + "/.local/share/wineprefixes/office");
    Prefix(h + "/.local/share/bottles/bottles/Gaming");
    Prefix(h + "/.var/app/com.usebottles.bottles/data/bottles/bottles/Sandboxed", "");
    Prefix(h + "/Games/netscape", "win32");
    Write(h + "/.config/lutris/games/netscape-1612345678.yml",
          "game:\n  exe: x.exe\n  prefix: " + h + "/Games/netscape\n");
    Prefix(h + "/Games/icq");
    Write(h + "/.local/share/lutris/games/icq-99.yml", "game:\n  prefix: ~/Games/icq\n");
    Prefix(h + "/.PlayOnLinux/wineprefix/Office97", "win32");
    Prefix(h + "/.Phoenicis/containers/wineprefix/winamp", "win32");
    Prefix(h + "/.local/share/Steam/steamapps/compatdata/220/pfx");
    Prefix(h + "/.cxoffice/Outlook");
    EXPECT_EQ(Found(), (Lines{
        "wine:default win32 " + h + "/.wine",
        "winetricks:office win64 " + h + "/.local/share/wineprefixes/office",
        "bottles:Gaming win64 " + h + "/.local/share/bottles/bottles/Gaming",
        "bottles:Sandboxed unknown " + h +
            "/.var/app/com.usebottles.bottles/data/bottles/bottles/Sandboxed",
        "lutris:icq win64 " + h + "/Games/icq",
        "lutris:netscape win32 " + h + "/Games/netscape",
        "playonlinux:Office97 win32 " + h + "/.PlayOnLinux/wineprefix/Office97",
        "phoenicis:winamp win32 " + h + "/.Phoenicis/containers/wineprefix/winamp",
        "steam:220 win64 " + h + "/.local/share/Steam/steamapps/compatdata/220/pfx",
        "crossover:Outlook win64 " + h + "/.cxoffice/Outlook"}));
}

TEST_F(PrefixFinderTest, XdgFoldersMoveWhatTheyMove) {
    const std::string h = Home();
    env_.xdgDataHome = root_ + "/data";
    env_.xdgConfigHome = root_ + "/conf";
    // Under the default folders: no longer looked at.
    Prefix(h + "/.local/share/wineprefixes/old");
    Prefix(h + "/.local/share/bottles/bottles/old");
    Prefix(h + "/g/old");
    Write(h + "/.config/lutris/games/old.yml", "game:\n  prefix: " + h + "/g/old\n");
    // Under the variables' folders.
    Prefix(root_ + "/data/wineprefixes/new");
    Prefix(root_ + "/data/bottles/bottles/new");
    Prefix(h + "/g/a");
    Prefix(h + "/g/b");
    Write(root_ + "/conf/lutris/games/a.yml", "game:\n  prefix: " + h + "/g/a\n");
    Write(root_ + "/data/lutris/games/b.yml", "game:\n  prefix: " + h + "/g/b\n");
    Prefix(root_ + "/data/Steam/steamapps/compatdata/10/pfx");
    EXPECT_EQ(Found(), (Lines{"winetricks:new win64 " + root_ + "/data/wineprefixes/new",
                              "bottles:new win64 " + root_ + "/data/bottles/bottles/new",
                              "lutris:a win64 " + h + "/g/a", "lutris:b win64 " + h + "/g/b",
                              "steam:10 win64 " + root_ + "/data/Steam/steamapps/compatdata/10/pfx"}));
    // A relative value is not a base folder: the default one counts again.
    env_.xdgDataHome = "data";
    env_.xdgConfigHome = "";
    EXPECT_EQ(Found().size(), 3u);  // winetricks:old, bottles:old, lutris:old
}

TEST_F(PrefixFinderTest, SteamPrefixesOfEveryListedLibraryOnce) {
    const std::string h = Home();
    const std::string steam = h + "/.local/share/Steam";
    const std::string lib1 = root_ + "/disk1/SteamLibrary";
    const std::string lib2 = root_ + "/disk2/Steam Library";
    Write(steam + "/steamapps/libraryfolders.vdf",
          "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + steam + "\"\n\t}\n"
          "\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" + lib1 + "\"\n\t}\n"
          "\t\"2\"\n\t{\n\t\t\"path\"\t\t\"" + lib2 + "\"\n\t}\n}\n");
    Prefix(steam + "/steamapps/compatdata/1000/pfx");
    Prefix(lib1 + "/steamapps/compatdata/220/pfx", "win32");
    Prefix(lib2 + "/steamapps/compatdata/7/pfx");
    fs::create_directories(lib2 + "/steamapps/compatdata/8/pfx");         // no system.reg
    Prefix(lib2 + "/steamapps/compatdata/notanapp/pfx");                 // no app ID
    Prefix(lib2 + "/steamapps/compatdata/9");                            // not in pfx
    // ~/.steam/steam is Steam's link to its own folder; the Flatpak lists a
    // library the native one lists too.
    fs::create_directories(h + "/.steam");
    fs::create_directory_symlink(steam, h + "/.steam/steam");
    const std::string flatpak = h + "/.var/app/com.valvesoftware.Steam/.local/share/Steam";
    Write(flatpak + "/steamapps/libraryfolders.vdf",
          "\"libraryfolders\" { \"1\" { \"path\" \"" + lib1 + "\" } }");
    Prefix(flatpak + "/steamapps/compatdata/400/pfx");
    EXPECT_EQ(Found(), (Lines{
        "steam:7 win64 " + lib2 + "/steamapps/compatdata/7/pfx",
        "steam:220 win32 " + lib1 + "/steamapps/compatdata/220/pfx",
        "steam:400 win64 " + flatpak + "/steamapps/compatdata/400/pfx",
        "steam:1000 win64 " + steam + "/steamapps/compatdata/1000/pfx"}));
}

TEST_F(PrefixFinderTest, OneFolderReachedTwiceIsListedOnceUnderItsFirstName) {
    const std::string h = Home();
    const std::string office = Prefix(h + "/.local/share/wineprefixes/office");
    fs::create_directory_symlink(office, h + "/.wine");
    fs::create_directories(h + "/.local/share/bottles/bottles");
    fs::create_directory_symlink(office, h + "/.local/share/bottles/bottles/again");
    env_.winePrefix = h + "/.local/share/wineprefixes/./office";
    EXPECT_EQ(Found(), (Lines{"wine:default win64 " + office}));
    // WINEPREFIX elsewhere: named wine:env, after all managers.
    env_.winePrefix = Prefix(root_ + "/mine", "win32");
    EXPECT_EQ(Found(), (Lines{"wine:default win64 " + office, "wine:env win32 " + root_ + "/mine"}));
    // Two folders that would share a name.
    Prefix(h + "/g1");
    Prefix(h + "/g2");
    Write(h + "/.config/lutris/games/doom-1.yml", "game:\n  prefix: " + h + "/g1\n");
    Write(h + "/.config/lutris/games/doom-2.yml", "game:\n  prefix: " + h + "/g2\n");
    const auto found = FindPrefixes(env_);
    ASSERT_EQ(found.size(), 4u);
    EXPECT_EQ(found[1].name + " " + found[1].folder, "lutris:doom " + h + "/g1");
    EXPECT_EQ(found[2].name + " " + found[2].folder, "lutris:doom-2 " + h + "/g2");
    EXPECT_EQ(FindPrefixByName(found, "lutris:doom-2"), &found[2]);
    EXPECT_EQ(FindPrefixByFolder(found, h + "/.wine"), &found[0]);
    EXPECT_EQ(FindPrefixByName(found, "lutris:nothing"), nullptr);
}

TEST_F(PrefixFinderTest, WhatIsNoPrefixIsLeftOut) {
    const std::string tricks = Home() + "/.local/share/wineprefixes";
    fs::create_directories(tricks + "/empty/drive_c");                  // no system.reg
    fs::create_directories(tricks + "/regfolder/system.reg");           // a folder of that name
    Prefix(root_ + "/elsewhere");
    fs::create_directories(tricks + "/linked");
    fs::create_symlink(root_ + "/elsewhere/system.reg", tricks + "/linked/system.reg");
    Write(tricks + "/afile", "not a folder");
    Prefix(tricks + "/bad\nname");                                      // cannot be one line
    Prefix(tricks + "/good");
    EXPECT_EQ(Found(), (Lines{"winetricks:good win64 " + tricks + "/good"}));
    EXPECT_EQ(CheckPrefixFolder(tricks + "/empty"), PrefixState::NoSystemReg);
    EXPECT_EQ(CheckPrefixFolder(tricks + "/linked"), PrefixState::NoSystemReg);
    EXPECT_EQ(CheckPrefixFolder(tricks + "/afile"), PrefixState::NotAFolder);
    EXPECT_EQ(CheckPrefixFolder(tricks + "/afile/x"), PrefixState::NotAFolder);
    EXPECT_EQ(CheckPrefixFolder(tricks + "/none"), PrefixState::Missing);
}

// A Lutris game file is small; a huge one (or a link to one) is not read.
TEST_F(PrefixFinderTest, OversizedOrLinkedGameFilesAreNotRead) {
    const std::string h = Home();
    const std::string games = h + "/.config/lutris/games";
    Prefix(h + "/g/big");
    Prefix(h + "/g/linked");
    Prefix(h + "/g/fine");
    Write(games + "/big-1.yml", "game:\n  prefix: " + h + "/g/big\n" +
                                    std::string(64 * 1024, '#') + "\n");
    Write(root_ + "/outside.yml", "game:\n  prefix: " + h + "/g/linked\n");
    fs::create_symlink(root_ + "/outside.yml", games + "/linked-1.yml");
    Write(games + "/fine-1.yml", "game:\n  prefix: " + h + "/g/fine\n" +
                                     std::string(60 * 1024, '#') + "\n");
    EXPECT_EQ(Found(), (Lines{"lutris:fine win64 " + h + "/g/fine"}));
}

// A FIFO where a file is expected would block a reader that opens it; the
// finder must pass it by (a hang here is the fault).
TEST_F(PrefixFinderTest, FifosWhereFilesBelongAreNeverWaitedOn) {
    const std::string h = Home();
    fs::create_directories(h + "/.wine");
    ASSERT_EQ(::mkfifo((h + "/.wine/system.reg").c_str(), 0600), 0);
    const std::string steam = h + "/.local/share/Steam/steamapps";
    fs::create_directories(steam);
    ASSERT_EQ(::mkfifo((steam + "/libraryfolders.vdf").c_str(), 0600), 0);
    Prefix(steam + "/compatdata/5/pfx");
    fs::create_directories(h + "/.config/lutris/games");
    ASSERT_EQ(::mkfifo((h + "/.config/lutris/games/x.yml").c_str(), 0600), 0);
    EXPECT_EQ(Found(), (Lines{"steam:5 win64 " + steam + "/compatdata/5/pfx"}));
    EXPECT_EQ(CheckPrefixFolder(h + "/.wine"), PrefixState::NoSystemReg);
    EXPECT_EQ(PrefixArchitecture(h + "/.wine"), "unknown");
    std::string text;
    EXPECT_FALSE(ReadSmallFile(h + "/.wine/system.reg", 100, &text));
}

TEST_F(PrefixFinderTest, ArchitectureComesFromTheHeaderOnly) {
    const std::string p = root_ + "/p";
    fs::create_directories(p);
    auto arch = [&](const std::string& reg) {
        Write(p + "/system.reg", reg);
        return PrefixArchitecture(p);
    };
    EXPECT_EQ(arch("WINE REGISTRY Version 2\r\n;; x\r\n\r\n#arch=win32\r\n"), "win32");
    EXPECT_EQ(arch("WINE REGISTRY Version 2\n\n[Software] 1\n#arch=win64\n"), "unknown");
    EXPECT_EQ(arch("WINE REGISTRY Version 2\n#arch=win128\n"), "unknown");
    EXPECT_EQ(arch("WINE REGISTRY Version 2\n#arch=win64"), "unknown");  // cut off
    EXPECT_EQ(arch(std::string(5000, ';') + "\n#arch=win64\n"), "unknown");
    // Too large a small file is refused, not cut.
    Write(p + "/big", std::string(101, 'x'));
    std::string text;
    EXPECT_FALSE(ReadSmallFile(p + "/big", 100, &text));
    EXPECT_TRUE(ReadSmallFile(p + "/big", 101, &text));
    EXPECT_EQ(text.size(), 101u);
}

TEST_F(PrefixFinderTest, TakesTheProcessEnvironment) {
    const char* saved = std::getenv("HOME");
    const std::string oldHome = saved ? saved : "";
    ::setenv("HOME", Home().c_str(), 1);
    ::setenv("WINEPREFIX", (root_ + "/w").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (root_ + "/d").c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    const FinderEnvironment env = ProcessFinderEnvironment();
    ::setenv("HOME", oldHome.c_str(), 1);
    ::unsetenv("WINEPREFIX");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(env.home, Home());
    EXPECT_EQ(env.winePrefix, root_ + "/w");
    EXPECT_EQ(env.xdgDataHome, root_ + "/d");
    EXPECT_EQ(env.xdgConfigHome, "");
}

}  // namespace
}  // namespace sl::session
