// The exports of the StowlarkInspect library (the SLI_ section of
// kernel/interface/stowlark_kernel.h), loaded at run time the way the kernel
// library is, the first time a program needs them.
#pragma once

#include <string>
#include <vector>

#include "kernel/interface/stowlark_kernel.h"

namespace sl::session {

#if defined(_WIN32)
inline constexpr const char* kInspectLibraryName = "StowlarkInspect.dll";
#else
inline constexpr const char* kInspectLibraryName = "libStowlarkInspect.so";
#endif

struct InspectApi {
    decltype(&SLI_ReadBackupFolder) ReadBackupFolder = nullptr;
    decltype(&SLI_ReadRegistryArchive) ReadRegistryArchive = nullptr;
    decltype(&SLI_ScriptIDs) ScriptIDs = nullptr;
    decltype(&SLI_PlanBackup) PlanBackup = nullptr;
    decltype(&SLI_GetFileAttributes) GetFileAttributes = nullptr;
    decltype(&SLI_EntryFound) EntryFound = nullptr;
    decltype(&SLI_CreateDirectory) CreateDirectory = nullptr;
    decltype(&SLI_GetWindowsDirectory) GetWindowsDirectory = nullptr;
    decltype(&SLI_AppendLog) AppendLog = nullptr;
    decltype(&SLI_GetLogFilePath) GetLogFilePath = nullptr;
    // Not in the Windows build (null there).
    decltype(&SLI_LookAtWindowsDisk) LookAtWindowsDisk = nullptr;
    decltype(&SLI_CheckWindowsHive) CheckWindowsHive = nullptr;
};

// The folders the inspect library is looked for in: the folder of the
// kernel library loaded last (LoadedKernelFolder()), then the kernel's
// default folders.
std::vector<std::string> InspectFolders();

// The inspect library's exports, loaded from InspectFolders() on the first
// call and kept for the life of the process; every export bound, or null
// when the library cannot be loaded or lacks one (InspectError() then says
// why, and a later call tries again). Safe to call from any thread.
const InspectApi* Inspect();
std::string InspectError();

}  // namespace sl::session
