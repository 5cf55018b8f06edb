// Appending log entries to files.
#pragma once

#include <string>

#include "kernel/platform/platform.h"

namespace sl::platform::wine {

// Appends bytes at the end of the file (created with mode 0644 when missing,
// never truncated; a link, FIFO or device of that name is refused with
// 1921/1920 and never written through or waited on), holding an exclusive
// lock on it for the write so entries of different writers never
// interleave, and closes it again. 0, or the
// Win32 error of the open or the write; a lock that stays taken for two
// seconds is given up and the entry written anyway.
DWORD AppendToFile(const std::string& unixPath, const std::string& bytes);

// The per-user folder for logs that cannot go beside the library:
// $XDG_STATE_HOME/stowlark when that is an absolute path, else
// $HOME/.local/state/stowlark. Empty when no home is known.
std::string DefaultFallbackLogFolder();

// Creates the folder and its missing parents (mode 0700 for new ones).
// 0 or the Win32 error of the first failed creation.
DWORD CreateFolders(const std::string& unixPath);

}  // namespace sl::platform::wine
