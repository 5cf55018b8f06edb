// The public interface of the StowlarkKernel library: seven exports with C
// linkage. Callers outside the project rely on these exact signatures.
//
// SL_RunInstructions  ids: ID list ('3','5' or '3''5'); folder: DOS path of the
//                     backup folder; mode: 1 backup, 0 restore; badIDs: set to
//                     the failed IDs; window: receives WM_SL_PROGRESS (1033,
//                     wParam 1 range, 2 step, 3 done, 4 item), may be null.
//                     Returns 1 success, 0 failure.
//                     Code 4 comes before each registry key and each file
//                     the run handles; its lParam points to an
//                     SLProgressItem valid only during that call. A window
//                     that knows only codes 1 to 3 ignores it.
// SL_StopRunInstructions  asks the run in progress to stop after its item.
// SL_DoesPathContainSLFiles  1 when folder holds "Stowlark.dat", else 0.
// SL_GetSavedIDs / SL_GetSavedBadIDs / SL_GetRestoredIDs  assign the list to
//                     ids on every path; return 0 or the read's failure code.
// SL_GetInstalledIDsN  the IDs (among those filter selects; "" selects all)
//                     whose application is not installed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kernel/log/log_name.h"  // sl::kLogName, the log's file name
// sl::platform::kWindowsDiskVariable, kWindowsUserVariable: a Windows disk
// as the machine, chosen through the environment before a call.
#include "kernel/platform/machine_choice.h"

namespace sl {

// The mode of SL_RunInstructions.
inline constexpr int32_t SL_MODE_RESTORE = 0;
inline constexpr int32_t SL_MODE_BACKUP = 1;

// The progress message a run sends its window, and its codes (wParam).
inline constexpr uint32_t WM_SL_PROGRESS = 1033;
inline constexpr uint32_t PROGRESS_RANGE = 1;  // lParam: the number of steps
inline constexpr uint32_t PROGRESS_STEP = 2;   // lParam: the steps done
inline constexpr uint32_t PROGRESS_DONE = 3;
// Sent before each registry key and each file, lParam an SLProgressItem*.
inline constexpr uint32_t PROGRESS_ITEM = 4;

}  // namespace sl

struct SLProgressWindow {                      // stands in for the window handle
    intptr_t (*send)(void* context, uint32_t message, uintptr_t wParam, intptr_t lParam);
    void* context;                             // send() returns only once the message is handled
};

// What progress code 4 names: the item in progress, and how many files the
// call has copied so far (backed up or put back).
struct SLProgressItem {
    const char* id;        // ID token of the instruction in progress ("'15'")
    const char* path;      // the file (DOS path) or registry key being handled
    uint32_t filesCopied;  // files copied by this call before this item
};

#if defined(_WIN32)
#define SL_EXPORT __declspec(dllexport)
#else
#define SL_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
SL_EXPORT int32_t SL_RunInstructions(const char* ids, const char* folder, int32_t mode,
                                     std::string& badIDs, const SLProgressWindow* window);
SL_EXPORT void SL_StopRunInstructions();
SL_EXPORT int32_t SL_DoesPathContainSLFiles(const char* folder);
SL_EXPORT int32_t SL_GetSavedIDs(const char* folder, std::string& ids);
SL_EXPORT int32_t SL_GetSavedBadIDs(const char* folder, std::string& ids);
SL_EXPORT int32_t SL_GetRestoredIDs(const char* folder, std::string& ids);
SL_EXPORT std::string SL_GetInstalledIDsN(const char* filter);
}

// ---------------------------------------------------------------------------
// StowlarkInspect (libStowlarkInspect.so, installed beside the kernel
// library): what the programs ask of the kernel's own code beyond the seven
// exports - reading a backup folder for show and verify, the plans of the
// command line's dry runs, and the few looks at the prefix the programs make
// around a run. Bound by name (dlsym) like the exports above. Every call
// works on a read-only view of the machine except SLI_CreateDirectory and
// SLI_AppendLog; none throws, failures come back as numbers. Calls may come
// from several threads; they run one at a time.

// Size of a backup file: none there (or a folder), or no plain file (a
// link, FIFO or device, which a run refuses to read).
inline constexpr int64_t SLI_NO_FILE = -1;
inline constexpr int64_t SLI_NOT_A_PLAIN_FILE = -2;

// One registry archive named by a bookkeeping file.
struct SLIRegistryArchive {
    std::string id;               // ID token of its component ("'15'")
    uint32_t root = 0;            // 0x80000001 and so on
    std::string keyPath;          // the saved key below root
    std::string fileName;         // the archive's name in the folder
    bool plainName = false;       // fileName names a file of the folder itself
    int64_t size = SLI_NO_FILE;   // its size, SLI_NO_FILE or SLI_NOT_A_PLAIN_FILE
};

// One set of file copies named by a bookkeeping file.
struct SLIFileCopies {
    std::string id;                        // ID token of its component
    int32_t pathId = 0;                    // the folder ID the sources are below (0: none)
    std::string from;                      // that folder on this machine; empty for 0 or unknown
    std::vector<std::string> sourceFiles;  // as recorded
    std::vector<std::string> backupFiles;  // the copies' names in the folder
    std::vector<int64_t> backupSizes;      // one per backupFiles, as SLIRegistryArchive::size
    std::vector<uint8_t> safePairs;        // one per source/copy pair: 1 when a restore accepts it
};

