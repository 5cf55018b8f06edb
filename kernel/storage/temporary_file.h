// Temporary files of the kernel: created beside the file they stand for,
// named so that the platform knows them for temporaries (a directory search
// does not list them, a later run sweeps those left behind).
#pragma once

#include <string>

#include "kernel/platform/platform.h"

namespace sl {

// Creates a new temporary file beside path ("<folder>\.sl-tmp-<name>-XXXXXX"),
// exclusively: never a file that is there, nor through a link. On success
// (0) *temporary is its path and *handle is open for writing; otherwise the
// Win32 error of the last attempt.
platform::DWORD CreateTemporary(platform::Platform& machine, const std::string& path,
                                std::string* temporary, platform::FileHandle* handle);

}  // namespace sl
