// Finding one of the project's shared libraries (the kernel, the inspect
// module) in a list of folders and binding its exports by name.
#pragma once

#include <dlfcn.h>

#include <functional>
#include <string>
#include <vector>

namespace sl::session {

// Binds the export name of handle to *target; on failure appends name to
// *missing (comma separated) and returns false.
template <typename Fn>
bool BindExport(void* handle, const char* name, Fn* target, std::string* missing) {
    void* symbol = ::dlsym(handle, name);
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
    void* handle = nullptr;  // dlopen's handle; null when nothing loaded
    std::string path;        // the file that was loaded
    std::string error;       // why nothing was loaded, in words a user can act on
};

// Tries fileName in each folder in order and keeps the first library that
// loads and whose exports all bind. A library that loads but lacks exports
// ends the search: it does not belong to this version of Stowlark.
LoadedLibrary OpenLibrary(const char* fileName, const std::vector<std::string>& folders,
                          const BindExports& bind);

}  // namespace sl::session
