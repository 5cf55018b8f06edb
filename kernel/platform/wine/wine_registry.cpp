#include "kernel/platform/wine/wine_registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

#include "kernel/platform/wine/text/hive.h"
#include "kernel/platform/codepage/codepage_1252.h"
#include "kernel/platform/hive/hive_names.h"
#include "kernel/platform/wine/prefix_lock.h"
#include "kernel/platform/posix/atomic_replace.h"
#include "kernel/platform/posix/write_all.h"
#include "kernel/platform/posix/unix_files.h"
#include "kernel/platform/hive/wow64_view.h"

namespace sl::platform::wine {

using namespace sl::platform::codepage;

using namespace sl::platform::hive;
using namespace sl::platform::posix;

namespace {

constexpr LONG kErrorKeyDeleted = 1018;
constexpr LONG kErrorWriteFault = 29;
constexpr DWORD kRegLink = 6;
constexpr std::size_t kMaxKeyNameLen = 255;
constexpr std::size_t kMaxValueNameLen = 16383;

enum HiveIndex : int { kSystem = 0, kUser = 1, kUserDefault = 2, kHiveCount = 3, kUsersRoot = -1 };
const char* const kHiveFiles[kHiveCount] = {"system.reg", "user.reg", "userdef.reg"};
constexpr std::u16string_view kDefaultSid = u"S-1-5-21-0-0-0-1000";

using Path = std::vector<std::u16string>;

// A key by place: a hive and the names from its root (or the HKEY_USERS root).
struct Location {
    int hive = kUsersRoot;
    Path path;
};

Path SplitPath(std::u16string_view text) {
    Path out;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == u'\\') {
            if (i > start) out.emplace_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return out;
}

Path SplitAnsiPath(const char* subKey) {
    if (!subKey) return {};
    return SplitPath(AnsiToUtf16(subKey));
}

// HKEY_CLASSES_ROOT is HKLM\Software\Classes: walk from HKLM so that a
// missing Classes key can be created like any other.
void ClassesBelowMachine(HKEY root, Location& base, Path& names) {
    if (root != kHkeyClassesRoot) return;
    base = {kSystem, {}};
    names.insert(names.begin(), {u"Software", u"Classes"});
}

bool IsStringType(DWORD type) { return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz; }

// What a failed hive write reports: a full disk and a refusal as the file
// system gave them, a missing entry as a missing path (the hive's folder is
// gone), anything else as a write fault.
LONG HiveWriteError(int err) {
    switch (err) {
        case ENOSPC:
        case EDQUOT:
        case EACCES:
        case EPERM:
        case EROFS: return static_cast<LONG>(ErrnoToWin32(err));
        case ENOENT:
        case ENOTDIR: return static_cast<LONG>(kErrorPathNotFound);
        default: return kErrorWriteFault;
    }
}

// Copies text as an ANSI string with its zero into buf.
void CopyAnsi(char* buf, const std::string& text, std::size_t len) {
    std::memcpy(buf, text.data(), len);
    buf[len] = 0;
}

}  // namespace

struct WineRegistry::State {
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
    Slot slots[kHiveCount];
    // Counts the calls into the registry: within one call a hive is looked
    // at on disk once, so the keys a call holds stay valid until it returns
    // (a hive that cannot be read would otherwise be made anew on each look).
    std::uint64_t call = 1;
    std::map<HKEY, Handle> handles;
    HKEY nextHandle = 0x1000;

    bool ServerRunning() const { return serverRunning && serverRunning(); }

    static bool SameFile(const struct stat& a, const struct stat& b) {
        return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
               a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
    }

    // The hive as on disk now; unflushed changes keep the copy in memory.
    Hive& Fresh(int index) {
        Slot& slot = slots[index];
        if (slot.hive && slot.hive->changed()) return *slot.hive;
        if (slot.hive && slot.checkedInCall == call) return *slot.hive;
        slot.checkedInCall = call;
        const bool locked = writer && writer->held();
        if (slot.hive && locked && slot.checkedUnderLock) return *slot.hive;
        slot.checkedUnderLock = locked;
        struct stat now {};
        bool exists = ::lstat(slot.file.c_str(), &now) == 0;
        if (slot.hive) {
            if (!exists && !slot.onDisk && slot.hive->status() == Hive::Status::Missing) return *slot.hive;
            if (exists && slot.onDisk && SameFile(now, slot.st)) return *slot.hive;
        }
        Load(slot);
        return *slot.hive;
    }

