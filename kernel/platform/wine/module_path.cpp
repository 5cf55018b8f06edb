#include "kernel/platform/wine/module_path.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

namespace sl::platform::wine {

std::string KernelModulePath() {
    // This function's own address lies in the module being asked about.
    Dl_info info{};
    const char* name = nullptr;
    if (::dladdr(reinterpret_cast<void*>(&KernelModulePath), &info) != 0) name = info.dli_fname;
    char buffer[PATH_MAX];
    if (name != nullptr && name[0] != '\0' && ::realpath(name, buffer) != nullptr) {
        return buffer;
    }
    // The main program's name may be reported as it was typed, or not at all.
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return {};
    return std::string(buffer, static_cast<std::size_t>(n));
}

}  // namespace sl::platform::wine
