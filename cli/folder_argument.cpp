#include "cli/folder_argument.h"

#include <cctype>

#if defined(_WIN32)
#include <windows.h>
#else
#include "common/session/prefix_paths.h"
#endif

namespace sl::cli {

bool NamesAParent(const std::string& dosPath) {
    std::size_t start = 0;
    for (std::size_t i = 0; i <= dosPath.size(); ++i) {
        if (i == dosPath.size() || dosPath[i] == '\\' || dosPath[i] == '/') {
            if (dosPath.compare(start, i - start, "..") == 0 && i - start == 2) return true;
            start = i + 1;
        }
    }
    return false;
}

bool IsDosPath(const std::string& text) {
    return text.size() >= 2 && std::isalpha(static_cast<unsigned char>(text[0])) != 0 &&
           text[1] == ':';
}

std::string DosFolder(const std::string& prefix, const std::string& argument,
                      std::string* error) {
    if (argument.empty()) {
        *error = "the folder is empty";
        return {};
    }
    if (IsDosPath(argument)) {
        if (NamesAParent(argument)) {
            *error = "the folder " + argument +
                     " climbs to a parent folder (\\..\\); name the folder itself";
            return {};
        }
        return argument;
    }
#if defined(_WIN32)
    // A path without a drive letter: against the current folder (or its
    // drive, for "\\Backups"), as every Windows program takes it.
    (void)prefix;
    std::string full(32768, '\0');
    const DWORD n = ::GetFullPathNameA(argument.c_str(), static_cast<DWORD>(full.size()),
                                       full.data(), nullptr);
    full.resize(n < full.size() ? n : 0);
    if (!IsDosPath(full)) {
        *error = "the folder " + argument + " lies on no drive (C:\\...); network and device "
                 "paths are not taken";
        return {};
    }
    return full;
#else
    if (argument.find('\\') != std::string::npos) {
        *error = "the folder " + argument +
                 " has a backslash in a name, which a Windows path cannot hold";
        return {};
    }
    std::string dos = session::PrefixDosPath(prefix, argument);
    if (dos.empty()) {
        *error = "the folder " + argument + " lies on no drive of the Wine prefix " + prefix +
                 " (see its dosdevices folder)";
    }
    return dos;
#endif
}

std::string UnixFolder(const std::string& prefix, const std::string& dosFolder) {
#if defined(_WIN32)
    // Windows has no Unix side.
    (void)prefix;
    (void)dosFolder;
    return {};
#else
    std::string unixPath;
    if (session::PrefixUnixPath(prefix, dosFolder, &unixPath) != 0) return {};
    return unixPath;
#endif
}

}  // namespace sl::cli