    static void Load(Slot& slot) {
        ++slot.generation;
        slot.onDisk = false;
        // A link, FIFO or device in a hive's place is not read (it could
        // block or never end): the hive is refused, and so never written.
        DWORD openError = kErrorSuccess;
        int fd = OpenPlainFile(slot.file, O_RDONLY, 0, &openError);
        if (fd < 0) {
            slot.hive = openError == kErrorFileNotFound ? Hive::MissingFile()
                                                        : Hive::FromText(std::string());
            return;
        }
        std::string text;
        struct stat st {};
        bool ok = ::fstat(fd, &st) == 0;
        if (ok) {
            text.resize(static_cast<std::size_t>(st.st_size));
            std::size_t done = 0;
            while (done < text.size()) {
                ssize_t n = ::read(fd, text.data() + done, text.size() - done);
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) break;
                done += static_cast<std::size_t>(n);
            }
            text.resize(done);
            ok = done == static_cast<std::size_t>(st.st_size);
        }
        ::close(fd);
        if (!ok) {
            slot.hive = Hive::FromText(std::string());  // unreadable: refused
            return;
        }
        slot.hive = Hive::FromText(std::move(text));
        slot.st = st;
        slot.onDisk = true;
    }

    std::u16string UserSid() {
        Path rel = SplitPath(Fresh(kUser).relativeTo());
        if (rel.size() == 3 && NamesEqual(rel[1], u"User")) return rel[2];
        return std::u16string(kDefaultSid);
    }

