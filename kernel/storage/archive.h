// The object-archive encoding shared by every file the kernel writes into a
// backup folder, and ArchiveXfer, which stores or loads one serializable
// object as a whole file.
//
// Encoding (little-endian): 16/32-bit integers; strings with a length prefix
// (1 byte up to 254, FF + 16 bits up to 65533, FF FFFF + 32 bits above); counts
// (16 bits below 0xFFFF, else FFFF + 32 bits); object references with class
// tags (0xFFFF new class, 0x8000+n known class, 1..0x7FFE back reference,
// 0 null, 0x7FFF + 32-bit tag), one index counter shared by classes and objects.
//
// Inside an archive, failures are raised as ArchiveError; ArchiveXfer turns
// every one of them into its result code and nothing escapes it. A reader
// never trusts a declared length or count: lengths beyond the remaining bytes
// are end of file before any allocation, and lists are read one object at a
// time, so what a hostile file makes it allocate stays proportional to the
// file's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace sl {

class Archive;
class SerializableObject;

// Run-time class record: stored name, schema, factory.
struct RuntimeClass {
    const char* name;
    std::uint16_t schema;
    std::unique_ptr<SerializableObject> (*create)();
};

class SerializableObject {
public:
    virtual ~SerializableObject() = default;
    virtual const RuntimeClass* GetRuntimeClass() const = 0;
    virtual void Serialize(Archive& archive) = 0;
};

// The record classes a loading archive may create by name (exact,
// case-sensitive): CRegContentItem, CSLRegItem, CSLFileItem.
const RuntimeClass* FindRecordClass(const std::string& name);

// File-error causes (result codes of ArchiveXfer).
enum FileCause : std::int32_t {
    kFileGeneric = 1, kFileNotFound = 2, kFileBadPath = 3, kFileTooManyOpen = 4,
    kFileAccessDenied = 5, kFileInvalid = 6, kFileRemoveCurrentDir = 7, kFileDirectoryFull = 8,
    kFileBadSeek = 9, kFileHardIO = 10, kFileSharingViolation = 11, kFileLockViolation = 12,
    kFileDiskFull = 13, kFileEndOfFile = 14,
};
// Archive-error causes (same number space).
enum ArchiveCause : std::int32_t {
    kArchiveGeneric = 1, kArchiveReadOnly = 2, kArchiveEndOfFile = 3, kArchiveWriteOnly = 4,
    kArchiveBadIndex = 5, kArchiveBadClass = 6, kArchiveBadSchema = 7,
};
inline constexpr std::int32_t kArchiveOtherFailure = 99123;

// Raised inside an archive; caught by ArchiveXfer.
struct ArchiveError {
    std::int32_t cause;
};

// Maps a platform (Win32) error number to its file-error cause: 2, 3, 4, 5, 6
// unchanged, 32 -> 11, 33 -> 12, 112 -> 13, 38 -> 14, 1920 and 1921 (no
// plain file, a link) -> 5, anything else -> 1.
std::int32_t FileCauseFromWin32(std::uint32_t error);

// A byte sink or source behind an archive (a platform file, or memory in tests).
class ArchiveStream {
public:
    virtual ~ArchiveStream() = default;
    // Reads up to size bytes; returns the number read (0 at the end). Raises
    // ArchiveError with a file cause on a read error.
    virtual std::size_t Read(void* buffer, std::size_t size) = 0;
    // Writes all bytes or raises ArchiveError with a file cause.
    virtual void Write(const void* buffer, std::size_t size) = 0;
    // Bytes not yet read (loading), used to refuse declared lengths that
    // cannot be there before allocating.
    virtual std::uint64_t Remaining() const = 0;
};

class Archive {
public:
    static constexpr std::size_t kBufferSize = 4096;

    Archive(ArchiveStream& stream, bool storing);
    ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    bool IsStoring() const { return storing_; }
    bool IsLoading() const { return !storing_; }

    // Writing into a loading archive raises read-only (2); reading from a
    // storing archive raises write-only (4). Reads past the end raise end of
    // file (3); stream errors arrive as their file causes.

