// File backup: copies the files of a file instruction into the backup folder
// under numbered names ("<n>.dat") and records where each came from.
#pragma once

#include <cstdint>
#include <string>

#include "kernel/storage/file_copy_run.h"
#include "kernel/storage/records.h"

namespace sl {

// Copies the files below the record's folder (its PathID resolved; with
// PathID 0 path is absolute) at path that match mask, and with recurse
// nonzero those of the subfolders too (see WalkBackupFiles). Every file found
// takes the next number of run.backupCounter, even when its copy fails; a
// copy that succeeds adds the pair (path below the record's folder, "<n>.dat")
// to the record. A PathID standing for several folders sets the record's
// PathID to 0 and copies from each folder with absolute paths, stopping at
// the first folder that fails. Returns 0, or the Win32 error of the folder's
// listing (4322 for a recursion without any source folder); failures are
// reported to run.errorText and the log.
std::int32_t BackupFileTree(FileCopyRun& run, CSLFileItem& record, const std::string& path,
                            const std::string& includeDirs, const std::string& excludeDirs,
                            const std::string& mask, std::int32_t recurse);

// The files of one folder only: BackupFileTree without recursion, except
// that an unresolved PathID is reported and gives 0.
std::int32_t BackupFolderFiles(FileCopyRun& run, CSLFileItem& record, const std::string& path,
                               const std::string& mask);

}  // namespace sl
