// Loads the StowlarkKernel library at run time and binds its exports by name.
//
// The library is looked for in the program's own folder first, then in the
// installed library folder. The program cannot work without it: when the
// library or one of the exports the program uses is missing, Load() fails and
// Error() says which library was tried and what was missing, in words a user
// can act on.
#pragma once

#include <string>
#include <vector>

#include "common/session/kernel_api.h"

namespace sl::session {

#if defined(_WIN32)
inline constexpr const char* kKernelLibraryName = "StowlarkKernel.dll";
#else
inline constexpr const char* kKernelLibraryName = "libStowlarkKernel.so";
#endif
// What ends a folder in a library's path.
#if defined(_WIN32)
inline constexpr const char* kPathSeparators = "\\/";
#else
inline constexpr const char* kPathSeparators = "/";
#endif

class KernelBinding {
public:
    KernelBinding() = default;
    ~KernelBinding();
    KernelBinding(const KernelBinding&) = delete;
    KernelBinding& operator=(const KernelBinding&) = delete;

    // The folders searched by default: the folder of the running program
    // (/proc/self/exe), then the installed library folder of this build.
    static std::vector<std::string> DefaultFolders();

    // Tries kKernelLibraryName in each folder in order and binds the exports
    // of the first library that loads. Returns true when every export the
    // program uses is bound; otherwise false with Error() set and nothing
    // kept loaded. Loading again first unloads what was loaded.
    bool Load(const std::vector<std::string>& folders = DefaultFolders());

    bool Loaded() const { return handle_ != nullptr; }
    const KernelApi& Api() const { return api_; }
    // The file that was loaded; empty when nothing is loaded.
    const std::string& LibraryPath() const { return path_; }
    // Why the last Load() failed; empty after a success.
    const std::string& Error() const { return error_; }

private:
    void Unload();

    void* handle_ = nullptr;
    KernelApi api_;
    std::string path_;
    std::string error_;
};

// The folder of the kernel library a KernelBinding loaded last, where the
// inspect library is looked for first; empty when none was loaded.
// RememberLibraryFolder sets it (for a program that calls the kernel's code
// in-process, as tests do).
std::string LoadedKernelFolder();
void RememberLibraryFolder(const std::string& folder);

// The folder holding the running program; empty when it cannot be read.
std::string ProgramFolder();

// The log file "Stowlark.Log" that the library loaded from libraryPath writes
// to: beside the library, or the per-user folder when that one cannot be
// written (the library's own rule, asked of the inspect library). Empty for
// an empty libraryPath, or when the inspect library cannot be loaded.
std::string KernelLogPath(const std::string& libraryPath);

}  // namespace sl::session
