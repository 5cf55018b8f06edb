#include "kernel/platform/wine/wine_registry.h"

#include <algorithm>

#include "kernel/platform/codepage/codepage_1252.h"
#include "kernel/platform/hive/ansi_view.h"
#include "kernel/platform/hive/hive_names.h"
#include "kernel/platform/wine/registry_state.h"

namespace sl::platform::wine {

using namespace sl::platform::codepage;
using namespace sl::platform::hive;
using namespace registry;

namespace {

const char* const kHiveFiles[kHiveCount] = {"system.reg", "user.reg", "userdef.reg"};

}  // namespace

WineRegistry::WineRegistry(std::string prefixPath, std::function<bool()> serverRunning,
                           std::chrono::milliseconds writerWait)
    : state_(std::make_unique<State>()) {
    state_->prefix = std::move(prefixPath);
    state_->serverRunning = std::move(serverRunning);
    state_->writer = std::make_unique<PrefixLock>(state_->prefix, writerWait);
    for (int i = 0; i < kHiveCount; ++i) {
        state_->slots[i].file = state_->prefix + "/" + kHiveFiles[i];
    }
}

WineRegistry::~WineRegistry() = default;

LONG WineRegistry::RegOpenKeyEx(HKEY root, const char* subKey, DWORD samDesired, HKEY* result) {
    Location base, loc;
    Path names;
    HiveKey* key = nullptr;
    std::size_t consumed = 0;
    LONG rc = state_->Start(root, subKey, result, base, names);
    if (rc == 0) rc = state_->Walk(base, names, loc, &key, &consumed);
    if (rc == 0) *result = state_->NewHandle(loc, samDesired, key);
    return rc;
}

LONG WineRegistry::RegCreateKeyEx(HKEY root, const char* subKey, const char* keyClass, DWORD /*options*/,
                                  DWORD samDesired, HKEY* result, DWORD* disposition) {
    Location base;
    Path names;
    LONG rc = state_->Start(root, subKey, result, base, names);
    if (rc) return rc;
    Location loc;
    HiveKey* key = nullptr;
    std::size_t consumed = 0;
    for (int links = 0;; ++links) {
        rc = state_->Walk(base, names, loc, &key, &consumed);
        if (rc == 0) {
            *result = state_->NewHandle(loc, samDesired, key);
            if (disposition) *disposition = 2;
            return 0;
        }
        if (rc == static_cast<LONG>(kErrorFileNotFound) && key) break;
        if (rc != static_cast<LONG>(kErrorFileNotFound) || !state_->danglingTarget ||
            links == State::kMostLinkHops) {
            // Below HKEY_USERS only the existing user hives can be written.
            return loc.hive == kUsersRoot ? static_cast<LONG>(kErrorAccessDenied) : rc;
        }
        // As Wine does, a key created through a link to nowhere creates the
        // link's target; then the walk goes on through it.
        Location target = *state_->danglingTarget;
        if (!state_->writer->held()) {
            rc = state_->BeginWrite();
            if (rc) return rc;
            continue;  // walk again in the hive as it is on disk now
        }
        rc = state_->CreatePath(target);
        if (rc) return rc;
    }
    for (std::size_t i = consumed; i < names.size(); ++i) {
        if (names[i].size() > kMaxKeyNameLen) return static_cast<LONG>(kErrorInvalidParameter);
    }
    // No key deeper than Windows allows below its hive's root.
    if (loc.path.size() + (names.size() - consumed) > kMaxKeyDepth) {
        return static_cast<LONG>(kErrorInvalidParameter);
    }
    if (!state_->writer->held()) {
        // The first write: once no other process writes the prefix, walk
        // again in the hive as it is on disk now.
        rc = state_->BeginWrite();
        if (rc) return rc;
        return RegCreateKeyEx(root, subKey, keyClass, 0, samDesired, result, disposition);
    }
    rc = state_->WritableHive(loc.hive);
    if (rc) return rc;
    Hive& hive = state_->Fresh(loc.hive);
    std::u16string cls = keyClass ? AnsiToUtf16(keyClass) : std::u16string();
    std::uint64_t now = CurrentFileTime();
    for (std::size_t i = consumed; i < names.size(); ++i) {
        bool last = i + 1 == names.size();
        key = hive.CreateSubkey(*key, names[i], last && keyClass ? &cls : nullptr, now);
        loc.path.emplace_back(key->name);
    }
    *result = state_->NewHandle(loc, samDesired, key);
    if (disposition) *disposition = 1;
    return 0;
}

LONG WineRegistry::RegCloseKey(HKEY key) {
    ++state_->call;
    if (key >= kHkeyClassesRoot && key <= kHkeyUsers) return 0;
    auto it = state_->handles.find(key);
    if (it == state_->handles.end()) return static_cast<LONG>(kErrorInvalidHandle);
    const State::Handle& handle = it->second;
    // What was read through the handle is not kept: a save of a large
    // subtree holds one key's values at a time.
    if (handle.key && handle.loc.hive != kUsersRoot &&
        handle.generation == state_->slots[handle.loc.hive].generation) {
        handle.key->ReleaseDecoded();
    }
    state_->handles.erase(it);
    return 0;
}

LONG WineRegistry::RegQueryInfoKey(HKEY hkey, DWORD* subKeys, DWORD* maxSubKeyLen, DWORD* values,
                                   DWORD* maxValueNameLen, DWORD* maxValueLen) {
    ++state_->call;
    Location loc;
    HiveKey* key = nullptr;
    LONG rc = state_->KeyOf(hkey, loc, &key);
    if (rc) return rc;
    DWORD nSub = 0, maxSub = 0, nVal = 0, maxName = 0, maxData = 0;
    if (!key) {  // HKEY_USERS: the two user hives
        nSub = 2;
        maxSub = static_cast<DWORD>(std::max<std::size_t>(8, state_->UserSid().size()));
    } else {
        KeyInfo(*key, &nSub, &maxSub, &nVal, &maxName, &maxData);
    }
    if (subKeys) *subKeys = nSub;
    if (maxSubKeyLen) *maxSubKeyLen = maxSub;
    if (values) *values = nVal;
    if (maxValueNameLen) *maxValueNameLen = maxName;
    if (maxValueLen) *maxValueLen = maxData;
    return 0;
}

LONG WineRegistry::RegEnumKeyEx(HKEY hkey, DWORD index, char* name, DWORD* nameLen, char* keyClass,
                                DWORD* classLen) {
    ++state_->call;
    if (!name || !nameLen) return static_cast<LONG>(kErrorInvalidParameter);
    Location loc;
    HiveKey* key = nullptr;
    LONG rc = state_->KeyForEnumeration(hkey, index, false, loc, &key);
    if (rc) return rc;
    std::u16string subName, subClass;
    if (!key) {
        if (index >= 2) return static_cast<LONG>(kErrorNoMoreItems);
        subName = index == 0 ? std::u16string(u".Default") : state_->UserSid();
    } else {
        if (index >= key->subkeys.size()) return static_cast<LONG>(kErrorNoMoreItems);
        const HiveKey& sub = *key->subkeys[index];
        subName = sub.name;
        if (sub.keyClass) subClass = *sub.keyClass;
    }
    return AnsiSubkeyName(subName, subClass, name, nameLen, keyClass, classLen);
}

LONG WineRegistry::RegFlushKey(HKEY hkey) {
    ++state_->call;
    Location loc;
    DWORD access = 0;
    LONG rc = state_->Base(hkey, loc, access);
    if (rc) return rc;
    if (state_->ServerRunning()) return static_cast<LONG>(kErrorSharingViolation);
    if (loc.hive != kUsersRoot) {
        rc = state_->Flush(loc.hive);
    } else {
        LONG first = state_->Flush(kUser);
        LONG second = state_->Flush(kUserDefault);
        rc = first ? first : second;
    }
    state_->ReleaseWriterIfClean();
    return rc;
}

LONG WineRegistry::FlushAll() {
    ++state_->call;
    if (state_->ServerRunning()) return static_cast<LONG>(kErrorSharingViolation);
    LONG first = 0;
    for (int i = 0; i < kHiveCount; ++i) {
        LONG rc = state_->Flush(i);
        if (rc && !first) first = rc;
    }
    state_->ReleaseWriterIfClean();
    return first;
}

}  // namespace sl::platform::wine
