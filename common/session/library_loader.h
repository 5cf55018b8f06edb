// Finding one of the project's shared libraries (the kernel, the inspect
// module) in a list of folders and binding its exports by name: dlopen and
// dlsym on Linux, LoadLibrary and GetProcAddress on Windows.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace sl::session {

// The address of the export name of the loaded library handle; null when it
// has none.
void* FindExport(void* handle, const char* name);
// Unloads a library that OpenLibrary loaded; null is ignored.
void CloseLibrary(void* handle);

// Binds the export name of handle to *target; on failure appends name to
// *missing (comma separated) and returns false.
template <typename Fn>
bool BindExport(void* handle, const char* name, Fn* target, std::string* missing) {
    void* symbol = FindExport(handle, name);
    if (symbol == nullptr) {
        if (!missing->empty()) *missing += ", ";
        *missing += name;
        return false;
    }
    *target = reinterpret_cast<Fn>(symbol);
    return true;
}

// Binds every export the program uses; leaves the names it lacks in *missing.
using BindExports = std::function<void(void* handle, std::string* missing)>;

struct LoadedLibrary {
    void* handle = nullptr;  // the loaded library; null when nothing loaded
    std::string path;        // the file that was loaded
    std::string error;       // why nothing was loaded, in words a user can act on
};

// Tries fileName in each folder in order and keeps the first library that
// loads and whose exports all bind. A library that loads but lacks exports
// ends the search: it does not belong to this version of Stowlark.
LoadedLibrary OpenLibrary(const char* fileName, const std::vector<std::string>& folders,
                          const BindExports& bind);

}  // namespace sl::session
