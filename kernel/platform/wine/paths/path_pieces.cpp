#include "kernel/platform/wine/paths/path_pieces.h"

#include "kernel/platform/codepage/codepage_1252.h"

namespace sl::platform::wine::paths {

void AppendUnixName(std::string& out, std::string_view ansi) {
    for (char c : ansi) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            out += codepage::AnsiToUtf8(std::string(ansi));
            return;
        }
    }
    out += ansi;
}

std::string UnixNameOf(const Element& element) {
    if (element.matched || element.ascii) return std::string(element.ansi);
    std::string out;
    AppendUnixName(out, element.ansi);
    return out;
}

std::string JoinUnix(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

// The folder part of a path that has at least one element below its root.
std::string FolderOf(const std::string& path) {
    std::string folder;
    AssignFolderOf(path, folder);
    return folder;
}

void AssignFolderOf(const std::string& path, std::string& folder) {
    const std::size_t slash = path.find_last_of('/');
    folder.assign(path, 0, slash == 0 ? 1 : slash);
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace sl::platform::wine::paths
