// Writing an archive of CRegContentItem records back into the registry
// (RegSLRestore).
#include <functional>
#include <memory>
#include <set>

#include "kernel/log/log.h"
#include "kernel/resolve/reg_key.h"
#include "kernel/storage/archive.h"
#include "kernel/storage/reg_save_restore.h"

namespace sl {

using platform::Current;
using platform::HKEY;
using platform::LONG;

namespace {

// A stored record list loaded one record at a time: each record read goes to
// take before the next is read, so no more than one is held at once. Reads
// what a whole record list reads and fails where it would fail.
class RecordStream : public SerializableObject {
public:
    using Take = std::function<void(std::unique_ptr<CRegContentItem>)>;
    explicit RecordStream(Take take) : take_(std::move(take)) {}
    const RuntimeClass* GetRuntimeClass() const override { return &kRegRecordListClass; }
    void Serialize(Archive& archive) override {
        if (archive.IsStoring()) throw ArchiveError{kArchiveOtherFailure};
        const std::uint32_t count = archive.ReadCount();
        for (std::uint32_t i = 0; i < count; ++i) {
            std::unique_ptr<SerializableObject> object = archive.ReadObject();
            auto* typed = dynamic_cast<CRegContentItem*>(object.get());
            if (typed == nullptr) throw ArchiveError{kArchiveBadClass};
            object.release();
            take_(std::unique_ptr<CRegContentItem>(typed));
        }
    }

private:
    Take take_;
};

// True when the save of keyPath with lists could have written record.
bool SaveWouldKeep(const CRegContentItem& record, const std::string& keyPath,
                   const RegSaveLists& lists) {
    if (record.KeyPath.size() > keyPath.size()) {
        // The first element below the key; the key lists apply to it alone.
        const std::size_t start = keyPath.empty() ? 0 : keyPath.size() + 1;
        const std::size_t end = record.KeyPath.find('\\', start);
        const std::string first = record.KeyPath.substr(
            start, end == std::string::npos ? std::string::npos : end - start);
        if (!PassesNameFilter(first, lists.IncludeKeys, lists.ExcludeKeys)) return false;
    }
    if (record.Kind != CRegContentItem::kValueRecord) return true;
    if (!PassesNameFilter(record.ValueName, lists.IncludeValues, lists.ExcludeValues)) return false;
    return !(record.Type == platform::kRegSz && lists.KeepPathValues == 0 &&
             HoldsDrivePath(record.Data.data(), record.Data.size()));
}


// What a restore keeps while it writes an archive's records one by one:
// its messages, the first failure, the roots that took a write, and the key
// of the last value written, which stays open for the values after it (an
// archive holds each key's values together).
class RecordWriter {
public:
    RecordWriter(std::uint32_t expectedRoot, const std::string* expectedKeyPath,
                 const RegSaveLists* lists)
        : expectedRoot_(expectedRoot), expectedKeyPath_(expectedKeyPath), lists_(lists) {}

    void Report(const std::string& message) {
        text_ += message;
        AppendLog(message, kLogName);
    }
    // Writes one record unless it is refused or an earlier write failed.
    void Write(const CRegContentItem& record);
    // Flushes every root that took a write, then closes the value key.
    void Flush();

    const std::string& Text() const { return text_; }
    std::int32_t Failure() const { return failure_; }

private:
    bool Accepts(const CRegContentItem& record) const;
    void Fail(std::int32_t rc) {
        if (failure_ == 0) failure_ = rc;
    }
    void WriteKey(const CRegContentItem& record);
    void WriteValue(const CRegContentItem& record);

