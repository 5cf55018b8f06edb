#include "common/session/library_loader.h"

#include <unistd.h>

#include "common/session/prefix_files.h"

namespace sl::session {

LoadedLibrary OpenLibrary(const char* fileName, const std::vector<std::string>& folders,
                          const BindExports& bind) {
    LoadedLibrary loaded;
    std::string tried;
    for (const std::string& folder : folders) {
        const std::string path = JoinPath(folder, fileName);
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
        std::string missing;
        bind(handle, &missing);
        if (!missing.empty()) {
            ::dlclose(handle);
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
