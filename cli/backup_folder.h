// A backup folder named on the command line, read through the inspect
// library, and words for what it holds.
#pragma once

#include <cstdint>
#include <string>

#include "cli/cli_context.h"
#include "kernel/interface/stowlark_kernel.h"

namespace sl::cli {

// A backup folder as show and verify read it.
struct NamedFolder {
    std::string folder;                          // its DOS path
    const session::InspectApi* inspect = nullptr; // the loaded inspect library
    SLIBackupFolder read;                        // what the bookkeeping file says
    std::int32_t rc = 0;                         // 0, or why the bookkeeping file read failed
};

// Turns the FOLDER argument into the prefix's DOS path, checks that it holds
// a bookkeeping file, loads the inspect library and reads the folder. False,
// after telling context.err why, when the argument names no folder of the
// prefix, the folder is no backup folder or the library cannot be loaded
// (the command then ends with the usage status). True otherwise, also when
// the bookkeeping file is damaged: named.rc says how.
bool ReadNamedFolder(const CliContext& context, const std::string& argument, NamedFolder& named);

// "HKEY_CURRENT_USER" and so on; "root 0x..." for any other value.
std::string RootName(std::uint32_t root);

// What a failure code of a bookkeeping file or an archive read means.
std::string ReadFailureText(std::int32_t code);

}  // namespace sl::cli
