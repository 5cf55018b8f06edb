// Path pieces for the Win32 backend: Windows paths, with '\' or '/' between
// their elements.
#pragma once

#include <cstring>
#include <string>

#include "kernel/platform/platform.h"

namespace sl::platform::win32 {

// The folder part of path without its last separator ("C:\a" for "C:\a\b",
// "C:\" for "C:\b", "" for a bare name).
inline std::string FolderOf(const std::string& path) {
    std::size_t cut = path.find_last_of("\\/");
    if (cut == std::string::npos) return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : "";
    if (cut == 2 && path[1] == ':') return path.substr(0, 3);
    return path.substr(0, cut);
}

// The last element of path.
inline std::string BaseName(const std::string& path) {
    std::size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// folder and name joined by one '\' ("" and a bare drive "C:" take none).
inline std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '\\' || folder.back() == '/' || folder.back() == ':') {
        return folder + name;
    }
    return folder + "\\" + name;
}

// True for the names of temporaries of whole-file replaces.
inline bool IsTemporaryName(const char* name) {
    return std::strncmp(name, kTemporaryPrefix, sizeof kTemporaryPrefix - 1) == 0;
}

}  // namespace sl::platform::win32
