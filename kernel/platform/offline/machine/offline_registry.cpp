#include "kernel/platform/offline/machine/offline_registry.h"

#include "kernel/platform/codepage/codepage_1252.h"
#include "kernel/platform/hive/ansi_view.h"
#include "kernel/platform/hive/hive_names.h"
#include "kernel/platform/hive/links.h"
#include "kernel/platform/hive/wow64_view.h"
#include "kernel/platform/offline/creg_hive_reader.h"
#include "kernel/platform/offline/machine/disk_hive.h"
#include "kernel/platform/offline/nt_hive_reader.h"

namespace sl::platform::offline {

using hive::HiveKey;

namespace {

// Rights that would change a key: setting values, creating subkeys,
// deleting, changing its security.
constexpr DWORD kWriteRights = 0x0002 | 0x0004 | 0x00010000 | 0x00040000 | 0x00080000;
constexpr int kMostLinkHops = 16;

LONG Error(DWORD number) { return static_cast<LONG>(number); }

}  // namespace

OfflineRegistry::OfflineRegistry(OfflineRegistryFiles files) : files_(std::move(files)) {}

OfflineRegistry::~OfflineRegistry() = default;

DiskHive& OfflineRegistry::TreeOf(int tree) {
    std::unique_ptr<DiskHive>& slot = trees_[tree];
    if (slot) return *slot;
    const std::string& path = tree == kMachine ? files_.machineHive : files_.userHive;
    OfflineHive read;
    std::string message;
    DWORD rc = kErrorFileNotFound;
    if (!path.empty()) {
        rc = files_.nineX ? ReadCregHive(path, &read, &message) : ReadNtHive(path, &read, &message);
    }
    if (rc != kErrorSuccess) {
        if (!path.empty()) {
            problems_.push_back(message.empty() ? path + ": cannot be read" : message);
            unreadable_[tree] = true;
        }
        slot = std::make_unique<DiskHive>();
        return *slot;
    }
    // An NT machine's SOFTWARE hive is HKLM\Software; a 9x SYSTEM.DAT is the
    // whole of HKLM; a user's hive is the whole of HKCU.
    const bool mountSoftware = tree == kMachine && !files_.nineX;
    slot = DiskHive::FromOffline(std::move(read), mountSoftware ? u"Software" : u"");
    return *slot;
}

std::string OfflineRegistry::LoadProblems() const {
    std::string text;
    for (const std::string& problem : problems_) text += problem + "\n";
    return text;
}

bool OfflineRegistry::View32() { return hive::IsWow64Machine(TreeOf(kMachine)); }

LONG OfflineRegistry::Root(HKEY root, Place* place) {
    // A hive that is there but cannot be read is not an empty registry: the
    // calls below it fail with 1009 (the registry is corrupt), so that what
    // it would have held is reported as failed rather than as absent.
    if (root == kHkeyLocalMachine || root == kHkeyClassesRoot || root == kHkeyCurrentUser) {
        const int tree = root == kHkeyCurrentUser ? kUser : kMachine;
        TreeOf(tree);
        if (unreadable_[tree]) return Error(kErrorBadDatabase);
    }
    switch (root) {
        case kHkeyLocalMachine: *place = {kMachine, &TreeOf(kMachine).root()}; return 0;
        case kHkeyCurrentUser: *place = {kUser, &TreeOf(kUser).root()}; return 0;
        case kHkeyUsers: *place = {kUser, nullptr}; return 0;
        case kHkeyClassesRoot: {
            HiveKey* software = TreeOf(kMachine).root().FindSubkey(u"Software");
            HiveKey* classes = software ? software->FindSubkey(u"Classes") : nullptr;
            if (!classes) return Error(kErrorFileNotFound);
            *place = {kMachine, classes};
            return 0;
        }
        default: return Error(kErrorInvalidHandle);
    }
}

LONG OfflineRegistry::Base(HKEY key, Place* place) {
    if (key >= kHkeyClassesRoot && key <= kHkeyUsers) return Root(key, place);
    auto it = handles_.find(key);
    if (it == handles_.end()) return Error(kErrorInvalidHandle);
    *place = it->second;
    return 0;
}

bool OfflineRegistry::FollowLinks(Place* place) {
    for (int hops = 0; place->key && place->key->link; ++hops) {
        hive::LinkPlace target;
        if (hops >= kMostLinkHops || !hive::ReadLinkPlace(*place->key, &target)) return false;
        int tree = kMachine;
        if (target.root == hive::LinkPlace::Root::User) {
            if (!hive::NamesEqual(target.user, codepage::AnsiToUtf16(files_.userName))) return false;
            tree = kUser;
        }
        HiveKey* at = &TreeOf(tree).root();
        for (const std::u16string& name : target.path) {
            at = at->FindSubkey(name);
            if (!at) return false;
        }
        *place = {tree, at};
    }
    return true;
}

LONG OfflineRegistry::Walk(HKEY root, const char* subKey, Place* place) {
    LONG rc = Base(root, place);
    if (rc) return rc;
    std::vector<std::u16string> names = hive::SplitKeyPath(codepage::AnsiToUtf16(subKey ? subKey : ""));
    std::size_t i = 0;
    if (!place->key) {  // HKEY_USERS: the one user's hive
        if (names.empty()) return 0;
        if (files_.userHive.empty() ||
            !hive::NamesEqual(names[0], codepage::AnsiToUtf16(files_.userName))) {
            return Error(kErrorFileNotFound);
        }
        TreeOf(kUser);
        if (unreadable_[kUser]) return Error(kErrorBadDatabase);
        *place = {kUser, &TreeOf(kUser).root()};
        i = 1;
    }
    const bool view32 = i < names.size() && View32();
    HiveKey* cur = place->key;
    if (view32) cur = hive::RedirectFor32Bit(cur, names[i]);
    for (; i < names.size(); ++i) {
        HiveKey* next = cur->FindSubkey(names[i]);
        // Software\Classes\Wow6432Node shares what it lacks with its parent.
        if (!next && view32 && place->tree == kMachine && hive::IsSharedWow64Node(*cur)) {
            cur = cur->parent;
            next = cur->FindSubkey(names[i]);
        }
        if (!next) return Error(kErrorFileNotFound);
        cur = next;
        if (view32) {
            cur = hive::RedirectFor32Bit(cur, i + 1 < names.size() ? std::u16string_view(names[i + 1])
                                                                  : std::u16string_view());
        }
        place->key = cur;
        if (!FollowLinks(place)) return Error(kErrorFileNotFound);
        cur = place->key;
    }
    place->key = cur;
    return 0;
}

LONG OfflineRegistry::RegOpenKeyEx(HKEY root, const char* subKey, DWORD /*samDesired*/,
                                   HKEY* result) {
    if (!result) return Error(kErrorInvalidParameter);
    *result = 0;
    Place place;
    LONG rc = Walk(root, subKey, &place);
    if (rc) return rc;
    while (handles_.count(nextHandle_) || nextHandle_ == 0 || nextHandle_ >= kHkeyClassesRoot) {
        nextHandle_ = nextHandle_ >= kHkeyClassesRoot ? 0x1000 : nextHandle_ + 4;
    }
    *result = nextHandle_;
    nextHandle_ += 4;
    handles_.emplace(*result, place);
    return 0;
}

LONG OfflineRegistry::RegCreateKeyEx(HKEY root, const char* subKey, DWORD samDesired,
                                     HKEY* result, DWORD* disposition) {
    if (!result) return Error(kErrorInvalidParameter);
    *result = 0;
    // Nothing is created on the disk, and no key is opened for writing.
    if ((samDesired & kWriteRights) != 0) return Error(kErrorAccessDenied);
    LONG rc = RegOpenKeyEx(root, subKey, samDesired, result);
    if (rc == static_cast<LONG>(kErrorFileNotFound)) return Error(kErrorAccessDenied);
    if (rc == 0 && disposition) *disposition = 2;
    return rc;
}

LONG OfflineRegistry::RegCloseKey(HKEY key) {
    if (key >= kHkeyClassesRoot && key <= kHkeyUsers) return 0;
    return handles_.erase(key) ? 0 : Error(kErrorInvalidHandle);
}

LONG OfflineRegistry::RegQueryInfoKey(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLen,
                                      DWORD* values, DWORD* maxValueNameLen, DWORD* maxValueLen) {
    Place place;
    LONG rc = Base(key, &place);
    if (rc) return rc;
    if (place.key) {
        hive::KeyInfo(*place.key, subKeys, maxSubKeyLen, values, maxValueNameLen, maxValueLen);
        return 0;
    }
    const bool user = !files_.userHive.empty();
    if (subKeys) *subKeys = user ? 1 : 0;
    if (maxSubKeyLen) *maxSubKeyLen = user ? static_cast<DWORD>(files_.userName.size()) : 0;
    if (values) *values = 0;
    if (maxValueNameLen) *maxValueNameLen = 0;
    if (maxValueLen) *maxValueLen = 0;
    return 0;
}

LONG OfflineRegistry::RegEnumKeyEx(HKEY key, DWORD index, char* name, DWORD* nameLen,
                                   char* keyClass, DWORD* classLen) {
    if (!name || !nameLen) return Error(kErrorInvalidParameter);
    Place place;
    LONG rc = Base(key, &place);
    if (rc) return rc;
    if (!place.key) {
        if (index > 0 || files_.userHive.empty()) return Error(kErrorNoMoreItems);
        return hive::AnsiSubkeyName(codepage::AnsiToUtf16(files_.userName), std::nullopt, name,
                                    nameLen, keyClass, classLen);
    }
    if (index >= place.key->subkeys.size()) return Error(kErrorNoMoreItems);
    const HiveKey& sub = *place.key->subkeys[index];
    return hive::AnsiSubkeyName(sub.name, sub.keyClass, name, nameLen, keyClass, classLen);
}

LONG OfflineRegistry::RegEnumValue(HKEY key, DWORD index, char* name, DWORD* nameLen, DWORD* type,
                                   std::uint8_t* data, DWORD* dataLen) {
    if ((data && !dataLen) || (name && !nameLen)) return Error(kErrorInvalidParameter);
    Place place;
    LONG rc = Base(key, &place);
    if (rc) return rc;
    if (!place.key || index >= place.key->values().size()) return Error(kErrorNoMoreItems);
    const hive::HiveValue& v = place.key->values()[index];
    rc = hive::AnsiValueData(v, data, dataLen);
    if (name && rc == 0) rc = hive::AnsiValueName(v.name, name, nameLen);
    if (type) *type = v.type;
    return rc;
}

LONG OfflineRegistry::RegQueryValueEx(HKEY key, const char* name, DWORD* type, std::uint8_t* data,
                                      DWORD* dataLen) {
    if (data && !dataLen) return Error(kErrorInvalidParameter);
    Place place;
    LONG rc = Base(key, &place);
    if (rc) return rc;
    const hive::HiveValue* v =
        place.key ? place.key->FindValue(codepage::AnsiToUtf16(name ? name : "")) : nullptr;
    if (!v) return Error(kErrorFileNotFound);
    rc = hive::AnsiValueData(*v, data, dataLen);
    if (type) *type = v->type;
    return rc;
}

}  // namespace sl::platform::offline