    // The location a predefined root or open handle stands for.
    LONG Base(HKEY key, Location& loc, DWORD& access) {
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
    HiveKey* At(const Location& loc) {
        if (loc.hive == kUsersRoot) return nullptr;
        HiveKey* key = &Fresh(loc.hive).root();
        for (const auto& name : loc.path) {
            key = key->FindSubkey(name);
            if (!key) return nullptr;
        }
        return key;
    }

    // Where a Wine link key points ("\Registry\Machine\..." and the like).
    bool LinkTarget(const HiveKey& key, Location& out) {
        const HiveValue* v = key.FindValue(u"SymbolicLinkValue");
        if (!v || v->type != kRegLink) return false;
        std::u16string target(v->data.size() / 2, u'\0');
        for (std::size_t i = 0; i < target.size(); ++i) {
            target[i] = static_cast<char16_t>(static_cast<unsigned char>(v->data[2 * i]) |
                                              (static_cast<unsigned char>(v->data[2 * i + 1]) << 8));
        }
        while (!target.empty() && target.back() == 0) target.pop_back();
        Path p = SplitPath(target);
        if (p.size() < 2 || !NamesEqual(p[0], u"Registry")) return false;
        if (NamesEqual(p[1], u"Machine")) {
            out = {kSystem, Path(p.begin() + 2, p.end())};
            return true;
        }
        if (p.size() >= 3 && NamesEqual(p[1], u"User")) {
            if (NamesEqual(p[2], u".Default")) {
                out = {kUserDefault, Path(p.begin() + 3, p.end())};
                return true;
            }
            if (NamesEqual(p[2], UserSid())) {
                out = {kUser, Path(p.begin() + 3, p.end())};
                return true;
            }
        }
        return false;
    }

    // True when registry calls see the 32-bit view (a 64-bit prefix).
    bool View32() { return IsWow64Machine(Fresh(kSystem)); }

    // Moves cur (at loc) into its Wow6432Node subkey where a 32-bit program
    // would look for next there.
    static HiveKey* Redirect(Location& loc, HiveKey* cur, std::u16string_view next) {
        HiveKey* to = RedirectFor32Bit(cur, next);
        if (to != cur) loc.path.emplace_back(to->name);
        return to;
    }

    // Follows cur while it is a link key; false when a link leads nowhere
    // (danglingTarget then holds where it points, when it names a place).
    bool FollowLinks(Location& loc, HiveKey*& cur) {
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

    // Where the link the last Walk stopped at points, when it points at a
    // key that does not exist.
    std::optional<Location> danglingTarget;
    static constexpr int kMostLinkHops = 16;

    // Creates the keys of loc that are missing (no links followed, no view).
    LONG CreatePath(const Location& loc) {
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
    HiveKey* Lookup(Location& loc, HiveKey*& cur, std::u16string_view name, bool view32) {
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
    LONG Walk(const Location& base, const Path& names, Location& loc, HiveKey** key, std::size_t* consumed) {
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
    LONG KeyOf(HKEY hkey, Location& loc, HiveKey** key, DWORD* access = nullptr) {
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
    LONG KeyForEnumeration(HKEY hkey, DWORD index, bool values, Location& loc, HiveKey** key) {
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

    HKEY NewHandle(const Location& loc, DWORD access, HiveKey* key) {
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

    bool AnyChanged() const {
        for (const Slot& slot : slots) {
            if (slot.hive && slot.hive->changed()) return true;
        }
        return false;
    }

    // Before a write: the first one of an operation checks that no
    // wineserver owns the prefix and takes the writer lock; the ones after it
    // only change memory (the flush checks for a server again).
    LONG BeginWrite() {
        if (writer->held()) return 0;
        if (ServerRunning()) return static_cast<LONG>(kErrorSharingViolation);
        for (Slot& slot : slots) slot.checkedUnderLock = false;
        // What the caller walked before may be read anew now: it walks again.
        ++call;
        return writer->Acquire();
    }

    // After a flush: once nothing waits to be written, another process may write.
    void ReleaseWriterIfClean() {
        if (!AnyChanged()) writer->Release();
    }

    LONG WritableHive(int index) {
        if (index == kUsersRoot) return static_cast<LONG>(kErrorAccessDenied);
        return Fresh(index).status() == Hive::Status::Loaded ? 0 : static_cast<LONG>(kErrorAccessDenied);
    }

    // Writes one hive if it changed: a temporary file beside it, synced,
    // then renamed over it.
    LONG Flush(int index) {
        Slot& slot = slots[index];
        if (!slot.hive || !slot.hive->changed()) return 0;
        struct stat now {};
        bool exists = ::lstat(slot.file.c_str(), &now) == 0;
        if (!exists || !slot.onDisk || !SameFile(now, slot.st)) {
            // Someone else replaced the file since it was read: do not overwrite.
            return static_cast<LONG>(kErrorSharingViolation);
        }
        AtomicReplace replace(slot.file, 0600);
        if (!replace.ok()) return static_cast<LONG>(replace.createError());
        // The text goes out as it is made, a piece at a time.
        int failure = 0;
        slot.hive->WriteTo([&](std::string_view piece) {
            failure = WriteAll(replace.fd(), piece.data(), piece.size());
            return failure == 0;
        });
        const mode_t mode = now.st_mode & 07777;
        struct stat written {};
        if (!failure) failure = replace.Commit(&mode, true, &written);
        if (failure) return HiveWriteError(failure);
        slot.hive->MarkWritten();
        slot.st = written;
        slot.onDisk = true;
        return 0;
    }
};

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
    ++state_->call;
    if (!result) return static_cast<LONG>(kErrorInvalidParameter);
    *result = 0;
    Location base;
    DWORD access = 0;
    LONG rc = state_->Base(root, base, access);
    if (rc) return rc;
    Path names = SplitAnsiPath(subKey);
    ClassesBelowMachine(root, base, names);
    Location loc;
    HiveKey* key = nullptr;
    std::size_t consumed = 0;
    rc = state_->Walk(base, names, loc, &key, &consumed);
    if (rc) return rc;
    *result = state_->NewHandle(loc, samDesired, key);
    return 0;
}

LONG WineRegistry::RegCreateKeyEx(HKEY root, const char* subKey, const char* keyClass, DWORD /*options*/,
                                  DWORD samDesired, HKEY* result, DWORD* disposition) {
    ++state_->call;
    if (!result) return static_cast<LONG>(kErrorInvalidParameter);
    *result = 0;
    Location base;
    DWORD access = 0;
    LONG rc = state_->Base(root, base, access);
    if (rc) return rc;
    Path names = SplitAnsiPath(subKey);
    ClassesBelowMachine(root, base, names);
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
        nSub = static_cast<DWORD>(key->subkeys.size());
        for (const auto& s : key->subkeys) maxSub = std::max<DWORD>(maxSub, static_cast<DWORD>(s->name.size()));
        nVal = static_cast<DWORD>(key->values().size());
        for (const auto& v : key->values()) {
            maxName = std::max<DWORD>(maxName, static_cast<DWORD>(v.name.size()));
            maxData = std::max<DWORD>(maxData, static_cast<DWORD>(v.data.size()));
        }
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
    std::string n = Utf16ToAnsi(subName);
    std::string c = Utf16ToAnsi(subClass);
    if (n.size() >= *nameLen || (keyClass && classLen && c.size() >= *classLen)) {
        return static_cast<LONG>(kErrorMoreData);
    }
    CopyAnsi(name, n, n.size());
    *nameLen = static_cast<DWORD>(n.size());
    if (classLen) {
        *classLen = static_cast<DWORD>(c.size());
        if (keyClass) CopyAnsi(keyClass, c, c.size());
    }
    return 0;
}

namespace {

// The data of a value as the ANSI calls return it (strings converted).
// Fills data when given and large enough; sets *dataLen to the size.
LONG AnsiData(const HiveValue& v, std::uint8_t* data, DWORD* dataLen) {
    LONG rc = 0;
    if (IsStringType(v.type)) {
        std::string ansi = Utf16BytesToAnsi(reinterpret_cast<const std::uint8_t*>(v.data.data()), v.data.size());
        if (data && !ansi.empty()) {
            if (ansi.size() > *dataLen) {
                rc = static_cast<LONG>(kErrorMoreData);
            } else {
                std::memcpy(data, ansi.data(), ansi.size());
                // Room left and no zero at the end: terminate, as Windows does.
                if (ansi.size() < *dataLen && ansi.back() != 0) data[ansi.size()] = 0;
            }
        }
        if (dataLen) *dataLen = static_cast<DWORD>(ansi.size());
        return rc;
    }
    if (data) {
        if (v.data.size() > *dataLen) {
            rc = static_cast<LONG>(kErrorMoreData);
        } else {
            std::memcpy(data, v.data.data(), v.data.size());
        }
    }
    if (dataLen) *dataLen = static_cast<DWORD>(v.data.size());
    return rc;
}

}  // namespace

LONG WineRegistry::RegEnumValue(HKEY hkey, DWORD index, char* name, DWORD* nameLen, DWORD* type,
                                std::uint8_t* data, DWORD* dataLen) {
    ++state_->call;
    if ((data && !dataLen) || (name && !nameLen)) return static_cast<LONG>(kErrorInvalidParameter);
    Location loc;
    HiveKey* key = nullptr;
    LONG rc = state_->KeyForEnumeration(hkey, index, true, loc, &key);
    if (rc) return rc;
    if (!key || index >= key->values().size()) return static_cast<LONG>(kErrorNoMoreItems);
    const HiveValue& v = key->values()[index];
    rc = AnsiData(v, data, dataLen);
    if (name && rc == 0) {
        std::string n = Utf16ToAnsi(v.name);
        if (n.size() >= *nameLen) {
            rc = static_cast<LONG>(kErrorMoreData);
            if (*nameLen) CopyAnsi(name, n, *nameLen - 1);
        } else {
            CopyAnsi(name, n, n.size());
            *nameLen = static_cast<DWORD>(n.size());
        }
    }
    if (type) *type = v.type;
    return rc;
}

LONG WineRegistry::RegQueryValueEx(HKEY hkey, const char* name, DWORD* type, std::uint8_t* data,
                                   DWORD* dataLen) {
    ++state_->call;
    if (data && !dataLen) return static_cast<LONG>(kErrorInvalidParameter);
    Location loc;
    HiveKey* key = nullptr;
    LONG rc = state_->KeyOf(hkey, loc, &key);
    if (rc) return rc;
    const HiveValue* v = key ? key->FindValue(AnsiToUtf16(name ? name : "")) : nullptr;
    if (!v) return static_cast<LONG>(kErrorFileNotFound);
    rc = AnsiData(*v, data, dataLen);
    if (type) *type = v->type;
    return rc;
}

LONG WineRegistry::RegSetValueEx(HKEY hkey, const char* name, DWORD type, const std::uint8_t* data,
                                 DWORD dataLen) {
    ++state_->call;
    Location loc;
    DWORD access = 0;
    LONG rc = state_->Base(hkey, loc, access);
    if (rc) return rc;
    if (!data && dataLen) return static_cast<LONG>(kErrorInvalidParameter);
    if (!(access & kKeySetValue)) return static_cast<LONG>(kErrorAccessDenied);
    rc = state_->BeginWrite();
    if (rc) return rc;
    HiveKey* key = nullptr;
    rc = state_->KeyOf(hkey, loc, &key);
    if (rc) return rc;
    rc = state_->WritableHive(loc.hive);
    if (rc) return rc;
    std::u16string valueName = AnsiToUtf16(name ? name : "");
    if (valueName.size() > kMaxValueNameLen) return static_cast<LONG>(kErrorInvalidParameter);
    std::string bytes = IsStringType(type) ? AnsiToUtf16Bytes(data, dataLen)
                                           : std::string(reinterpret_cast<const char*>(data), dataLen);
    state_->Fresh(loc.hive).SetValue(*key, valueName, type, std::move(bytes), CurrentFileTime());
    return 0;
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
