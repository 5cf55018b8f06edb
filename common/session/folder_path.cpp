#include "common/session/folder_path.h"

#include "kernel/platform/platform.h"
#include "kernel/script/text_fields.h"

namespace sl::session {

bool PathExists(const std::string& path) {
    platform::DWORD attributes = 0;
    return platform::Current().GetFileAttributes(path, &attributes) == platform::kErrorSuccess &&
           attributes != platform::kInvalidFileAttributes;
}

bool EntryFound(const std::string& path) {
    platform::Platform& machine = platform::Current();
    platform::FindHandle handle = 0;
    platform::FindData data;
    if (machine.FindFirstFile(path, &handle, &data) != platform::kErrorSuccess) return false;
    machine.FindClose(handle);
    return true;
}

uint32_t CreateOneFolder(const std::string& path) {
    platform::DWORD rc = platform::Current().CreateDirectory(path);
    if (rc == platform::kErrorAlreadyExists) return 0;
    return rc;
}

uint32_t CreateFolderPath(const std::string& path) {
    std::string built;
    std::string rest = path;
    std::string component = CutField(rest, '\\', false);
    while (!component.empty()) {
        built += component + "\\";
        if (!PathExists(built)) {
            uint32_t rc = CreateOneFolder(built);
            if (rc != 0) return rc;
        }
        component = CutField(rest, '\\', false);
    }
    return 0;
}

}  // namespace sl::session
