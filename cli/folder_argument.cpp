#include "cli/folder_argument.h"

#include <cctype>

#include "kernel/platform/wine/dos_paths.h"

namespace sl::cli {

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
    if (IsDosPath(argument)) return argument;
    std::string dos = platform::wine::UnixToDosPath(prefix, argument);
    if (dos.empty()) {
        *error = "the folder " + argument + " lies on no drive of the Wine prefix " + prefix +
                 " (see its dosdevices folder)";
    }
    return dos;
}

std::string UnixFolder(const std::string& prefix, const std::string& dosFolder) {
    std::string unixPath;
    if (platform::wine::DosToUnixPath(prefix, dosFolder, &unixPath) != 0) return {};
    return unixPath;
}

}  // namespace sl::cli
