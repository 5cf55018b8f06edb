// Test support: Windows installations built in a folder, as an old PC's
// system partition looks when mounted: Windows XP, Windows 7 (64-bit) and
// Windows 98, each with its registry files, profile folders and an
// application of the catalogue (WinAmp: its registry keys and winamp.ini;
// on XP and 98 also Netscape Communicator 4 with a folder for each user).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "kernel/testing/offline/key_plan.h"

namespace sl::testing::offline {

// A fresh folder under $TMPDIR (or /tmp), removed with what it holds when
// destroyed (links are removed, never followed).
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The trees the builders write, for comparing what a reader returns.
KeyPlan XpSoftware(const std::vector<std::string>& users);
KeyPlan SevenSoftware(const std::vector<std::string>& users);
KeyPlan NtUserHive(const std::string& user, const std::string& winampFolder);
KeyPlan NinetyEightSystem(const std::vector<std::string>& users);
KeyPlan NinetyEightUser(const std::string& user);

// Windows XP: WINDOWS\system32\config\SOFTWARE, "Documents and
// Settings\<user>\NTUSER.DAT" for each user plus the system's own profile
// folders (All Users, Default User, LocalService, NetworkService),
// "Program Files\Winamp\winamp.ini".
bool BuildWindowsXp(const std::string& root, const std::vector<std::string>& users, std::string* error);
// Windows 7, 64-bit: Windows\System32\config\SOFTWARE with WinAmp under
// Wow6432Node, "Users\<user>\NTUSER.DAT" plus Default, Public and the links
// Windows makes ("Users\All Users", "Documents and Settings"), WinAmp in
// "Program Files (x86)".
bool BuildWindows7(const std::string& root, const std::vector<std::string>& users, std::string* error);
// Windows 98: WINDOWS\SYSTEM.DAT and WINDOWS\USER.DAT; with users, user
// profiles on: WINDOWS\Profiles\<user>\USER.DAT each.
bool BuildWindows98(const std::string& root, const std::vector<std::string>& users, std::string* error);

// Writes bytes to root/relative, making the folders on the way.
bool PutFile(const std::string& root, const std::string& relative, const std::string& bytes,
             std::string* error);

// Every entry below root with its modification time and, for a file, its
// content; links are listed, never followed. Two stamps of a disk compare
// equal when nothing on it was written.
std::map<std::string, std::string> DiskStamp(const std::string& root);

}  // namespace sl::testing::offline