    const std::uint32_t expectedRoot_;
    const std::string* const expectedKeyPath_;
    const RegSaveLists* const lists_;
    std::string text_;
    std::int32_t failure_ = 0;  // first write, refusal or flush failure
    bool stopped_ = false;      // a failed write stops the records after it
    std::set<std::uint32_t> writtenRoots_;
    CSLRegKey valueKey_;
    std::uint32_t valueRoot_ = 0;
    std::string valuePath_;
};

bool RecordWriter::Accepts(const CRegContentItem& record) const {
    const bool validKind = record.Kind == CRegContentItem::kValueRecord ||
                           record.Kind == CRegContentItem::kKeyRecord;
    const bool validData = record.Kind != CRegContentItem::kValueRecord ||
                           record.Data.size() == record.DataLength;
    const bool inScope =
        expectedKeyPath_ == nullptr ||
        (record.Root == expectedRoot_ && IsAtOrBelow(record.KeyPath, *expectedKeyPath_) &&
         (lists_ == nullptr || SaveWouldKeep(record, *expectedKeyPath_, *lists_)));
    return validKind && validData && inScope && WithinKeyLimits(record.KeyPath);
}

void RecordWriter::Write(const CRegContentItem& record) {
    if (stopped_) return;
    if (!Accepts(record)) {
        // A path no registry can hold is named by its start only.
        const std::string shown = WithinKeyLimits(record.KeyPath)
                                      ? record.KeyPath
                                      : record.KeyPath.substr(0, 300) + "...";
        Report(Format("RegSLRestore refused '%s'\n", shown.c_str()));
        Fail(platform::kErrorInvalidName);
        return;
    }
    if (record.Kind == CRegContentItem::kKeyRecord) {
        WriteKey(record);
    } else {
        WriteValue(record);
    }
}

void RecordWriter::WriteKey(const CRegContentItem& record) {
    HKEY key = 0;
    LONG rc = Current().RegCreateKeyEx(record.Root, record.KeyPath.c_str(), record.Class.c_str(),
                                       platform::kRegOptionNonVolatile, platform::kKeyAllAccess,
                                       &key, nullptr);
    if (rc != 0) {
        Report(Format("RegSLRestore RegCreateKeyEx Error: %i\n", static_cast<int>(rc)));
        Fail(rc);
        stopped_ = true;
        return;
    }
    Current().RegCloseKey(key);
    writtenRoots_.insert(record.Root);
}

void RecordWriter::WriteValue(const CRegContentItem& record) {
    if (!valueKey_.IsOpen() || valueRoot_ != record.Root || valuePath_ != record.KeyPath) {
        valueKey_.Open(record.Root, record.KeyPath, true);
        valueRoot_ = record.Root;
        valuePath_ = record.KeyPath;
    }
    static const std::uint8_t kNoData = 0;
    LONG rc = valueKey_.SetValue(record.ValueName, record.Type,
                                 record.Data.empty() ? &kNoData : record.Data.data(),
                                 record.DataLength);
    if (rc != 0) {
        Report(Format("RegSLRestore RegSetValueEx Error: %i\n", static_cast<int>(rc)));
        Fail(rc);
        stopped_ = true;
        return;
    }
    writtenRoots_.insert(record.Root);
}

void RecordWriter::Flush() {
    valueKey_.Close();
    // Writes are not on disk until their hive is flushed; a failed flush is
    // a failed write. Only roots that took a write are flushed: a write that
    // failed changed nothing, and flushing for it would only log a second
    // error for the same cause.
    for (std::uint32_t root : writtenRoots_) {
        LONG rc = Current().RegFlushKey(root);
        if (rc != 0) {
            Report(Format("RegSLRestore RegFlushKey Error: %i\n", static_cast<int>(rc)));
            Fail(rc);
        }
    }
}

}  // namespace

std::int32_t RegSLRestore(const std::string& archivePath, std::string* errorText,
                          std::uint32_t expectedRoot, const std::string* expectedKeyPath,
                          const RegSaveLists* lists) {
    RecordWriter writer(expectedRoot, expectedKeyPath, lists);
    // The archive is read once for its result alone, so that a damaged one
    // is named before any record, and then again, each record written as it
    // is read: a subtree of any size holds one record in memory at a time.
    RecordStream check([](std::unique_ptr<CRegContentItem>) {});
    const std::int32_t loaded = ArchiveXfer(check, archivePath, 0);
    if (loaded != 0) writer.Report(Format("RegSLRestore ArchiveXfer Error: %i\n", loaded));

    RecordStream apply(
        [&writer](std::unique_ptr<CRegContentItem> record) { writer.Write(*record); });
    // What the first reading gave is the result; the records before a
    // failure to load are still written.
    ArchiveXfer(apply, archivePath, 0);
    writer.Flush();

    if (errorText != nullptr) *errorText += writer.Text();
    return loaded != 0 ? loaded : writer.Failure();
}

}  // namespace sl
