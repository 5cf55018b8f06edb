// The checks of verify: whether a backup folder still holds everything its
// bookkeeping file promises, so that a restore from it can succeed.
#pragma once

#include <string>
#include <vector>

#include "common/catalogue/component_catalogue.h"
#include "common/session/inspect_binding.h"

namespace sl::cli {

struct FolderCheck {
    std::vector<std::string> problems;  // one sentence each, naming file and component
    int registryArchives = 0;           // archives that load completely
    int fileCopies = 0;                 // file copies that are there
};

// Checks the records of folder (as the inspect library read it): every
// registry archive is a plain file name in the folder, exists and loads
// completely, and holds only records below its saved key (a restore refuses
// the others); every file record pairs each source with one copy, every
// pair is one a restore accepts, and every copy exists as a plain file (no
// link, FIFO or device, which a restore refuses). catalogue names the
// components.
FolderCheck CheckFolder(const SLIBackupFolder& folder, const ComponentCatalogue& catalogue,
                        const session::InspectApi& inspect);

}  // namespace sl::cli
