#include "common/session/library_loader.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

#if !defined(_WIN32)
#include "common/session/prefix_files.h"
#endif

namespace sl::session {
namespace {

#if defined(_WIN32)
std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '\\' || folder.back() == '/') return folder + name;
    return folder + "\\" + name;
}

bool FileThere(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The library itself, and the DLLs it needs from its own folder first
// (the C++ runtime beside it), never the current folder's.
void* LoadFrom(const std::string& path, std::string* why) {
    HMODULE module = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module == nullptr) *why = "cannot be loaded, error " + std::to_string(::GetLastError());
    return reinterpret_cast<void*>(module);
}
#else
bool FileThere(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

void* LoadFrom(const std::string& path, std::string* why) {
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* error = ::dlerror();
        *why = error ? error : "cannot be loaded";
    }
    return handle;
}
#endif

}  // namespace

void* FindExport(void* handle, const char* name) {
#if defined(_WIN32)
    return reinterpret_cast<void*>(::GetProcAddress(reinterpret_cast<HMODULE>(handle), name));
#else
    return ::dlsym(handle, name);
#endif
}

void CloseLibrary(void* handle) {
    if (handle == nullptr) return;
#if defined(_WIN32)
    ::FreeLibrary(reinterpret_cast<HMODULE>(handle));
#else
    ::dlclose(handle);
#endif
}

LoadedLibrary OpenLibrary(const char* fileName, const std::vector<std::string>& folders,
                          const BindExports& bind) {
    LoadedLibrary loaded;
    std::string tried;
    for (const std::string& folder : folders) {
        const std::string path = JoinPath(folder, fileName);
        if (!FileThere(path)) {
            tried += "\n  " + path + " (not there)";
            continue;
        }
        std::string why;
        void* handle = LoadFrom(path, &why);
        if (handle == nullptr) {
            tried += "\n  " + path + " (" + why + ")";
            continue;
        }
        std::string missing;
        bind(handle, &missing);
        if (!missing.empty()) {
            CloseLibrary(handle);
            loaded.error = "The Stowlark library " + path + " lacks the function(s) " + missing +
                           ".\nIt does not belong to this version of Stowlark; please reinstall "
                           "Stowlark.";
            return loaded;
        }
        loaded.handle = handle;
        loaded.path = path;
        return loaded;
    }
    loaded.error = std::string("The Stowlark library ") + fileName +
                   " could not be loaded. Stowlark cannot work without it.\nLooked for:" +
                   (tried.empty() ? std::string("\n  (no folder to look in)") : tried) +
                   "\nPlease build or reinstall Stowlark.";
    return loaded;
}

}  // namespace sl::session
