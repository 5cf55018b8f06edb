#include "kernel/storage/archive.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "kernel/platform/codepage/codepage_1252.h"

namespace sl {

namespace {

constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kClassTag = 0x8000;
constexpr std::uint16_t kBigObjectTag = 0x7FFF;
constexpr std::uint32_t kBigClassTag = 0x80000000u;
constexpr std::uint32_t kMaxMapCount = 0x7FFFFFFEu;
constexpr std::size_t kMaxClassNameLength = 63;
constexpr std::uint64_t kWideMarker = ~std::uint64_t{0};

}  // namespace

std::int32_t FileCauseFromWin32(std::uint32_t error) {
    switch (error) {
        case 2: return kFileNotFound;
        case 3: return kFileBadPath;
        case 4: return kFileTooManyOpen;
        case 5: return kFileAccessDenied;
        case 6: return kFileInvalid;
        case 32: return kFileSharingViolation;
        case 33: return kFileLockViolation;
        case 38: return kFileEndOfFile;
        case 112: return kFileDiskFull;
        case 1920:  // no plain file (a FIFO, a device): not to be opened
        case 1921:  // a link where the file should be: not to be followed
            return kFileAccessDenied;
        default: return kFileGeneric;
    }
}

Archive::Archive(ArchiveStream& stream, bool storing)
    : stream_(stream), storing_(storing), buffer_(kBufferSize) {
    if (!storing_) classByIndex_.push_back(nullptr);  // index 0: the null reference
}

Archive::~Archive() = default;

void Archive::RequireStoring() const {
    if (!storing_) throw ArchiveError{kArchiveReadOnly};
}

void Archive::RequireLoading() const {
    if (storing_) throw ArchiveError{kArchiveWriteOnly};
}

// ---- Storing

void Archive::WriteBytes(const void* data, std::size_t size) {
    RequireStoring();
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    // A block larger than the buffer goes to the stream in one piece.
    if (size > buffer_.size()) {
        Flush();
        stream_.Write(bytes, size);
        return;
    }
    while (size > 0) {
        if (pos_ == buffer_.size()) Flush();
        std::size_t n = std::min(size, buffer_.size() - pos_);
        std::memcpy(buffer_.data() + pos_, bytes, n);
        pos_ += n;
        bytes += n;
        size -= n;
    }
}

void Archive::WriteU16(std::uint16_t value) {
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value),
                                   static_cast<std::uint8_t>(value >> 8)};
    WriteBytes(bytes, 2);
}

void Archive::WriteU32(std::uint32_t value) {
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    WriteBytes(bytes, 4);
}

void Archive::WriteString(const std::string& text) {
    RequireStoring();
    if (text.size() > 0xFFFFFFFFu) throw ArchiveError{kArchiveGeneric};
    const auto length = static_cast<std::uint32_t>(text.size());
    if (length < 0xFF) {
        const auto byte = static_cast<std::uint8_t>(length);
        WriteBytes(&byte, 1);
    } else {
        const std::uint8_t ff = 0xFF;
        WriteBytes(&ff, 1);
        if (length < 0xFFFE) {
            WriteU16(static_cast<std::uint16_t>(length));
        } else {
            WriteU16(0xFFFF);
            WriteU32(length);
        }
    }
    WriteBytes(text.data(), text.size());
}

void Archive::WriteCount(std::uint32_t count) {
    if (count < 0xFFFF) {
        WriteU16(static_cast<std::uint16_t>(count));
    } else {
        WriteU16(0xFFFF);
        WriteU32(count);
    }
}

std::uint32_t Archive::TakeIndex() {
    if (nextIndex_ >= kMaxMapCount) throw ArchiveError{kArchiveBadIndex};
    return nextIndex_++;
}

void Archive::WriteObject(const SerializableObject& object) {
    RequireStoring();
    const RuntimeClass* cls = object.GetRuntimeClass();
    auto known = std::find_if(storedClasses_.begin(), storedClasses_.end(),
                              [cls](const auto& entry) { return entry.first == cls; });
    if (known == storedClasses_.end()) {
        const std::size_t nameLength = std::strlen(cls->name);
        // A name the reader would refuse is never written.
        if (nameLength > kMaxClassNameLength) throw ArchiveError{kArchiveBadClass};
        WriteU16(kNewClassTag);
        WriteU16(cls->schema);
        WriteU16(static_cast<std::uint16_t>(nameLength));
        WriteBytes(cls->name, nameLength);
        storedClasses_.emplace_back(cls, TakeIndex());
    } else if (known->second < kBigObjectTag) {
        WriteU16(static_cast<std::uint16_t>(kClassTag | known->second));
    } else {
        WriteU16(kBigObjectTag);
        WriteU32(kBigClassTag | known->second);
    }
    TakeIndex();  // the object's own index, taken before its fields
    const_cast<SerializableObject&>(object).Serialize(*this);
}

void Archive::Flush() {
    if (!storing_ || pos_ == 0) return;
    std::size_t n = pos_;
    pos_ = 0;
    stream_.Write(buffer_.data(), n);
}

// ---- Loading

void Archive::Fill() {
    pos_ = 0;
    limit_ = stream_.Read(buffer_.data(), buffer_.size());
}

std::uint64_t Archive::Remaining() const {
    if (storing_) return 0;
    return (limit_ - pos_) + stream_.Remaining();
}

