#include "common/session/inspect_binding.h"

#include <mutex>

#include "common/session/kernel_binding.h"
#include "common/session/library_loader.h"

namespace sl::session {
namespace {

std::mutex g_mutex;
bool g_loaded = false;
InspectApi g_api;
std::string g_error;

void BindAll(void* handle, std::string* missing, InspectApi& api) {
    BindExport(handle, "SLI_ReadBackupFolder", &api.ReadBackupFolder, missing);
    BindExport(handle, "SLI_ReadRegistryArchive", &api.ReadRegistryArchive, missing);
    BindExport(handle, "SLI_ScriptIDs", &api.ScriptIDs, missing);
    BindExport(handle, "SLI_PlanBackup", &api.PlanBackup, missing);
    BindExport(handle, "SLI_GetFileAttributes", &api.GetFileAttributes, missing);
    BindExport(handle, "SLI_EntryFound", &api.EntryFound, missing);
    BindExport(handle, "SLI_CreateDirectory", &api.CreateDirectory, missing);
    BindExport(handle, "SLI_GetWindowsDirectory", &api.GetWindowsDirectory, missing);
    BindExport(handle, "SLI_AppendLog", &api.AppendLog, missing);
#if !defined(_WIN32)
    // A Windows disk as the machine is a feature of the Linux build.
    BindExport(handle, "SLI_LookAtWindowsDisk", &api.LookAtWindowsDisk, missing);
    BindExport(handle, "SLI_CheckWindowsHive", &api.CheckWindowsHive, missing);
#endif
    BindExport(handle, "SLI_GetLogFilePath", &api.GetLogFilePath, missing);
}

}  // namespace

std::vector<std::string> InspectFolders() {
    std::vector<std::string> folders;
    const std::string kernelFolder = LoadedKernelFolder();
    if (!kernelFolder.empty()) folders.push_back(kernelFolder);
    for (const std::string& folder : KernelBinding::DefaultFolders()) {
        if (folder != kernelFolder) folders.push_back(folder);
    }
    return folders;
}

const InspectApi* Inspect() {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_loaded) return &g_api;
    InspectApi api;
    // The library stays loaded for the rest of the process: the programs
    // keep no handle that could outlive it.
    LoadedLibrary loaded = OpenLibrary(
        kInspectLibraryName, InspectFolders(),
        [&api](void* handle, std::string* missing) { BindAll(handle, missing, api); });
    if (loaded.handle == nullptr) {
        g_error = loaded.error;
        return nullptr;
    }
    g_api = api;
    g_error.clear();
    g_loaded = true;
    return &g_api;
}

std::string InspectError() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_error;
}

}  // namespace sl::session