    void WriteU16(std::uint16_t value);
    void WriteU32(std::uint32_t value);
    void WriteI32(std::int32_t value) { WriteU32(static_cast<std::uint32_t>(value)); }
    void WriteBytes(const void* data, std::size_t size);
    void WriteString(const std::string& text);
    void WriteCount(std::uint32_t count);
    // Writes the object with its class tag (new class or class reference).
    void WriteObject(const SerializableObject& object);

    std::uint16_t ReadU16();
    std::uint32_t ReadU32();
    std::int32_t ReadI32() { return static_cast<std::int32_t>(ReadU32()); }
    void ReadBytes(void* data, std::size_t size);
    // Reads size bytes into a new buffer; a size larger than what remains is
    // end of file (3) before anything is allocated.
    std::vector<std::uint8_t> ReadBuffer(std::uint32_t size);
    // Reads a string. A length larger than what remains is end of file (3)
    // before anything is allocated. A string marked as 16-bit characters
    // (FF FFFE, never written by the kernel) is converted to code page 1252,
    // characters outside it becoming '?'.
    std::string ReadString();
    std::uint32_t ReadCount();
    // Reads one object reference and returns the new object it introduces,
    // created by its stored class name and filled by its own Serialize.
    // Causes: 3 data ends early, 5 a tag names an index not yet defined,
    // 6 unknown class name or one of 64 characters or more, a null reference,
    // a back reference to an object already read (the kernel's files store
    // every object once and a list may not own an object twice), or a class
    // tag naming an object; 7 stored schema differs from the class's.
    std::unique_ptr<SerializableObject> ReadObject();

    // Bytes not yet read (loading): buffered plus left in the stream.
    std::uint64_t Remaining() const;

    // Writes buffered bytes to the stream (done by the owner before closing).
    void Flush();

private:
    void Fill();
    void RequireStoring() const;
    void RequireLoading() const;
    std::uint64_t ReadStringLength();
    std::uint32_t TakeIndex();
    const RuntimeClass* ReadNewClass();

    ArchiveStream& stream_;
    bool storing_;
    std::vector<std::uint8_t> buffer_;
    std::size_t pos_ = 0;     // next byte in buffer_ (storing: bytes buffered)
    std::size_t limit_ = 0;   // loaded bytes in buffer_
    std::uint32_t nextIndex_ = 1;  // shared by classes and objects
    // Loading: index -> class, nullptr for objects (slot 0 is the null reference).
    std::vector<const RuntimeClass*> classByIndex_;
    // Storing: the classes written so far and their indexes.
    std::vector<std::pair<const RuntimeClass*, std::uint32_t>> storedClasses_;
};

// A list of owned objects: count, then one object reference per element.
// Loading appends to the list; an object of another class than T is bad class (6).
template <typename T>
void SerializeObjectList(Archive& archive, std::vector<std::unique_ptr<T>>& list) {
    if (archive.IsStoring()) {
        archive.WriteCount(static_cast<std::uint32_t>(list.size()));
        for (const auto& item : list) archive.WriteObject(*item);
        return;
    }
    std::uint32_t count = archive.ReadCount();
    for (std::uint32_t i = 0; i < count; ++i) {
        std::unique_ptr<SerializableObject> object = archive.ReadObject();
        T* typed = dynamic_cast<T*>(object.get());
        if (typed == nullptr) throw ArchiveError{kArchiveBadClass};
        object.release();
        list.emplace_back(typed);
    }
}

// A list of strings: count, then the strings. Loading appends.
void SerializeStringList(Archive& archive, std::vector<std::string>& list);

// Stores (store nonzero) or loads object as the whole file at path (a DOS path
// on the current platform), with exclusive sharing. The object's Serialize
// starts at the first byte; the object itself carries no tag. Returns 0, a
// file cause 1..14 (2 missing file on load), an archive cause 1..7 (3 empty
// or truncated file), or 99123 for any other failure (memory exhausted).
// Storing writes a new temporary file beside path (kTemporaryPrefix, the
// name and random characters, created exclusively), syncs it and renames it
// over path, so the target is replaced whole or not at all; on failure the
// temporary file is deleted and an existing target is left as it was.
// Loading opens only a plain file: a link (1921) or a FIFO or device (1920)
// in its place gives the file cause of that number (access denied, 5). A failed load leaves in
// object what was read before the failure.
std::int32_t ArchiveXfer(SerializableObject& object, const std::string& path, int store);

}  // namespace sl
