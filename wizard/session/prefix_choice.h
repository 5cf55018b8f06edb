// Which Wine prefix the program works on, chosen before the kernel library
// is loaded (the library takes WINEPREFIX when it first touches the machine):
//
//   1. WINEPREFIX when it is set and not empty (Wine's own rule);
//   2. else ~/.wine when that folder exists;
//   3. else a scratch copy of the demo machine in a new temporary folder;
//      WINEPREFIX is set to it for this process, and the choice says so, so
//      that the program can tell the user it is not working on their own
//      machine.
#pragma once

#include <string>
#include <vector>

namespace sl::session {

struct PrefixChoice {
    std::string path;          // the prefix; empty when none could be chosen
    bool scratchDemo = false;  // a scratch copy of the demo machine
    std::string demoSource;    // the demo machine it was copied from
    std::string error;         // why no prefix could be chosen
};

// The demo machine folders this build knows, most specific first (the
// source tree's examples/demo-prefix, the installed data folder).
std::vector<std::string> DefaultDemoSources();

// Chooses the prefix as above. demoSources are tried in order for step 3;
// the scratch copy is made below tempRoot (empty: $TMPDIR or /tmp).
PrefixChoice ChoosePrefix(const std::vector<std::string>& demoSources = DefaultDemoSources(),
                          const std::string& tempRoot = "");

// Copies the demo machine at source into a new folder below tempRoot (empty:
// $TMPDIR or /tmp), keeping symbolic links as links, and adds the link
// dosdevices/c: -> ../drive_c when the copy has none. Returns the new
// prefix folder, or empty with *error set.
std::string MakeScratchPrefix(const std::string& source, const std::string& tempRoot,
                              std::string* error);

}  // namespace sl::session
