// What every command of stowlark-cli works with: the Wine prefix, the bound
// exports of the kernel library, and the two output streams.
#pragma once

#include <cstdio>
#include <string>

#include "common/session/inspect_binding.h"
#include "common/session/kernel_api.h"

namespace sl::cli {

struct CliContext {
    std::string prefix;       // the Wine prefix (also in WINEPREFIX); with a Windows
                              // disk, the folder describing its drives
    std::string windowsDisk;  // the Windows disk worked on (read-only); empty: a prefix
    session::KernelApi api;   // the library's exports
    std::string libraryPath;  // the library file that was loaded
    std::FILE* out = stdout;
    std::FILE* err = stderr;
    bool terminal = false;    // out is a terminal: draw a progress bar
    bool json = false;        // --json: out gets one JSON document, no text, no progress
};

// Writes text to a stream, with control characters other than line ends,
// carriage returns and tabs escaped (terminal_text.h).
void Print(std::FILE* stream, const std::string& text);

// Where the library writes its log "Stowlark.Log" (beside the library, or
// the per-user fallback folder when that cannot be written); empty when
// neither folder can take it.
std::string LogLocation(const CliContext& context);

}  // namespace sl::cli

namespace sl::cli {

// The inspect library's exports, loaded on first use; null after telling
// context.err why the library cannot be loaded.
const session::InspectApi* InspectOrSay(const CliContext& context);

}  // namespace sl::cli
