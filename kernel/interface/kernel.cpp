#include "kernel/interface/kernel.h"

#include "kernel/interface/log.h"
#include "kernel/platform/platform.h"
#include "kernel/resolve/path_text.h"

namespace sl {

namespace {
std::unique_ptr<SerializableObject> CreateKernel() { return std::make_unique<CSLKernel>(); }
}  // namespace

const RuntimeClass CSLKernel::kClass{"CSLKernel", 1, &CreateKernel};

CSLKernel::~CSLKernel() {
    // Records are deleted from the tail, registry records first.
    while (!RegItems.empty()) RegItems.pop_back();
    while (!FileItems.empty()) FileItems.pop_back();
}

std::int32_t DoesPathContainSLFiles(const std::string& folder) {
    std::string path = WithTrailingBackslash(folder) + kBookkeepingName;
    platform::DWORD attributes = 0;
    return platform::Current().GetFileAttributes(path, &attributes) == 0 ? 1 : 0;
}

void CSLKernel::SetFolder(const std::string& path) { Folder = WithTrailingBackslash(path); }

void CSLKernel::Report(const std::string& message) {
    ErrorText += message;
    AppendLog(message, kLogName);
}

void CSLKernel::NotifyProgress(std::uint32_t code, std::intptr_t count) {
    if (ProgressWindow == nullptr || ProgressWindow->send == nullptr) return;
    ProgressWindow->send(ProgressWindow->context, WM_SL_PROGRESS, code, count);
}

void CSLKernel::NotifyItem(const std::string& id, const std::string& path) {
    if (ProgressWindow == nullptr || ProgressWindow->send == nullptr) return;
    const SLProgressItem item{id.c_str(), path.c_str(), FilesCopied};
    NotifyProgress(PROGRESS_ITEM, reinterpret_cast<std::intptr_t>(&item));
}

}  // namespace sl