// What a backup folder's bookkeeping file "Stowlark.dat" says.
struct SLIBackupFolder {
    std::string folder;            // the folder as the kernel names it (with a final "\")
    int32_t bookkeeping = 0;       // 0, or the read's failure code (what was read before stays)
    std::string savedIDs;
    std::string restoredIDs;
    uint32_t backupCounter = 0;    // the last number used for a backup file
    std::vector<SLIRegistryArchive> registryArchives;
    std::vector<SLIFileCopies> fileCopies;
};

// What a registry archive holds.
struct SLIArchiveContents {
    int32_t values = 0;   // value records
    int32_t keys = 0;     // key records
    int32_t outside = 0;  // records not at or below the root and key asked about
};

// One file a backup would copy.
struct SLIWalkedFile {
    std::string path;     // DOS path
    uint64_t size = 0;
};

// One instruction of a backup's plan.
struct SLIPlannedItem {
    std::string id;               // ID token of the instruction
    bool registry = false;        // a registry key (else files)
    // A registry key: where, whether it is on this machine, what is below it.
    uint32_t root = 0;
    std::string keyPath;
    bool keyFound = false;
    int32_t values = 0;
    int32_t subkeys = 0;
    // Files: the mask, with or without subfolders, and per folder the ID
    // resolves to (none when it is not known on this machine) the files.
    std::string mask;
    bool recurse = false;
    std::vector<std::string> folders;                 // with a final "\"
    std::vector<std::vector<SLIWalkedFile>> files;    // one list per folder
};

// What a backup of some components into a folder would do.
struct SLIBackupPlan {
    std::string folder;            // the folder as the kernel names it
    bool holdsBookkeeping = false; // the folder holds "Stowlark.dat"
    int32_t bookkeeping = 0;       // 0, or why it cannot be read (then nothing below is filled)
    std::string savedIDs;          // the components already in the folder
    bool folderExists = true;      // false: the backup would create it
    std::vector<std::string> scriptIds;  // the script's IDs among those asked, in its order
    std::vector<SLIPlannedItem> items;   // the instructions of those not yet saved
    std::string scriptErrors;      // what the action script reported
};

// One user profile of a Windows installation on a disk.
struct SLIWindowsProfile {
    std::string name;      // the profile's name ("bob")
    std::string folder;    // its folder on the disk (a Unix path)
    std::string userHive;  // its NTUSER.DAT or USER.DAT (a Unix path)
};

// What a mounted Windows disk holds.
struct SLIWindowsDisk {
    std::string root;       // the disk's folder, with links resolved
    bool nineX = false;     // Windows 95, 98 or Me (else the NT family)
    std::vector<SLIWindowsProfile> profiles;
    int32_t byDefault = -1; // the profile taken when none is named, -1 for none
    int32_t named = -1;     // the profile of the name asked for (case aside), -1 for none
    std::string message;    // why it cannot be read, naming the file, when not 0
};

// True when the ID list ("'3''5'") holds the ID token ("'5'"): a
// case-sensitive search for the token.
inline bool SLI_IdListContains(const std::string& list, const std::string& token) {
    return !token.empty() && list.find(token) != std::string::npos;
}

extern "C" {
// Reads folder's (DOS path) bookkeeping file and looks up every backup file
// it names. Returns result.bookkeeping.
SL_EXPORT int32_t SLI_ReadBackupFolder(const char* folder, SLIBackupFolder& result);
// Reads the registry archive at path (DOS) and counts its records, those
// outside root\keyPath apart. Returns 0 or the read's failure code (the
// counts then cover what was read).
SL_EXPORT int32_t SLI_ReadRegistryArchive(const char* path, uint32_t root, const char* keyPath,
                                          SLIArchiveContents& contents);
// The IDs of the action script among ids (an ID list), in script order,
// each once; errors gets what the script reported. Returns 0.
SL_EXPORT int32_t SLI_ScriptIDs(const char* ids, std::vector<std::string>& scriptIds,
                                std::string& errors);
// Works out what a backup of ids into folder would save. Returns 0 or
// plan.bookkeeping.
SL_EXPORT int32_t SLI_PlanBackup(const char* ids, const char* folder, SLIBackupPlan& plan);
// The attributes of a file or folder (DOS path); 0 or a Win32 error number.
SL_EXPORT uint32_t SLI_GetFileAttributes(const char* path, uint32_t* attributes);
// 1 when a directory search for exactly path finds an entry, else 0.
SL_EXPORT int32_t SLI_EntryFound(const char* path);
// Creates one folder; 0 or a Win32 error number (183 when it exists).
SL_EXPORT uint32_t SLI_CreateDirectory(const char* path);
// The Windows folder of the prefix (DOS path).
SL_EXPORT void SLI_GetWindowsDirectory(std::string& folder);
// Appends text to the log "Stowlark.Log" beside this library.
SL_EXPORT void SLI_AppendLog(const char* text);
// Looks at the Windows installation mounted at dir (a Unix path): its
// family and user profiles, and which of them is named user (may be empty
// or null). 0; 3 when dir is no folder or holds no Windows
// installation; another number (with disk.message) when its profiles cannot
// be read.
SL_EXPORT int32_t SLI_LookAtWindowsDisk(const char* dir, const char* user, SLIWindowsDisk& disk);
// Reads the user hive of one profile through (a Unix path) to check it:
// 0, or the failure with message naming the file.
SL_EXPORT int32_t SLI_CheckWindowsHive(const char* file, int32_t nineX, std::string& message);
// Where the kernel library at modulePath writes "Stowlark.Log": beside it,
// or the per-user folder when that cannot be written; empty when neither
// can take it.
SL_EXPORT void SLI_GetLogFilePath(const char* modulePath, std::string& path);
}
