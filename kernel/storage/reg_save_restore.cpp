// Saving a registry subtree into one archive (RegSLSave) and what saving
// and restoring share.
#include "kernel/storage/reg_save_restore.h"

#include <cstring>
#include <exception>
#include <functional>
#include <new>
#include <set>

#include "kernel/log/log.h"
#include "kernel/resolve/path_text.h"
#include "kernel/resolve/reg_key.h"
#include "kernel/storage/archive.h"
#include "kernel/storage/archive_stream.h"
#include "kernel/storage/spill_stream.h"

namespace sl {

using platform::Current;
using platform::DWORD;
using platform::HKEY;
using platform::LONG;

namespace {

constexpr DWORD kNameBufferSize = 256;  // names of up to 255 characters

class ListSink : public RegRecordSink {
public:
    explicit ListSink(RegRecordList& records) : records_(records) {}
    void Add(std::unique_ptr<CRegContentItem> record) override {
        records_.push_back(std::move(record));
    }

private:
    RegRecordList& records_;
};

// A record list stored as its records arrive: each is written at once (into
// memory, and past a few megabytes into a temporary file beside the
// archive), so a subtree of any size holds one record at a time. Stored as a
// whole file it gives the bytes a list of the same records would give: the
// count, then every record with its class tag; a record that could not be
// written fails the store the same way.
class StreamedRecordList : public RegRecordSink, public SerializableObject {
public:
    explicit StreamedRecordList(const std::string& archivePath) : bytes_(archivePath) {}
    void Add(std::unique_ptr<CRegContentItem> record) override {
        if (failure_) return;
        try {
            records_.WriteObject(*record);
            ++count_;
        } catch (...) {
            failure_ = std::current_exception();
        }
    }
    const RuntimeClass* GetRuntimeClass() const override { return &kRegRecordListClass; }
    void Serialize(Archive& archive) override {
        if (failure_) std::rethrow_exception(failure_);
        records_.Flush();
        archive.WriteCount(count_);
        bytes_.CopyTo(archive);
    }

private:
    SpillStream bytes_;
    Archive records_{bytes_, true};
    std::uint32_t count_ = 0;
    std::exception_ptr failure_;
};

bool IsAsciiLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

const RuntimeClass kRegRecordListClass{"CObList", 0, nullptr};

bool WithinKeyLimits(const std::string& keyPath) {
    std::size_t depth = 0, length = 0;
    for (std::size_t i = 0; i <= keyPath.size(); ++i) {
        if (i == keyPath.size() || keyPath[i] == '\\') {
            if (length > 0 && ++depth > platform::kMaxKeyDepth) return false;
            length = 0;
        } else if (++length > platform::kMaxKeyNameLength) {
            return false;
        }
    }
    return true;
}

bool IsAtOrBelow(const std::string& keyPath, const std::string& base) {
    if (base.empty()) return true;
    if (keyPath.size() < base.size()) return false;
    if (!EqualNoCaseAscii(std::string_view(keyPath).substr(0, base.size()), base)) return false;
    return keyPath.size() == base.size() || keyPath[base.size()] == '\\';
}

bool HoldsDrivePath(const std::uint8_t* data, std::size_t length) {
    if (data == nullptr) return false;
    const char* text = reinterpret_cast<const char*>(data);
    std::size_t end = strnlen(text, length);
    std::size_t start = 0;  // the scan drops everything up to a colon it has passed
    for (;;) {
        const void* found = std::memchr(text + start, ':', end - start);
        if (found == nullptr) return false;
        std::size_t colon = static_cast<const char*>(found) - text;
        std::size_t i = colon - start;            // position within what is left
        if (i == 0 || colon == end - 1) return false;
        unsigned char before = static_cast<unsigned char>(text[colon - 1]);
        if (text[colon + 1] == '\\' && IsAsciiLetter(before)) {
            if (i == 1 || !IsAsciiLetter(static_cast<unsigned char>(text[colon - 2]))) return true;
        }
        start = colon + 1;
    }
}

LONG CollectValues(HKEY root, const std::string& keyPath, const std::string& includeValues,
                   const std::string& excludeValues, std::int32_t keepPathValues,
                   RegRecordList& records) {
    ListSink sink(records);
    return CollectValues(root, keyPath, includeValues, excludeValues, keepPathValues, sink);
}

LONG CollectSubkeys(HKEY root, const std::string& keyPath, const std::string& includeKeys,
                    const std::string& excludeKeys, const std::string& includeValues,
                    const std::string& excludeValues, std::int32_t keepPathValues,
                    RegRecordList& records) {
    ListSink sink(records);
    return CollectSubkeys(root, keyPath, includeKeys, excludeKeys, includeValues, excludeValues,
                          keepPathValues, sink);
}

LONG CollectValues(HKEY root, const std::string& keyPath, const std::string& includeValues,
                   const std::string& excludeValues, std::int32_t keepPathValues,
                   RegRecordSink& records) {
    platform::Platform& reg = Current();
    HKEY key = 0;
    LONG rc = reg.RegOpenKeyEx(root, keyPath.c_str(), platform::kKeyAllAccess, &key);
    if (rc != 0) return rc;

    DWORD valueCount = 0;
    DWORD maxDataSize = 0;
    rc = reg.RegQueryInfoKey(key, nullptr, nullptr, &valueCount, nullptr, &maxDataSize);
    if (rc != 0 || valueCount == 0) {
        reg.RegCloseKey(key);
        return rc;
    }

    // One zero-filled scratch buffer per key, sized by its largest data.
    std::vector<std::uint8_t> scratch;
    try {
        scratch.assign(maxDataSize == 0 ? 1 : maxDataSize, 0);
    } catch (const std::bad_alloc&) {
        reg.RegCloseKey(key);
        return 0;
    }

    LONG result = 0;
    for (DWORD index = 0; index < valueCount; ++index) {
        char name[kNameBufferSize] = {};
        DWORD nameLength = kNameBufferSize;
        DWORD type = 0;
        DWORD dataLength = maxDataSize;
        rc = reg.RegEnumValue(key, index, name, &nameLength, &type, scratch.data(), &dataLength);
        if (rc != 0) {
            result = rc;
            break;
        }
        if (dataLength > maxDataSize) dataLength = maxDataSize;
        std::string valueName(name, strnlen(name, nameLength < kNameBufferSize ? nameLength
                                                                                : kNameBufferSize));
        if (type == platform::kRegSz && keepPathValues == 0 &&
            HoldsDrivePath(scratch.data(), dataLength)) {
            continue;
        }
        if (!PassesNameFilter(valueName, includeValues, excludeValues)) continue;

        auto record = std::make_unique<CRegContentItem>();
        record->Kind = CRegContentItem::kValueRecord;
        record->Root = static_cast<std::uint32_t>(root);
        record->KeyPath = keyPath;
        record->ValueName = valueName;
        record->Type = type;
        record->Data.assign(scratch.begin(), scratch.begin() + dataLength);
        record->DataLength = dataLength;
        records.Add(std::move(record));
    }

    reg.RegCloseKey(key);
    return result;
}

LONG CollectSubkeys(HKEY root, const std::string& keyPath, const std::string& includeKeys,
                    const std::string& excludeKeys, const std::string& includeValues,
                    const std::string& excludeValues, std::int32_t keepPathValues,
                    RegRecordSink& records) {
    LONG result = 0;
    // A key at the deepest level Windows allows has no subkeys to collect;
    // this bounds the descent whatever the registry behind it holds.
    if (!WithinKeyLimits(keyPath + "\\k")) return result;
    // An unopened key simply has nothing to enumerate.
    CSLRegKey key(root, keyPath, false);
    for (DWORD index = 0; key.IsOpen(); ++index) {
        char name[kNameBufferSize] = {};
        char keyClass[kNameBufferSize] = {};
        DWORD nameLength = kNameBufferSize;
        DWORD classLength = kNameBufferSize;
        LONG rc = Current().RegEnumKeyEx(key.Handle(), index, name, &nameLength, keyClass,
                                         &classLength);
        if (rc != 0) break;  // end of the list, a long name or any error
        std::string subkeyName(name, strnlen(name, kNameBufferSize));
        if (!PassesNameFilter(subkeyName, includeKeys, excludeKeys)) continue;

        std::string subkeyPath = keyPath + "\\" + subkeyName;
        // A listed subkey that cannot be opened (a link to a key that does
        // not exist, or one removed meanwhile) is left out, as Wine's own
        // export leaves it out.
        HKEY probe = 0;
        if (Current().RegOpenKeyEx(root, subkeyPath.c_str(), platform::kKeyRead, &probe) ==
            static_cast<LONG>(platform::kErrorFileNotFound)) {
            continue;
        }
        Current().RegCloseKey(probe);
        auto record = std::make_unique<CRegContentItem>();
        record->Kind = CRegContentItem::kKeyRecord;
        record->Root = static_cast<std::uint32_t>(root);
        record->KeyPath = subkeyPath;
        record->Class.assign(keyClass, strnlen(keyClass, kNameBufferSize));
        records.Add(std::move(record));

        rc = CollectValues(root, subkeyPath, includeValues, excludeValues, keepPathValues, records);
        if (rc != 0) result = rc;
        rc = CollectSubkeys(root, subkeyPath, std::string(), std::string(), includeValues,
                            excludeValues, keepPathValues, records);
        if (rc != 0) result = rc;
    }
    key.Close();
    return result;
}

std::int32_t RegSLSave(std::uint32_t root, const std::string& keyPath,
                       const std::string& archivePath, const std::string& includeKeys,
                       const std::string& excludeKeys, const std::string& includeValues,
                       const std::string& excludeValues, std::int32_t keepPathValues) {
    StreamedRecordList records(archivePath);
    std::uint32_t values = static_cast<std::uint32_t>(
        CollectValues(root, keyPath, includeValues, excludeValues, keepPathValues, records));
    std::uint32_t subkeys = static_cast<std::uint32_t>(
        CollectSubkeys(root, keyPath, includeKeys, excludeKeys, includeValues, excludeValues,
                       keepPathValues, records));
    std::uint32_t archive = static_cast<std::uint32_t>(ArchiveXfer(records, archivePath, 1));
    // Unsigned arithmetic: the composite wraps modulo 2^32.
    return static_cast<std::int32_t>(values + 1000u * subkeys + 1000000u * archive);
}

}  // namespace sl
