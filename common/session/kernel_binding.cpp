#include "common/session/kernel_binding.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <climits>
#include <filesystem>
#include <mutex>

#include "common/session/inspect_binding.h"
#include "common/session/library_loader.h"
#include "common/session/prefix_files.h"

namespace sl::session {
namespace {

std::mutex g_folderMutex;
std::string g_kernelFolder;  // the folder of the kernel library loaded last

}  // namespace

#if defined(_WIN32)
std::string ProgramFolder() {
    // The call cuts the name to the buffer without saying how long it is.
    for (DWORD size = MAX_PATH; size <= 32768; size *= 2) {
        std::string path(size, '\0');
        const DWORD n = ::GetModuleFileNameA(nullptr, path.data(), size);
        if (n == 0) return {};
        if (n < size) {
            path.resize(n);
            const std::size_t slash = path.find_last_of("\\/");
            return slash == std::string::npos ? std::string() : path.substr(0, slash);
        }
    }
    return {};
}
#else
std::string ProgramFolder() {
    char buffer[PATH_MAX];
    ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (length <= 0) return {};
    std::string path(buffer, static_cast<std::size_t>(length));
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}
#endif

std::vector<std::string> KernelBinding::DefaultFolders() {
    std::vector<std::string> folders;
    std::string own = ProgramFolder();
    if (!own.empty()) folders.push_back(own);
#ifdef SL_LIBDIR_FROM_BINDIR
    // The library folder of the installation the program belongs to, wherever
    // that tree was unpacked (a package, a staging root).
    if (!own.empty()) {
        std::string folder =
            std::filesystem::path(JoinPath(own, SL_LIBDIR_FROM_BINDIR)).lexically_normal().string();
        if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        if (folder != own) folders.push_back(folder);
    }
#endif
#ifdef SL_INSTALL_LIBDIR
    if (own != SL_INSTALL_LIBDIR) folders.push_back(SL_INSTALL_LIBDIR);
#endif
    return folders;
}

KernelBinding::~KernelBinding() { Unload(); }

void KernelBinding::Unload() {
    CloseLibrary(handle_);
    handle_ = nullptr;
    api_ = KernelApi{};
    path_.clear();
}

bool KernelBinding::Load(const std::vector<std::string>& folders) {
    Unload();
    error_.clear();
    KernelApi api;
    LoadedLibrary loaded =
        OpenLibrary(kKernelLibraryName, folders, [&api](void* handle, std::string* missing) {
            BindExport(handle, "SL_RunInstructions", &api.RunInstructions, missing);
            BindExport(handle, "SL_StopRunInstructions", &api.StopRunInstructions, missing);
            BindExport(handle, "SL_DoesPathContainSLFiles", &api.DoesPathContainSLFiles, missing);
            BindExport(handle, "SL_GetSavedIDs", &api.GetSavedIDs, missing);
            BindExport(handle, "SL_GetRestoredIDs", &api.GetRestoredIDs, missing);
            BindExport(handle, "SL_GetInstalledIDsN", &api.GetInstalledIDsN, missing);
        });
    if (loaded.handle == nullptr) {
        error_ = loaded.error;
        return false;
    }
    handle_ = loaded.handle;
    api_ = api;
    path_ = loaded.path;
    RememberLibraryFolder(path_.substr(0, path_.find_last_of(kPathSeparators)));
    return true;
}

void RememberLibraryFolder(const std::string& folder) {
    std::lock_guard<std::mutex> lock(g_folderMutex);
    g_kernelFolder = folder;
}

std::string LoadedKernelFolder() {
    std::lock_guard<std::mutex> lock(g_folderMutex);
    return g_kernelFolder;
}

std::string KernelLogPath(const std::string& libraryPath) {
    if (libraryPath.empty()) return {};
    const InspectApi* inspect = Inspect();
    if (inspect == nullptr) return {};
    std::string path;
    inspect->GetLogFilePath(libraryPath.c_str(), path);
    return path;
}

}  // namespace sl::session
