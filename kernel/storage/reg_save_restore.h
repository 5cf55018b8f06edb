// Saving a registry subtree into one archive file of CRegContentItem records,
// and writing such an archive back into the registry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kernel/platform/platform.h"
#include "kernel/storage/name_filter.h"
#include "kernel/storage/reg_content_item.h"

namespace sl {

using RegRecordList = std::vector<std::unique_ptr<CRegContentItem>>;

// Where collected records go, one at a time, in collection order.
class RegRecordSink {
public:
    virtual ~RegRecordSink() = default;
    virtual void Add(std::unique_ptr<CRegContentItem> record) = 0;
};

// True when the text in data (up to its first zero byte, never beyond length)
// holds a drive path: a letter, a colon and a backslash, where the letter
// stands at the start or after a character that is not a letter ("C:\x",
// "x;C:\y"). A colon in the first position ends the search ("::C:\dir" holds
// none); a colon not followed by a drive path lets the search go on after it
// ("x:C:\dir" holds one).
bool HoldsDrivePath(const std::uint8_t* data, std::size_t length);

// Appends a value record for every value of the key (root, keyPath) that
// passes the value lists; REG_SZ values holding a drive path are left out
// when keepPathValues is 0. Returns 0, the error of opening the key (all
// access) or of asking its size, or the error that ended the value
// enumeration (for example 234 for a name over 255 characters). A key without
// values, or whose scratch buffer cannot be had, gives 0 and nothing.
platform::LONG CollectValues(platform::HKEY root, const std::string& keyPath,
                             const std::string& includeValues, const std::string& excludeValues,
                             std::int32_t keepPathValues, RegRecordSink& records);
platform::LONG CollectValues(platform::HKEY root, const std::string& keyPath,
                             const std::string& includeValues, const std::string& excludeValues,
                             std::int32_t keepPathValues, RegRecordList& records);

// Appends, depth first, a key record and the value records of every direct
// subkey of (root, keyPath) that passes the key lists, then its whole subtree
// (deeper levels are not filtered by key name; value lists and the drive-path
// test apply at every level). Keys kMaxKeyDepth levels deep are collected
// without their subkeys. Returns 0 or the last nonzero CollectValues or
// nested CollectSubkeys result; a key that cannot be opened or enumerated
// simply has no subkeys.
platform::LONG CollectSubkeys(platform::HKEY root, const std::string& keyPath,
                              const std::string& includeKeys, const std::string& excludeKeys,
                              const std::string& includeValues, const std::string& excludeValues,
                              std::int32_t keepPathValues, RegRecordSink& records);
platform::LONG CollectSubkeys(platform::HKEY root, const std::string& keyPath,
                              const std::string& includeKeys, const std::string& excludeKeys,
                              const std::string& includeValues, const std::string& excludeValues,
                              std::int32_t keepPathValues, RegRecordList& records);

// The class of a stored record list, the archive's top object (the file is
// the list itself: its count, then its records).
extern const RuntimeClass kRegRecordListClass;

// Whether a key path names a key Windows could hold: at most kMaxKeyDepth
// names below its root, none longer than kMaxKeyNameLength. Empty names
// (doubled or outer backslashes) do not count, as the registry skips them.
bool WithinKeyLimits(const std::string& keyPath);

// True when keyPath equals base or lies below it, comparing whole path
// elements without regard to case ("A\BC" is not below "A\B"). An empty base
// is the root itself, which holds every path. This is what a restore
// accepts from an archive.
bool IsAtOrBelow(const std::string& keyPath, const std::string& base);

// Saves the subtree below (root, keyPath) into the archive at archivePath (a
// DOS path). The archive is written in every case, even with no records.
// Returns V + 1000*K + 1000000*A computed modulo 2^32 (as a signed 32-bit
// value): V the values status of the key itself, K the subkeys status, A the
// ArchiveXfer result. 0 means that every step succeeded; a missing key gives 2.
std::int32_t RegSLSave(std::uint32_t root, const std::string& keyPath,
                       const std::string& archivePath, const std::string& includeKeys,
                       const std::string& excludeKeys, const std::string& includeValues,
                       const std::string& excludeValues, std::int32_t keepPathValues);

// What the save of a key left out, so that a restore into that key leaves
// it out too: subkeys directly below the key that fail the key lists,
// values anywhere that fail the value lists, and, when KeepPathValues is 0,
// REG_SZ values holding a drive path (those name folders of the machine the
// backup came from; some of them are where this machine's applications are
// found).
struct RegSaveLists {
    std::string IncludeKeys;
    std::string ExcludeKeys;
    std::string IncludeValues;
    std::string ExcludeValues;
    std::int32_t KeepPathValues = 1;
};

// Writes the records of the archive at archivePath into the registry in file
// order: key records create their key with its class, value records set the
// value (creating its key). Nothing is ever deleted. Every root that took a
// write is flushed before returning (a write that failed is not flushed for).
//
// When expectedKeyPath is given, only records under expectedRoot at
// expectedKeyPath or below it (whole path elements, case ignored) are
// written; others are refused. With lists given as well, records the save
// would have left out (see RegSaveLists) are refused the same way. Records
// of an unknown kind, value records whose data length differs from their
// data, and records whose key path is deeper than kMaxKeyDepth or holds a
// name longer than kMaxKeyNameLength are always refused. Refused
// records are skipped and the rest still go in.
//
// Messages ("RegSLRestore ArchiveXfer Error: %i\n", "RegSLRestore
// RegCreateKeyEx Error: %i\n", "RegSLRestore RegSetValueEx Error: %i\n",
// "RegSLRestore RegFlushKey Error: %i\n", "RegSLRestore refused '%s'\n") are
// logged as they arise and appended to *errorText when it is given. A failed
// key creation or value write stops the processing of further records.
//
// Returns the ArchiveXfer load result when it is nonzero (the records loaded
// before the failure are still written); otherwise the first failure met in
// order: a key creation or value write error, 123 (invalid name) for a
// refused record, a flush error; 0 when every record went in and is on disk.
std::int32_t RegSLRestore(const std::string& archivePath, std::string* errorText,
                          std::uint32_t expectedRoot = 0,
                          const std::string* expectedKeyPath = nullptr,
                          const RegSaveLists* lists = nullptr);

}  // namespace sl
