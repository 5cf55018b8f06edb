#include "kernel/interface/kernel.h"

#include "kernel/log/log.h"
#include "kernel/platform/platform.h"
#include "kernel/resolve/path_resolution.h"
#include "kernel/resolve/path_text.h"
#include "kernel/resolve/special_checks.h"
#include "kernel/storage/file_backup.h"
#include "kernel/storage/file_restore.h"

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

void CSLKernel::Report(const std::string& message) { ReportError(ErrorText, message); }

void CSLKernel::NotifyProgress(std::uint32_t code, std::intptr_t count) {
    if (ProgressWindow == nullptr || ProgressWindow->send == nullptr) return;
    ProgressWindow->send(ProgressWindow->context, WM_SL_PROGRESS, code, count);
}

void CSLKernel::NotifyItem(const std::string& id, const std::string& path) {
    if (ProgressWindow == nullptr || ProgressWindow->send == nullptr) return;
    const SLProgressItem item{id.c_str(), path.c_str(), FilesCopied};
    NotifyProgress(PROGRESS_ITEM, reinterpret_cast<std::intptr_t>(&item));
}

std::string CSLKernel::ResolvePathID(std::int32_t pathID) {
    return sl::ResolvePathID(pathID, ErrorText);
}

std::int32_t CSLKernel::CheckSpecialExists(std::int32_t specialExistsID) {
    return sl::CheckSpecialExists(specialExistsID, ErrorText);
}

FileCopyRun CSLKernel::FileRun() {
    return FileCopyRun{platform::Current(), Folder, BackupCounter, FilesCopied, ErrorText,
                       [this](const std::string& id, const std::string& path) {
                           NotifyItem(id, path);
                       }};
}

std::int32_t CSLKernel::SLFileCopyEx(CSLFileItem& record, const std::string& path,
                                     const std::string& includeDirs,
                                     const std::string& excludeDirs, const std::string& mask,
                                     std::int32_t recurse) {
    FileCopyRun run = FileRun();
    return BackupFileTree(run, record, path, includeDirs, excludeDirs, mask, recurse);
}

std::int32_t CSLKernel::SLFileCopyFiles(CSLFileItem& record, const std::string& path,
                                        const std::string& mask) {
    FileCopyRun run = FileRun();
    return BackupFolderFiles(run, record, path, mask);
}

std::int32_t CSLKernel::SLRestoreFiles(const CSLFileItem& record,
                                       const std::vector<RestoreFolder>* folders) {
    FileCopyRun run = FileRun();
    return RestoreRecordFiles(run, record, folders);
}

}  // namespace sl
