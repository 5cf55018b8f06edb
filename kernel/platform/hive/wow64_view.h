// The registry as a 32-bit program sees it on a 64-bit machine.
//
// The applications Stowlark carries settings for are 32-bit programs. On a
// 64-bit machine (a Wine prefix with "#arch=win64", a 64-bit Windows) their
// installers and the programs themselves see a redirected view of the
// registry: where a key on the way holds a "Wow6432Node" subkey, the walk goes
// on inside that subkey, unless the name asked for is "Wow6432Node" itself.
// HKLM\Software\Classes\Wow6432Node is shared with its parent: a name missing
// there is looked up in Software\Classes. Link keys, which make further keys
// shared, are followed by the caller as on any machine.
//
// These helpers work on the hive model only; every machine that reads hives
// walks its keys through them.
#pragma once

#include <string_view>

#include "kernel/platform/hive/hive_tree.h"

namespace sl::platform::hive {

inline constexpr std::u16string_view kWow64NodeName = u"Wow6432Node";

// True when name is "Wow6432Node" (without regard to case).
bool IsWow64NodeName(std::u16string_view name);

// True when the machine whose HKEY_LOCAL_MACHINE hive this is runs 64-bit
// programs: its "#arch=" option says win64, or it has no such option and holds
// Software\Wow6432Node (a 64-bit prefix made before the option existed).
bool IsWow64Machine(const HiveTree& machineHive);

// The key a 32-bit program goes on in when it looks for next below key (next
// empty: when it opens key itself): key's Wow6432Node subkey when key has one,
// unless key is a Wow6432Node itself or next names one. Otherwise key.
HiveKey* RedirectFor32Bit(HiveKey* key, std::u16string_view next);

// True for HKLM\Software\Classes\Wow6432Node (key must belong to the
// HKEY_LOCAL_MACHINE hive): names missing there are looked up in its parent.
bool IsSharedWow64Node(const HiveKey& key);

}  // namespace sl::platform::hive
