#include "kernel/resolve/path_text.h"

namespace sl {

bool EqualNoCaseAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::string WithTrailingBackslash(const std::string& path) {
    if (path.empty() || path.back() == '\\') return path;
    return path + '\\';
}

bool IsPlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("\\/:") == std::string::npos;
}

std::string DirectoryPart(const std::string& path) {
    std::size_t slash = path.rfind('\\');
    if (slash == std::string::npos) return std::string();
    std::string dir = path.substr(0, slash);
    if (dir.size() == 2 && dir[1] == ':') dir += '\\';
    return dir;
}

}  // namespace sl
