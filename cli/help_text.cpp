#include "cli/help_text.h"

#ifndef SL_VERSION
#define SL_VERSION "0.0.0"
#endif

namespace sl::cli {

std::string HelpText() {
    return R"(NAME
    stowlark-cli - save, restore and unrestore Windows application settings
    of a Wine prefix from the command line

SYNOPSIS
    stowlark-cli prefixes
    stowlark-cli [--prefix DIR] list
    stowlark-cli [--prefix DIR] backup FOLDER [--typical | --all | ID...] [--dry-run]
    stowlark-cli [--prefix DIR] restore FOLDER [ID...] [--dry-run]
    stowlark-cli [--prefix DIR] unrestore [ID...]
    stowlark-cli [--prefix DIR] show FOLDER
    stowlark-cli [--prefix DIR] verify FOLDER
    stowlark-cli --windows-disk DISK users
    stowlark-cli --windows-disk DISK [--windows-user NAME] list | backup FOLDER ... | show FOLDER | verify FOLDER
    stowlark-cli completion bash | zsh | fish
    stowlark-cli --help | --version

    Every command but 'completion' also takes --json.
    DIR is a prefix folder or the name of a prefix that 'prefixes' lists.

DESCRIPTION
    stowlark-cli does what the Stowlark wizard does, without a window: it
    drives the same library (libStowlarkKernel.so, loaded from the program's
    own folder or the installed library folder) with the same component
    catalogue. Components are named by the IDs that 'list' shows; naming a
    group takes every component below it.

COMMANDS
    prefixes
        Every Wine prefix found on this computer, one per line: its name
        MANAGER:NAME, its architecture (win32, win64, or unknown) and its
        folder, separated by tabs. See PREFIXES.

    list
        The component catalogue as a tree: ID, title, whether the application
        is installed in the prefix, whether the component is typical.

    backup FOLDER [--typical | --all | ID...]
        Saves the typical components (the default), all components, or the
        components and groups named, into FOLDER, which is created when it
        does not exist. Components the folder already holds are skipped.

    restore FOLDER [ID...]
        Writes back the named components, by default every component the
        folder holds whose application is installed. Their current settings
        are first saved into the pre-restore folder C:\windows\Stowlark.Bak
        of the prefix, so that 'unrestore' can undo the restore.

    unrestore [ID...]
        Puts the named components, by default every component restored on
        this machine, back to the settings they had before their first
        restore, from the pre-restore folder.

    show FOLDER
        What a backup folder holds: the saved and restored components by
        title, every registry archive with its key, every file copy with its
        source file, and the size of each backup file.

    verify FOLDER
        Checks that every backup file named in the folder's Stowlark.dat is
        there and that every registry archive loads completely, and names
        each problem.

    users
        With --windows-disk: the user profiles of the Windows installation on
        the disk, one per line: the profile's name, its folder and, for the
        one taken when --windows-user is not given, "default", separated by
        tabs.

    completion SHELL
        Prints the completion script of bash, zsh or fish. The package
        installs them where each shell looks; elsewhere,
        'source <(stowlark-cli completion bash)' and the like load one.

    FOLDER is a folder of this computer (/home/me/backup) or a DOS path of
    the prefix (C:\Backups\Mine). A Unix path is given to the library in its
    DOS form, through the prefix drive that holds it. A DOS path with a ".."
    element, or a Unix path with a backslash in a name, is refused. Names
    read from a folder are shown with control characters as \xNN.

PREFIXES
    A Wine prefix is a folder holding a system.reg. The prefixes that Wine
    and the prefix managers made are found where they keep them, and named:

    wine:default       ~/.wine
    wine:env           WINEPREFIX, when it is set and names none of the others
    winetricks:NAME    ~/.local/share/wineprefixes/NAME
    bottles:NAME       ~/.local/share/bottles/bottles/NAME, and the same in
                       the Flatpak's ~/.var/app/com.usebottles.bottles/data
    lutris:GAME        the prefix of each game file of Lutris,
                       ~/.config/lutris/games/GAME-N.yml and
                       ~/.local/share/lutris/games/GAME-N.yml
    playonlinux:NAME   ~/.PlayOnLinux/wineprefix/NAME
    phoenicis:NAME     ~/.Phoenicis/containers/wineprefix/NAME
    steam:APPID        steamapps/compatdata/APPID/pfx in every Steam library
                       (native Steam and the Flatpak's)
    crossover:NAME     ~/.cxoffice/NAME

    XDG_DATA_HOME and XDG_CONFIG_HOME stand for ~/.local/share and
    ~/.config when set. A folder reached under two names is listed under the
    first; two folders that would share a name are told apart by "-2",
    "-3", ... after the later ones.

OPTIONS
    --prefix DIR
        The Wine prefix to work on for this call: a folder, or a name that
        'prefixes' lists (bottles:Office). An unknown name is bad usage; the
        message lists the names found. Without --prefix: WINEPREFIX, else
        ~/.wine, else a scratch copy of the demo machine (said so on
        standard error). A prefix named by --prefix, WINEPREFIX or ~/.wine
        that does not exist or holds no system.reg is an error (status 2):
        Stowlark never works on an empty machine in its stead.

    --windows-disk DISK
        Works on the Windows installation of an old PC instead of a Wine
        prefix: DISK is the folder its system partition is mounted on
        (/mnt/oldpc), Windows NT to 11 or Windows 95, 98 and Me. The disk is
        only read; nothing on it changes. Its C: drive is the disk and Z: is
        /, so FOLDER may be any folder of this computer (not one on the disk).
        For list, backup, show, verify and users; restore and unrestore
        write into a Wine prefix and are refused (status 2). A folder holding
        no Windows installation is refused (status 2).

    --windows-user NAME
        With --windows-disk: the user profile whose settings are read (its
        name as 'users' shows it, in any case). Needed when the disk holds
        several profiles; an unknown name is refused, naming the profiles
        found (status 2).

    -n, --dry-run
        backup and restore only: print what would be saved or written,
        component by component, and change nothing (no folder, no registry,
        no file, no log entry).

    --json
        Prints one JSON document on standard output instead of the text
        (see JSON OUTPUT); no progress is shown. Messages about bad usage
        still go to standard error; the exit status is the same.

    --typical, --all
        backup only: the typical components, or every component.

    -h, --help
        This manual.

    --version
        The program's version.

PROGRESS AND STOPPING
    On a terminal a progress bar follows the library's progress; otherwise
    every step is one line "Progress: N of M". Ctrl-C asks the library to
    stop after the item in progress, as the wizard's Cancel does; the backup
    folder's Stowlark.dat is still saved. At the end the failed components
    are listed by title (or "User Abort"), followed by the location of the
    log Stowlark.Log (or "none" when no folder can take it).

    restore and unrestore refuse to run while Windows programs (a wineserver)
    run in the prefix: the server would overwrite the restored registry.
    A server in a Flatpak's private /tmp counts too. Two Stowlark runs never
    write one prefix at once: the second waits up to 10 seconds while the
    first writes, then fails those components with error 33.

EXIT STATUS
    0    success
    1    some components failed (verify: the folder has problems)
    2    bad usage, unusable folder or prefix, library missing, or Windows
         programs running; nothing was done
    130  stopped with Ctrl-C

JSON OUTPUT
    One object per command (the manual page names every field). A component
    is {"id", "title"}, a folder {"dos", "unix"}.
    prefixes   {"prefixes": [{"name", "architecture", "folder"}]}
    users      {"disk", "users": [{"name", "folder", "default"}]}
               With --windows-disk, "prefix" is null and "windowsDisk" names
               the disk.
    list       {"prefix", "components": [component + "parent", "depth",
               "group", "installed", "typical"]}
    show       {"folder", "bookkeeping", "saved", "restored",
               "registryArchives", "fileCopies", "backupFiles", "bytes",
               "lastNumber"}
    verify     {"folder", "complete", "problems", "registryArchives",
               "fileCopies"}
    backup, restore, unrestore
               {"command", "dryRun", "prefix", "folder", "preRestoreFolder",
               "components": [component + "outcome"], "changed", ...}; a run
               adds "completed", "interrupted", "undoCopyMissing", "log"

ENVIRONMENT
    WINEPREFIX       the prefix when --prefix is not given
    HOME             where ~/.wine and the managers' folders are
    XDG_DATA_HOME    stands for ~/.local/share when set
    XDG_CONFIG_HOME  stands for ~/.config when set
    XDG_STATE_HOME   the log's fallback folder is $XDG_STATE_HOME/stowlark
    XDG_RUNTIME_DIR  where Flatpak applications' private /tmp folders are
                     looked for (a wineserver inside a Flatpak)

EXAMPLES
    stowlark-cli prefixes
    stowlark-cli --prefix steam:220 list
    stowlark-cli backup ~/stowlark-backup --all
    stowlark-cli backup ~/stowlark-backup 4 58 --dry-run
    stowlark-cli verify ~/stowlark-backup
    WINEPREFIX=~/other-machine stowlark-cli restore ~/stowlark-backup
    stowlark-cli unrestore 58
    stowlark-cli --json verify ~/stowlark-backup

MIGRATING FROM AN OLD WINDOWS DISK
    Mount the old system partition read-only, then back up from it and
    restore into the Wine prefix in two commands:

    sudo mount -o ro /dev/sdb1 /mnt/oldpc        (ntfs-3g: -t ntfs-3g -o ro)
    stowlark-cli --windows-disk /mnt/oldpc --windows-user bob backup ~/from-oldpc
    stowlark-cli restore ~/from-oldpc

    The applications need not sit in the same folders in the prefix: the
    restore puts their settings where they are installed there.

FILES
    FOLDER/Stowlark.dat         what the backup folder holds
    FOLDER/N.bin, FOLDER/N.dat  registry archives and file copies
    C:\windows\Stowlark.Bak     the pre-restore folder of the prefix
    Stowlark.Log                beside libStowlarkKernel.so, or in
                                ~/.local/state/stowlark/ when that folder
                                cannot be written
)";
}

std::string VersionText() { return std::string("stowlark-cli ") + SL_VERSION + "\n"; }

}  // namespace sl::cli
