// The inside of WineRegistry (wine_registry.h), shared by the files that
// implement it: the hives of the prefix and their files (registry_hives.cpp),
// walking key paths through links and the 32-bit view (registry_walk.cpp),
// the calls on keys (wine_registry.cpp) and on values (registry_values.cpp).
// Only those files include it.
#pragma once

#include <sys/stat.h>

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kernel/platform/platform.h"
#include "kernel/platform/wine/prefix_lock.h"
#include "kernel/platform/wine/text/hive.h"
#include "kernel/platform/wine/wine_registry.h"

namespace sl::platform::wine::registry {

inline constexpr LONG kErrorKeyDeleted = 1018;
inline constexpr LONG kErrorWriteFault = 29;
inline constexpr std::size_t kMaxKeyNameLen = 255;
inline constexpr std::size_t kMaxValueNameLen = 16383;

enum HiveIndex : int { kSystem = 0, kUser = 1, kUserDefault = 2, kHiveCount = 3, kUsersRoot = -1 };
inline constexpr std::u16string_view kDefaultSid = u"S-1-5-21-0-0-0-1000";

using Path = std::vector<std::u16string>;

// A key by place: a hive and the names from its root (or the HKEY_USERS root).
struct Location {
    int hive = kUsersRoot;
    Path path;
};

}  // namespace sl::platform::wine::registry

namespace sl::platform::wine {

struct WineRegistry::State {
    using Location = registry::Location;
    using Path = registry::Path;

    struct Slot {
        std::string file;
        std::unique_ptr<Hive> hive;
        bool onDisk = false;  // the stat below describes the file the hive was read from
        struct stat st {};
        std::uint64_t generation = 0;
        // Looked at on disk since this process took the writer lock: no
        // other writer can change it until the lock is given up.
        bool checkedUnderLock = false;
        // The call (State::call) in which it was last looked at on disk.
        std::uint64_t checkedInCall = 0;
    };
    struct Handle {
        Location loc;
        DWORD access = 0;
        HiveKey* key = nullptr;
        std::uint64_t generation = 0;
        // The index the enumeration of values / of subkeys on this handle
        // goes on with; 0 when none is under way.
        DWORD nextValue = 0;
        DWORD nextSubkey = 0;
    };

    std::string prefix;
    std::function<bool()> serverRunning;
    std::unique_ptr<PrefixLock> writer;
    Slot slots[registry::kHiveCount];
    // Counts the calls into the registry: within one call a hive is looked
    // at on disk once, so the keys a call holds stay valid until it returns
    // (a hive that cannot be read would otherwise be made anew on each look).
    std::uint64_t call = 1;
    std::map<HKEY, Handle> handles;
    HKEY nextHandle = 0x1000;

    bool ServerRunning() const { return serverRunning && serverRunning(); }

    static bool SameFile(const struct stat& a, const struct stat& b);

    // The hive as on disk now; unflushed changes keep the copy in memory.
    Hive& Fresh(int index);

    static void Load(Slot& slot);

    std::u16string UserSid();

    // The beginning of opening or creating subKey below root: counts the
    // call, clears *result and gives where the walk starts and the names it
    // takes (HKEY_CLASSES_ROOT walked from HKLM). 87 without result, 6 for
    // an unknown handle.
    LONG Start(HKEY root, const char* subKey, HKEY* result, Location& base, Path& names);

    // The location a predefined root or open handle stands for.
    LONG Base(HKEY key, Location& loc, DWORD& access);

    // The key at a location, following no links; null when it is gone.
    HiveKey* At(const Location& loc);

    // Where a Wine link key points ("\Registry\Machine\..." and the like).
    bool LinkTarget(const HiveKey& key, Location& out);

    // True when registry calls see the 32-bit view (a 64-bit prefix).
    bool View32();

    // Moves cur (at loc) into its Wow6432Node subkey where a 32-bit program
    // would look for next there.
    static HiveKey* Redirect(Location& loc, HiveKey* cur, std::u16string_view next);

    // Follows cur while it is a link key; false when a link leads nowhere
    // (danglingTarget then holds where it points, when it names a place).
    bool FollowLinks(Location& loc, HiveKey*& cur);

    // Where the link the last Walk stopped at points, when it points at a
    // key that does not exist.
    std::optional<Location> danglingTarget;
    static constexpr int kMostLinkHops = 16;

    // Creates the keys of loc that are missing (no links followed, no view).
    LONG CreatePath(const Location& loc);

    // The subkey name of cur as the view sees it: in the shared
    // Software\Classes\Wow6432Node a missing name is looked up in the parent,
    // and cur/loc move up there when it is missing from both.
    HiveKey* Lookup(Location& loc, HiveKey*& cur, std::u16string_view name, bool view32);

    // Walks names from base, in the 32-bit view on a 64-bit prefix. On
    // success loc is the key's place (links followed) and *key the key (null
    // for the HKEY_USERS root). When a name is missing, returns 2 with
    // loc/key at the deepest existing key (where a 32-bit program would
    // create it) and *consumed the number of names used.
    LONG Walk(const Location& base, const Path& names, Location& loc, HiveKey** key, std::size_t* consumed);

    // The key behind a handle or root; 6 unknown handle, 2 missing root key,
    // 1018 a key that vanished when its hive was re-read.
    LONG KeyOf(HKEY hkey, Location& loc, HiveKey** key, DWORD* access = nullptr);

    // As KeyOf, for the call of an enumeration asking for index. A call that
    // goes on with the enumeration under way on the handle (the index after
    // the one asked for last) reads the hive as the calls before it did, so
    // that one enumeration lists one state of the key and costs no look at
    // the file per item; a change on disk is taken up when an enumeration
    // starts over.
    LONG KeyForEnumeration(HKEY hkey, DWORD index, bool values, Location& loc, HiveKey** key);

    HKEY NewHandle(const Location& loc, DWORD access, HiveKey* key);

    bool AnyChanged() const;

    // Before a write: the first one of an operation checks that no
    // wineserver owns the prefix and takes the writer lock; the ones after it
    // only change memory (the flush checks for a server again).
    LONG BeginWrite();

    // After a flush: once nothing waits to be written, another process may write.
    void ReleaseWriterIfClean();

    LONG WritableHive(int index);

    // Writes one hive if it changed: a temporary file beside it, synced,
    // then renamed over it.
    LONG Flush(int index);
};

}  // namespace sl::platform::wine
