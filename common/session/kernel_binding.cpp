#include "common/session/kernel_binding.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <filesystem>

#include "kernel/interface/kernel.h"
#include "kernel/platform/wine/wine_platform.h"

namespace sl::session {
namespace {

template <typename Fn>
bool Bind(void* handle, const char* name, Fn* target, std::string* missing) {
    void* symbol = ::dlsym(handle, name);
    if (symbol == nullptr) {
        if (!missing->empty()) *missing += ", ";
        *missing += name;
        return false;
    }
    *target = reinterpret_cast<Fn>(symbol);
    return true;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

std::string ProgramFolder() {
    char buffer[PATH_MAX];
    ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (length <= 0) return {};
    std::string path(buffer, static_cast<std::size_t>(length));
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

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
    if (handle_ != nullptr) ::dlclose(handle_);
    handle_ = nullptr;
    api_ = KernelApi{};
    path_.clear();
}

bool KernelBinding::Load(const std::vector<std::string>& folders) {
    Unload();
    error_.clear();
    std::string tried;
    for (const std::string& folder : folders) {
        const std::string path = JoinPath(folder, kKernelLibraryName);
        if (::access(path.c_str(), F_OK) != 0) {
            tried += "\n  " + path + " (not there)";
            continue;
        }
        void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            const char* why = ::dlerror();
            tried += "\n  " + path + " (" + (why ? why : "cannot be loaded") + ")";
            continue;
        }
        KernelApi api;
        std::string missing;
        Bind(handle, "SL_RunInstructions", &api.RunInstructions, &missing);
        Bind(handle, "SL_StopRunInstructions", &api.StopRunInstructions, &missing);
        Bind(handle, "SL_DoesPathContainSLFiles", &api.DoesPathContainSLFiles, &missing);
        Bind(handle, "SL_GetSavedIDs", &api.GetSavedIDs, &missing);
        Bind(handle, "SL_GetRestoredIDs", &api.GetRestoredIDs, &missing);
        Bind(handle, "SL_GetInstalledIDsN", &api.GetInstalledIDsN, &missing);
        if (!missing.empty()) {
            ::dlclose(handle);
            error_ = "The Stowlark library " + path + " lacks the function(s) " + missing +
                     ".\nIt does not belong to this version of Stowlark; please reinstall Stowlark.";
            return false;
        }
        handle_ = handle;
        api_ = api;
        path_ = path;
        return true;
    }
    error_ = std::string("The Stowlark library ") + kKernelLibraryName +
             " could not be loaded. Stowlark cannot work without it.\nLooked for:" +
             (tried.empty() ? std::string("\n  (no folder to look in)") : tried) +
             "\nPlease build or reinstall Stowlark.";
    return false;
}

std::string KernelLogPath(const std::string& libraryPath) {
    if (libraryPath.empty()) return {};
    // The library's own rule, asked of a platform that stands where the
    // library is; the prefix plays no part in it.
    platform::wine::WinePlatformOptions options;
    options.modulePath = libraryPath;
    options.serverRunning = [] { return false; };
    platform::wine::WinePlatform machine("", options);
    return machine.LogFilePath(kLogName);
}

}  // namespace sl::session
