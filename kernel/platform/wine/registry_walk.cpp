// WineRegistry's walk from a root or handle down a key path: the user
// hives below HKEY_USERS, link keys, and the 32-bit view of a 64-bit prefix.
#include "kernel/platform/wine/registry_state.h"

#include "kernel/platform/codepage/codepage_1252.h"
#include "kernel/platform/hive/hive_names.h"
#include "kernel/platform/hive/links.h"
#include "kernel/platform/hive/wow64_view.h"

namespace sl::platform::wine {

using namespace sl::platform::codepage;
using namespace sl::platform::hive;
using namespace registry;

namespace {

Path SplitAnsiPath(const char* subKey) {
    if (!subKey) return {};
    return SplitKeyPath(AnsiToUtf16(subKey));
}

// HKEY_CLASSES_ROOT is HKLM\Software\Classes: walk from HKLM so that a
// missing Classes key can be created like any other.
void ClassesBelowMachine(HKEY root, Location& base, Path& names) {
    if (root != kHkeyClassesRoot) return;
    base = {kSystem, {}};
    names.insert(names.begin(), {u"Software", u"Classes"});
}

}  // namespace

LONG WineRegistry::State::Start(HKEY root, const char* subKey, HKEY* result, Location& base,
                                Path& names) {
    ++call;
    if (!result) return static_cast<LONG>(kErrorInvalidParameter);
    *result = 0;
    DWORD access = 0;
    LONG rc = Base(root, base, access);
    if (rc) return rc;
    names = SplitAnsiPath(subKey);
    ClassesBelowMachine(root, base, names);
    return 0;
}

// The location a predefined root or open handle stands for.
LONG WineRegistry::State::Base(HKEY key, Location& loc, DWORD& access) {
    access = kKeyAllAccess;
    switch (key) {
        case kHkeyLocalMachine: loc = {kSystem, {}}; return 0;
        case kHkeyCurrentUser: loc = {kUser, {}}; return 0;
        case kHkeyClassesRoot: loc = {kSystem, {u"Software", u"Classes"}}; return 0;
        case kHkeyUsers: loc = {kUsersRoot, {}}; return 0;
        default: break;
    }
    auto it = handles.find(key);
    if (it == handles.end()) return static_cast<LONG>(kErrorInvalidHandle);
    loc = it->second.loc;
    access = it->second.access;
    return 0;
}

// The key at a location, following no links; null when it is gone.
HiveKey* WineRegistry::State::At(const Location& loc) {
    if (loc.hive == kUsersRoot) return nullptr;
    HiveKey* key = &Fresh(loc.hive).root();
    for (const auto& name : loc.path) {
        key = key->FindSubkey(name);
        if (!key) return nullptr;
    }
    return key;
}

// Where a Wine link key points ("\Registry\Machine\..." and the like).
bool WineRegistry::State::LinkTarget(const HiveKey& key, Location& out) {
    LinkPlace place;
    if (!ReadLinkPlace(key, &place)) return false;
    if (place.root == LinkPlace::Root::Machine) {
        out = {kSystem, std::move(place.path)};
        return true;
    }
    if (NamesEqual(place.user, u".Default")) {
        out = {kUserDefault, std::move(place.path)};
        return true;
    }
    if (NamesEqual(place.user, UserSid())) {
        out = {kUser, std::move(place.path)};
        return true;
    }
    return false;
}

bool WineRegistry::State::View32() { return IsWow64Machine(Fresh(kSystem)); }

// Moves cur (at loc) into its Wow6432Node subkey where a 32-bit program
// would look for next there.
HiveKey* WineRegistry::State::Redirect(Location& loc, HiveKey* cur, std::u16string_view next) {
    HiveKey* to = RedirectFor32Bit(cur, next);
    if (to != cur) loc.path.emplace_back(to->name);
    return to;
}

// Follows cur while it is a link key; false when a link leads nowhere
// (danglingTarget then holds where it points, when it names a place).
bool WineRegistry::State::FollowLinks(Location& loc, HiveKey*& cur) {
    danglingTarget.reset();
    for (int hops = 0; cur->link; ++hops) {
        Location target;
        if (hops >= kMostLinkHops || !LinkTarget(*cur, target)) return false;
        HiveKey* t = At(target);
        if (!t) {
            danglingTarget = std::move(target);
            return false;
        }
        loc = std::move(target);
        cur = t;
    }
    return true;
}

// Creates the keys of loc that are missing (no links followed, no view).
LONG WineRegistry::State::CreatePath(const Location& loc) {
    if (loc.hive == kUsersRoot) return static_cast<LONG>(kErrorAccessDenied);
    if (loc.path.size() > kMaxKeyDepth) return static_cast<LONG>(kErrorInvalidParameter);
    for (const auto& name : loc.path) {
        if (name.empty() || name.size() > kMaxKeyNameLen) return static_cast<LONG>(kErrorInvalidParameter);
    }
    LONG rc = WritableHive(loc.hive);
    if (rc) return rc;
    Hive& hive = Fresh(loc.hive);
    HiveKey* key = &hive.root();
    std::uint64_t now = CurrentFileTime();
    for (const auto& name : loc.path) {
        HiveKey* next = key->FindSubkey(name);
        key = next ? next : hive.CreateSubkey(*key, name, nullptr, now);
    }
    return 0;
}

// The subkey name of cur as the view sees it: in the shared
// Software\Classes\Wow6432Node a missing name is looked up in the parent,
// and cur/loc move up there when it is missing from both.
HiveKey* WineRegistry::State::Lookup(Location& loc, HiveKey*& cur, std::u16string_view name, bool view32) {
    HiveKey* next = cur->FindSubkey(name);
    if (next || !view32 || loc.hive != kSystem || !IsSharedWow64Node(*cur)) return next;
    loc.path.pop_back();
    cur = cur->parent;
    return cur->FindSubkey(name);
}

// Walks names from base, in the 32-bit view on a 64-bit prefix. On
// success loc is the key's place (links followed) and *key the key (null
// for the HKEY_USERS root). When a name is missing, returns 2 with
// loc/key at the deepest existing key (where a 32-bit program would
// create it) and *consumed the number of names used.
LONG WineRegistry::State::Walk(const Location& base, const Path& names, Location& loc, HiveKey** key, std::size_t* consumed) {
    danglingTarget.reset();
    loc = base;
    std::size_t i = 0;
    *consumed = 0;
    if (loc.hive == kUsersRoot) {
        *key = nullptr;
        if (names.empty()) return 0;
        if (NamesEqual(names[0], u".Default")) {
            loc = {kUserDefault, {}};
        } else if (NamesEqual(names[0], UserSid())) {
            loc = {kUser, {}};
        } else {
            return static_cast<LONG>(kErrorFileNotFound);
        }
        i = 1;
    }
    HiveKey* cur = At(loc);
    if (!cur) return kErrorKeyDeleted;
    const bool view32 = i < names.size() && View32();
    if (view32) cur = Redirect(loc, cur, names[i]);
    for (; i < names.size(); ++i) {
        HiveKey* next = Lookup(loc, cur, names[i], view32);
        *consumed = i;
        *key = cur;
        if (!next) return static_cast<LONG>(kErrorFileNotFound);
        loc.path.emplace_back(next->name);
        cur = next;
        if (view32) cur = Redirect(loc, cur, i + 1 < names.size() ? std::u16string_view(names[i + 1]) : u"");
        if (!FollowLinks(loc, cur)) {
            // A link to nowhere: opening it fails; creating through it
            // creates its target first (see danglingTarget).
            *key = nullptr;
            return static_cast<LONG>(kErrorFileNotFound);
        }
    }
    *consumed = names.size();
    *key = cur;
    return 0;
}

// The key behind a handle or root; 6 unknown handle, 2 missing root key,
// 1018 a key that vanished when its hive was re-read.
LONG WineRegistry::State::KeyOf(HKEY hkey, Location& loc, HiveKey** key, DWORD* access) {
    DWORD acc = 0;
    LONG rc = Base(hkey, loc, acc);
    if (rc) return rc;
    if (access) *access = acc;
    if (loc.hive == kUsersRoot) {
        *key = nullptr;
        return 0;
    }
    auto it = handles.find(hkey);
    if (it != handles.end()) {
        Handle& h = it->second;
        Fresh(loc.hive);
        if (h.key && h.generation == slots[loc.hive].generation) {
            *key = h.key;
            return 0;
        }
        h.key = At(loc);
        h.generation = slots[loc.hive].generation;
        *key = h.key;
        return h.key ? 0 : kErrorKeyDeleted;
    }
    *key = At(loc);
    return *key ? 0 : static_cast<LONG>(kErrorFileNotFound);
}

// As KeyOf, for the call of an enumeration asking for index. A call that
// goes on with the enumeration under way on the handle (the index after
// the one asked for last) reads the hive as the calls before it did, so
// that one enumeration lists one state of the key and costs no look at
// the file per item; a change on disk is taken up when an enumeration
// starts over.
LONG WineRegistry::State::KeyForEnumeration(HKEY hkey, DWORD index, bool values, Location& loc, HiveKey** key) {
    auto it = handles.find(hkey);
    if (it == handles.end()) return KeyOf(hkey, loc, key);
    Handle& h = it->second;
    DWORD& next = values ? h.nextValue : h.nextSubkey;
    if (index > 0 && index == next && h.key &&
        h.generation == slots[h.loc.hive].generation) {
        loc = h.loc;
        *key = h.key;
        ++next;
        return 0;
    }
    LONG rc = KeyOf(hkey, loc, key);
    next = rc == 0 ? index + 1 : 0;
    return rc;
}

HKEY WineRegistry::State::NewHandle(const Location& loc, DWORD access, HiveKey* key) {
    while (handles.count(nextHandle) || nextHandle == 0 || nextHandle >= kHkeyClassesRoot) {
        nextHandle = nextHandle >= kHkeyClassesRoot ? 0x1000 : nextHandle + 4;
    }
    HKEY h = nextHandle;
    nextHandle += 4;
    Handle handle;
    handle.loc = loc;
    handle.access = access;
    handle.key = key;
    handle.generation = loc.hive == kUsersRoot ? 0 : slots[loc.hive].generation;
    handles.emplace(h, std::move(handle));
    return h;
}

}  // namespace sl::platform::wine