void Archive::ReadBytes(void* data, std::size_t size) {
    RequireLoading();
    auto* bytes = static_cast<std::uint8_t*>(data);
    while (size > 0) {
        if (pos_ == limit_) {
            Fill();
            if (limit_ == 0) throw ArchiveError{kArchiveEndOfFile};
        }
        std::size_t n = std::min(size, limit_ - pos_);
        std::memcpy(bytes, buffer_.data() + pos_, n);
        pos_ += n;
        bytes += n;
        size -= n;
    }
}

std::uint16_t Archive::ReadU16() {
    std::uint8_t b[2];
    ReadBytes(b, 2);
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

std::uint32_t Archive::ReadU32() {
    std::uint8_t b[4];
    ReadBytes(b, 4);
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

std::vector<std::uint8_t> Archive::ReadBuffer(std::uint32_t size) {
    RequireLoading();
    if (size > Remaining()) throw ArchiveError{kArchiveEndOfFile};
    std::vector<std::uint8_t> data(size);
    if (size > 0) ReadBytes(data.data(), size);
    return data;
}

// A length prefix; kWideMarker for the 16-bit-character marker FF FFFE.
std::uint64_t Archive::ReadStringLength() {
    std::uint8_t first;
    ReadBytes(&first, 1);
    if (first < 0xFF) return first;
    std::uint16_t word = ReadU16();
    if (word == 0xFFFE) return kWideMarker;
    if (word < 0xFFFF) return word;
    return ReadU32();
}

std::string Archive::ReadString() {
    RequireLoading();
    std::uint64_t length = ReadStringLength();
    if (length != kWideMarker) {
        if (length > Remaining()) throw ArchiveError{kArchiveEndOfFile};
        std::string text(static_cast<std::size_t>(length), '\0');
        if (length > 0) ReadBytes(text.data(), text.size());
        return text;
    }
    // 16-bit characters: the length (in characters) follows the marker.
    length = ReadStringLength();
    if (length == kWideMarker) throw ArchiveError{kArchiveGeneric};
    if (length * 2 > Remaining()) throw ArchiveError{kArchiveEndOfFile};
    std::string text;
    text.reserve(static_cast<std::size_t>(length));
    for (std::uint64_t i = 0; i < length; ++i) {
        text.push_back(platform::codepage::UnicodeToByte(ReadU16()));
    }
    return text;
}

std::uint32_t Archive::ReadCount() {
    std::uint16_t count = ReadU16();
    if (count != 0xFFFF) return count;
    return ReadU32();
}

const RuntimeClass* Archive::ReadNewClass() {
    std::uint16_t schema = ReadU16();
    std::uint16_t nameLength = ReadU16();
    if (nameLength > kMaxClassNameLength) throw ArchiveError{kArchiveBadClass};
    char name[kMaxClassNameLength + 1] = {};
    ReadBytes(name, nameLength);
    const RuntimeClass* cls = FindRecordClass(std::string(name, nameLength));
    if (cls == nullptr) throw ArchiveError{kArchiveBadClass};
    if (cls->schema != schema) throw ArchiveError{kArchiveBadSchema};
    if (classByIndex_.size() >= kMaxMapCount) throw ArchiveError{kArchiveBadIndex};
    classByIndex_.push_back(cls);
    return cls;
}

std::unique_ptr<SerializableObject> Archive::ReadObject() {
    RequireLoading();
    const std::uint16_t tag = ReadU16();
    const RuntimeClass* cls = nullptr;
    if (tag == kNewClassTag) {
        cls = ReadNewClass();
    } else {
        std::uint32_t objectTag;
        if (tag == kBigObjectTag) {
            objectTag = ReadU32();
        } else {
            objectTag = (static_cast<std::uint32_t>(tag & kClassTag) << 16) |
                        (tag & static_cast<std::uint16_t>(~kClassTag));
        }
        if ((objectTag & kBigClassTag) == 0) {
            // Null or a reference to an object already read: neither can be
            // handed out as a new owned object.
            if (objectTag != 0 && objectTag >= classByIndex_.size()) {
                throw ArchiveError{kArchiveBadIndex};
            }
            throw ArchiveError{kArchiveBadClass};
        }
        const std::uint32_t classIndex = objectTag & ~kBigClassTag;
        if (classIndex == 0 || classIndex >= classByIndex_.size()) {
            throw ArchiveError{kArchiveBadIndex};
        }
        cls = classByIndex_[classIndex];
        if (cls == nullptr) throw ArchiveError{kArchiveBadClass};  // the index names an object
    }
    std::unique_ptr<SerializableObject> object = cls->create();
    if (!object) throw std::bad_alloc();
    if (classByIndex_.size() >= kMaxMapCount) throw ArchiveError{kArchiveBadIndex};
    classByIndex_.push_back(nullptr);  // the object's index, before its fields
    object->Serialize(*this);
    return object;
}

void SerializeStringList(Archive& archive, std::vector<std::string>& list) {
    if (archive.IsStoring()) {
        archive.WriteCount(static_cast<std::uint32_t>(list.size()));
        for (const std::string& text : list) archive.WriteString(text);
        return;
    }
    // One string at a time: a count beyond what the file holds ends with
    // end of file instead of a large allocation.
    const std::uint32_t count = archive.ReadCount();
    for (std::uint32_t i = 0; i < count; ++i) list.push_back(archive.ReadString());
}

}  // namespace sl
