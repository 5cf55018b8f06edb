// The checks of verify: whether a backup folder still holds everything its
// bookkeeping file promises, so that a restore from it can succeed.
#pragma once

#include <string>
#include <vector>

#include "kernel/interface/kernel.h"
#include "common/catalogue/component_catalogue.h"

namespace sl::cli {

struct FolderCheck {
    std::vector<std::string> problems;  // one sentence each, naming file and component
    int registryArchives = 0;           // archives that load completely
    int fileCopies = 0;                 // file copies that are there
};

// Checks the records of kernel (loaded from its Folder): every registry
// archive is a plain file name in the folder, exists and loads completely,
// and holds only records below its saved key (a restore refuses the
// others); every file record pairs each source with one copy, every pair is
// one a restore accepts, and every copy exists as a plain file (no link,
// FIFO or device, which a restore refuses). catalogue names
// the components.
FolderCheck CheckFolder(const CSLKernel& kernel, const ComponentCatalogue& catalogue);

}  // namespace sl::cli
