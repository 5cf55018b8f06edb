// Byte streams behind an Archive: a platform file (what ArchiveXfer uses) and
// a block of memory (tests, and anything that wants an archive's bytes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "kernel/platform/platform.h"
#include "kernel/storage/archive.h"

namespace sl {

// An open platform file. Loading streams are given the file's size so that
// Remaining() can answer without asking the platform again. Read and write
// errors are raised as ArchiveError with the file cause of the Win32 number.
// The stream does not own the handle; whoever opened it closes it.
class FileArchiveStream : public ArchiveStream {
public:
    FileArchiveStream(platform::Platform& platform, platform::FileHandle handle,
                      std::uint64_t size = 0);
    std::size_t Read(void* buffer, std::size_t size) override;
    void Write(const void* buffer, std::size_t size) override;
    std::uint64_t Remaining() const override;

private:
    platform::Platform& platform_;
    platform::FileHandle handle_;
    std::uint64_t size_;
    std::uint64_t consumed_ = 0;
};

// A byte vector. Writing appends to Bytes(); reading starts at the first byte.
class MemoryArchiveStream : public ArchiveStream {
public:
    MemoryArchiveStream() = default;
    explicit MemoryArchiveStream(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    std::size_t Read(void* buffer, std::size_t size) override;
    void Write(const void* buffer, std::size_t size) override;
    std::uint64_t Remaining() const override { return bytes_.size() - readPos_; }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t readPos_ = 0;
};

}  // namespace sl
