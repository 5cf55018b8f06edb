#include "kernel/testing/bookkeeping_file.h"

#include <memory>

#include "kernel/interface/kernel.h"
#include "kernel/platform/wine/paths/dos_paths.h"
#include "kernel/platform/wine/wine_platform.h"

namespace sl::testing {
namespace {

// Installs a platform of the prefix for the life of the scope.
class PrefixScope {
public:
    explicit PrefixScope(const std::string& prefix)
        : previous_(platform::Install(std::make_shared<platform::wine::WinePlatform>(prefix))) {}
    ~PrefixScope() { platform::Install(previous_); }

private:
    std::shared_ptr<platform::Platform> previous_;
};

}  // namespace

BookkeepingFile ReadBookkeepingFile(const std::string& prefix, const std::string& unixFolder) {
    PrefixScope scope(prefix);
    BookkeepingFile result;
    CSLKernel kernel;
    kernel.SetFolder(platform::wine::UnixToDosPath(prefix, unixFolder));
    result.rc = kernel.Load(kernel.Folder);
    result.saved = kernel.SavedIDs;
    result.restored = kernel.RestoredIDs;
    for (const auto& record : kernel.RegItems) result.regFiles.push_back(record->FileName);
    for (const auto& record : kernel.FileItems) {
        for (const std::string& name : record->BackupFiles) result.copyFiles.push_back(name);
    }
    return result;
}

bool CraftBookkeepingFile(const std::string& prefix, const std::string& unixFolder,
                          const std::string& keyPathEnd, const std::string& firstSource,
                          const std::string& backupEnd) {
    PrefixScope scope(prefix);
    CSLKernel kernel;
    kernel.SetFolder(platform::wine::UnixToDosPath(prefix, unixFolder));
    if (kernel.Load(kernel.Folder) != 0 || kernel.RegItems.empty() || kernel.FileItems.empty() ||
        kernel.FileItems[0]->SourceFiles.empty() || kernel.FileItems[0]->BackupFiles.empty()) {
        return false;
    }
    kernel.RegItems[0]->KeyPath += keyPathEnd;
    kernel.FileItems[0]->SourceFiles[0] = firstSource;
    kernel.FileItems[0]->BackupFiles[0] += backupEnd;
    return kernel.Save(kernel.Folder) == 0;
}

}  // namespace sl::testing
