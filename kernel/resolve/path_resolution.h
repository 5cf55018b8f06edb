// Where a PathID's folder is on the running machine.
#pragma once

#include <cstdint>
#include <string>

namespace sl {

// The folder of pathID as a DOS path ending in a backslash: 1 the Windows
// folder, 2 and 3 the system folder, 4 to 15 (but 11) the folder the
// application's registry entry names, 11 every Netscape user's "DirRoot",
// each followed by ";". Surrounding quotes are dropped. Empty when the
// machine has no such folder. An unknown pathID or a failed enumeration of
// the Netscape users is reported to errorText and the log.
std::string ResolvePathID(std::int32_t pathID, std::string& errorText);

}  // namespace sl
