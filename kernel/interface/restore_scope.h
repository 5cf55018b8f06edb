// What the action script allows a restore to write for each record of a
// backup folder. The bookkeeping file is input from anywhere, so a record is
// trusted only as far as a script line of its component agrees with it.
#pragma once

#include <string>
#include <vector>

#include "kernel/interface/kernel.h"
#include "kernel/script/instruction_list.h"
#include "kernel/storage/file_restore.h"

namespace sl {

// True when a and b name the same key: as many elements (split at '\'), each
// equal without regard to case (ASCII letters). "A\\B" has an empty element
// and names another key than "A\B".
bool SameKeyPath(const std::string& a, const std::string& b);

// The registry line of the record's ID whose root and key path are the
// record's, or null when the script has none (the record is then refused).
const RegInstruction* AllowedRegLine(const CSLInstructionList& script, const CSLRegItem& record);

// The places the record's files may go to (for CSLKernel::SLRestoreFiles),
// one per file line of its ID, with that line's mask, recursion and
// subfolder lists:
// - a record with a PathID: the subfolders named by the file lines of its ID
//   with that PathID, relative to the folder the PathID resolves to (an
//   empty Base);
// - a record with PathID 0 (absolute paths, from a line whose folder was a
//   list, such as every Netscape user's): each folder that the PathID of a
//   file line of its ID resolves to on this machine as Base, with the line's
//   subfolder; only folders on a drive count (a relative folder would depend
//   on the process's current folder).
// Empty when no line allows anything; every pair is then refused.
std::vector<RestoreFolder> AllowedFileFolders(CSLKernel& kernel, const CSLInstructionList& script,
                                              const CSLFileItem& record);

}  // namespace sl
