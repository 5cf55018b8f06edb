// Which Wine prefix the program works on, chosen before the kernel library
// is loaded (the library takes WINEPREFIX when it first touches the machine):
//
//   1. WINEPREFIX when it is set and not empty (Wine's own rule);
//   2. else the prefix the user chose last time (the wizard remembers it),
//      when it still is a prefix;
//   3. else ~/.wine when something of that name exists;
//   4. else a scratch copy of the demo machine in a new temporary folder;
//      WINEPREFIX is set to it for this process, and the choice says so, so
//      that the program can tell the user it is not working on their own
//      machine.
// A WINEPREFIX or ~/.wine that does not exist as a folder, or holds no
// system.reg, is not worked on: the choice says why instead (nothing would
// be found there, and a restore would write into a folder that no Wine
// uses).
#pragma once

#include <string>
#include <vector>

namespace sl::session {

struct PrefixChoice {
    std::string path;          // the prefix; empty when none could be chosen
    bool scratchDemo = false;  // a scratch copy of the demo machine
    std::string demoSource;    // the demo machine it was copied from
    std::string error;         // why no prefix could be chosen
    // WINEPREFIX or ~/.wine names something that is not a Wine prefix
    // (error says what); the user may choose another one.
    bool notAPrefix = false;
};

// Why folder cannot be worked on as a Wine prefix, or "" when it is one.
// origin says where the folder was named, for the message ("named by
// WINEPREFIX"); it may be empty.
std::string PrefixProblem(const std::string& folder, const std::string& origin);

// Makes folder the prefix the kernel library works on from its next call:
// sets WINEPREFIX for this process (the library makes its machine anew when
// WINEPREFIX has changed since it last touched the machine). Call it only
// while no library call runs.
void UsePrefix(const std::string& folder);

// The demo machine folders this build knows, most specific first (the
// source tree's examples/demo-prefix, the installed data folder).
std::vector<std::string> DefaultDemoSources();

// Chooses the prefix as above. remembered is the folder of step 2 ("" for
// none). demoSources are tried in order for step 4; the scratch copy is made
// below tempRoot (empty: $TMPDIR or /tmp).
PrefixChoice ChoosePrefix(const std::vector<std::string>& demoSources = DefaultDemoSources(),
                          const std::string& tempRoot = "", const std::string& remembered = "");

// Copies the demo machine at source into a new folder below tempRoot (empty:
// $TMPDIR or /tmp), keeping symbolic links as links, and adds the link
// dosdevices/c: -> ../drive_c when the copy has none. Returns the new
// prefix folder, or empty with *error set.
std::string MakeScratchPrefix(const std::string& source, const std::string& tempRoot,
                              std::string* error);

}  // namespace sl::session
