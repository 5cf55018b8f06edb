#include "common/session/folder_path.h"

#include "common/session/inspect_binding.h"
#include "kernel/script/text_fields.h"

namespace sl::session {
namespace {

// Win32's numbers, as the inspect library's platform reports them.
constexpr uint32_t kErrorModNotFound = 126;  // the inspect library is missing
constexpr uint32_t kErrorAlreadyExists = 183;
constexpr uint32_t kInvalidFileAttributes = 0xFFFFFFFFu;

}  // namespace

bool PathExists(const std::string& path) {
    uint32_t attributes = 0;
    return FileAttributes(path, &attributes) == 0 && attributes != kInvalidFileAttributes;
}

uint32_t FileAttributes(const std::string& path, uint32_t* attributes) {
    const InspectApi* inspect = Inspect();
    if (inspect == nullptr) return kErrorModNotFound;
    return inspect->GetFileAttributes(path.c_str(), attributes);
}

bool EntryFound(const std::string& path) {
    const InspectApi* inspect = Inspect();
    return inspect != nullptr && inspect->EntryFound(path.c_str()) == 1;
}

uint32_t CreateOneFolder(const std::string& path) {
    const InspectApi* inspect = Inspect();
    if (inspect == nullptr) return kErrorModNotFound;
    const uint32_t rc = inspect->CreateDirectory(path.c_str());
    return rc == kErrorAlreadyExists ? 0 : rc;
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
