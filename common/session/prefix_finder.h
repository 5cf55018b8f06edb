// The Wine prefixes of this user, found where Wine and the prefix managers
// keep them, each with a name MANAGER:NAME:
//
//   wine:default      ~/.wine
//   winetricks:NAME   $XDG_DATA_HOME/wineprefixes/NAME
//   bottles:NAME      $XDG_DATA_HOME/bottles/bottles/NAME, and the Flatpak's
//                     ~/.var/app/com.usebottles.bottles/data/bottles/bottles/NAME
//   lutris:GAME       the "game: prefix:" of $XDG_CONFIG_HOME/lutris/games/*.yml
//                     and $XDG_DATA_HOME/lutris/games/*.yml (GAME from the file name)
//   playonlinux:NAME  ~/.PlayOnLinux/wineprefix/NAME
//   phoenicis:NAME    ~/.Phoenicis/containers/wineprefix/NAME
//   steam:APPID       steamapps/compatdata/APPID/pfx of every library that
//                     steamapps/libraryfolders.vdf lists, for the Steam
//                     installations $XDG_DATA_HOME/Steam, ~/.steam/steam and
//                     ~/.var/app/com.valvesoftware.Steam/.local/share/Steam
//   crossover:NAME    ~/.cxoffice/NAME
//   wine:env          $WINEPREFIX, when it is set and is none of the above
//
// XDG_DATA_HOME defaults to ~/.local/share, XDG_CONFIG_HOME to ~/.config
// (a relative value counts as unset). A folder is a prefix when it holds a
// regular file system.reg. The same folder reached twice (links) is listed
// once, under the first name in the order above; the list keeps that order,
// names of one manager sorted (numbers by value). When two folders would
// get the same name, the later ones get "-2", "-3", ... Names and folders
// holding control characters are left out. Every folder is listed one level
// deep and with a bound; files are read only when regular and small.
#pragma once

#include <string>
#include <vector>

namespace sl::session {

struct FoundPrefix {
    std::string name;          // "bottles:Office"
    std::string architecture;  // "win32", "win64" or "unknown"
    std::string folder;        // canonical (links resolved)
};

// Where to look: the user's home and the variables that move things.
struct FinderEnvironment {
    std::string home;           // never empty when taken from the process
    std::string xdgDataHome;    // "" when unset
    std::string xdgConfigHome;  // "" when unset
    std::string winePrefix;     // "" when unset
};

// The environment of this process (HOME, else the password database).
FinderEnvironment ProcessFinderEnvironment();

std::vector<FoundPrefix> FindPrefixes(const FinderEnvironment& environment);

// The prefix of that name in found; null when there is none.
const FoundPrefix* FindPrefixByName(const std::vector<FoundPrefix>& found,
                                    const std::string& name);

// The prefix with that folder (as written, else in canonical form); null
// when none.
const FoundPrefix* FindPrefixByFolder(const std::vector<FoundPrefix>& found,
                                      const std::string& folder);

}  // namespace sl::session
