#include "kernel/platform/wine/paths/drive_table.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace sl::platform::wine {
namespace {

std::string TemporaryBase() {
    for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
        const char* value = std::getenv(name);
        struct stat st {};
        if (value != nullptr && value[0] == '/' && ::stat(value, &st) == 0 && S_ISDIR(st.st_mode) &&
            ::access(value, W_OK) == 0) {
            return value;
        }
    }
    return "/tmp";
}

}  // namespace

DriveTable::DriveTable(const std::vector<std::pair<char, std::string>>& drives) {
    std::string pattern = TemporaryBase() + "/stowlark-drives-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        error_ = pattern + ": " + std::strerror(errno);
        return;
    }
    const std::string folder = pattern;
    const std::string devices = folder + "/dosdevices";
    if (::mkdir(devices.c_str(), 0700) != 0) {
        error_ = devices + ": " + std::strerror(errno);
        ::rmdir(folder.c_str());
        return;
    }
    folder_ = folder;
    for (const auto& [letter, target] : drives) {
        std::string link = devices + "/" + static_cast<char>(letter | 0x20) + ":";
        if (::symlink(target.c_str(), link.c_str()) != 0) {
            error_ = link + ": " + std::strerror(errno);
            break;
        }
        links_.push_back(link);
    }
    if (!error_.empty()) Remove();
}

DriveTable::~DriveTable() { Remove(); }

void DriveTable::Remove() {
    if (folder_.empty()) return;
    for (const std::string& link : links_) ::unlink(link.c_str());
    ::rmdir((folder_ + "/dosdevices").c_str());
    ::rmdir(folder_.c_str());
    folder_.clear();
    links_.clear();
}

}  // namespace sl::platform::wine
