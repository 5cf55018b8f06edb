#include "kernel/resolve/path_text.h"

namespace sl {

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
