// The small readers of the prefix finder: Lutris game files and Steam's
// library list, as the managers write them and as a broken or hostile file
// may look.
#include <gtest/gtest.h>

#include "common/session/lutris_yaml.h"
#include "common/session/steam_libraries.h"

namespace sl::session {
namespace {

using Folders = std::vector<std::string>;

TEST(LutrisYaml, TakesThePrefixOfTheGameBlockOnly) {
    const std::string game =
        "game:\n"
        "  arch: win64\n"
        "  exe: /home/me/Games/office/drive_c/Office/winword.exe\n"
        "  prefix: /home/me/Games/office   # made by the installer\n"
        "system:\n"
        "  prefix: /elsewhere\n"
        "wine:\n"
        "  version: lutris-7.2\n";
    EXPECT_EQ(LutrisGamePrefix(game, "/home/me"), "/home/me/Games/office");
    // The same file written with Windows line ends.
    std::string crlf;
    for (char c : game) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(LutrisGamePrefix(crlf, "/home/me"), "/home/me/Games/office");
    // A prefix of another block, or deeper inside the game block, is not the game's.
    EXPECT_EQ(LutrisGamePrefix("system:\n  prefix: /a\n", "/h"), "");
    EXPECT_EQ(LutrisGamePrefix("game:\n  launch:\n    prefix: /a\n  exe: x\n", "/h"), "");
    EXPECT_EQ(LutrisGamePrefix("game:\n  prefixes: /a\n", "/h"), "");
    EXPECT_EQ(LutrisGamePrefix("games:\n  prefix: /a\n", "/h"), "");
    // A top-level key ends the game block.
    EXPECT_EQ(LutrisGamePrefix("game:\n  exe: x\nprefix: /a\n", "/h"), "");
}

TEST(LutrisYaml, ReadsQuotedValuesHomeAndRefusesWhatItCannotRead) {
    EXPECT_EQ(LutrisGamePrefix("game:\n  prefix: '/g/it''s here'\n", "/h"), "/g/it's here");
    EXPECT_EQ(LutrisGamePrefix("game:\n  prefix: \"/g/a \\\"b\\\" #1\"\n", "/h"), "/g/a \"b\" #1");
    EXPECT_EQ(LutrisGamePrefix("game:\n  prefix: ~/Games/x\n", "/home/me"), "/home/me/Games/x");
    // Relative, empty, unclosed, block scalars, flow style, odd escapes: no prefix.
    for (const char* text : {"game:\n  prefix: Games/x\n", "game:\n  prefix:\n",
                             "game:\n  prefix: '/a\n", "game:\n  prefix: |\n    /a\n",
                             "game: {prefix: /a}\n", "game:\n  prefix: \"/a\\x41\"\n",
                             "game:\n  prefix: *anchor\n", ""}) {
        EXPECT_EQ(LutrisGamePrefix(text, "/h"), "") << text;
    }
}

TEST(LutrisYaml, NamesTheGameByItsFileWithoutLutrisNumber) {
    EXPECT_EQ(LutrisGameName("office-97-1612345678.yml"), "office-97");
    EXPECT_EQ(LutrisGameName("winamp.yml"), "winamp");
    EXPECT_EQ(LutrisGameName("net-scape.yaml"), "net-scape");
    EXPECT_EQ(LutrisGameName("-123.yml"), "-123");
}

TEST(SteamLibraries, ReadsEveryPathOfTheCurrentForm) {
    const std::string vdf =
        "\"libraryfolders\"\n{\n"
        "\t\"0\"\n\t{\n\t\t\"path\"\t\t\"/home/me/.local/share/Steam\"\n"
        "\t\t\"label\"\t\t\"\"\n\t\t\"apps\"\n\t\t{\n\t\t\t\"228980\"\t\t\"123\"\n\t\t}\n\t}\n"
        "\t// a second disk\n"
        "\t\"1\"\n\t{\n\t\t\"PATH\"\t\t\"/mnt/Games \\\\ Steam\"\n\t\t\"contentid\" \"77\"\n\t}\n"
        "\t\"2\" { \"path\" \"/home/me/.local/share/Steam\" }\n"
        "}\n";
    EXPECT_EQ(SteamLibraryFolders(vdf),
              (Folders{"/home/me/.local/share/Steam", "/mnt/Games \\ Steam"}));
}

TEST(SteamLibraries, ReadsTheOlderFormAndIgnoresOtherEntries) {
    const std::string vdf =
        "\"LibraryFolders\"\n{\n\t\"TimeNextStatsReport\"\t\t\"1600000000\"\n"
        "\t\"ContentStatsID\"\t\t\"-123\"\n\t\"1\"\t\t\"/mnt/old\"\n\t\"2\"\t\t\"relative/lib\"\n}\n";
    EXPECT_EQ(SteamLibraryFolders(vdf), (Folders{"/mnt/old"}));
}

TEST(SteamLibraries, ABrokenFileYieldsWhatCameBeforeTheFault) {
    EXPECT_EQ(SteamLibraryFolders("\"libraryfolders\" { \"0\" { \"path\" \"/a\" } \"1\" { "
                                  "\"path\" \"/b"),
              (Folders{"/a"}));
    EXPECT_EQ(SteamLibraryFolders("}}}{{{"), Folders{});
    EXPECT_EQ(SteamLibraryFolders(""), Folders{});
    // A path deeper than a numbered entry (inside "apps") is no library.
    EXPECT_EQ(SteamLibraryFolders("\"l\" { \"0\" { \"apps\" { \"path\" \"/deep\" } } }"),
              Folders{});
    // Deep nesting ends the reading instead of growing without bound.
    std::string deep = "\"l\" { \"0\" { \"path\" \"/a\" } ";
    for (int i = 0; i < 100000; ++i) deep += "\"k\" { ";
    EXPECT_EQ(SteamLibraryFolders(deep), (Folders{"/a"}));
    // No more libraries than asked for.
    std::string many = "\"l\" {";
    for (int i = 0; i < 100; ++i) many += " \"" + std::to_string(i) + "\" \"/lib" + std::to_string(i) + "\"";
    EXPECT_EQ(SteamLibraryFolders(many + " }", 3), (Folders{"/lib0", "/lib1", "/lib2"}));
}

}  // namespace
}  // namespace sl::session
