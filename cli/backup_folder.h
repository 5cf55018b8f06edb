// Reading a backup folder without the library's exports, which offer no
// records: the bookkeeping file "Stowlark.dat" and the registry archives,
// through the kernel's own code on the program's copy of the platform.
// Nothing here writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kernel/interface/kernel.h"
#include "kernel/resolve/path_text.h"
#include "kernel/storage/reg_save_restore.h"

namespace sl::cli {

// Loads the folder's bookkeeping file into kernel (after SetFolder). Returns
// 0 or the read's failure code; what was read before a failure stays.
std::int32_t LoadBookkeeping(const std::string& dosFolder, CSLKernel& kernel);

// Loads a registry archive into records. Returns 0 or the read's code.
std::int32_t LoadRegistryArchive(const std::string& path, RegRecordList& records);

// Size in bytes of the file name in the folder; -1 when there is no such
// file (or it is a folder), kNotAPlainFile when a link, FIFO or device
// stands there (which a run refuses to read).
inline constexpr std::int64_t kNotAPlainFile = -2;
std::int64_t BackupFileSize(const std::string& dosFolder, const std::string& name);

// "HKEY_CURRENT_USER" and so on; "root 0x..." for any other value.
std::string RootName(std::uint32_t root);

// What a failure code of a bookkeeping file or an archive read means.
std::string ReadFailureText(std::int32_t code);

}  // namespace sl::cli
