#include "kernel/storage/archive_stream.h"

#include <algorithm>
#include <cstring>

namespace sl {

FileArchiveStream::FileArchiveStream(platform::Platform& platform, platform::FileHandle handle,
                                     std::uint64_t size)
    : platform_(platform), handle_(handle), size_(size) {}

std::size_t FileArchiveStream::Read(void* buffer, std::size_t size) {
    std::size_t done = 0;
    platform::DWORD error = platform_.ReadFile(handle_, buffer, size, &done);
    if (error != 0) throw ArchiveError{FileCauseFromWin32(error)};
    done = std::min(done, size);
    consumed_ += done;
    return done;
}

void FileArchiveStream::Write(const void* buffer, std::size_t size) {
    platform::DWORD error = platform_.WriteFile(handle_, buffer, size);
    if (error != 0) throw ArchiveError{FileCauseFromWin32(error)};
}

std::uint64_t FileArchiveStream::Remaining() const {
    return consumed_ >= size_ ? 0 : size_ - consumed_;
}

std::size_t MemoryArchiveStream::Read(void* buffer, std::size_t size) {
    std::size_t n = std::min(size, bytes_.size() - readPos_);
    if (n > 0) std::memcpy(buffer, bytes_.data() + readPos_, n);
    readPos_ += n;
    return n;
}

void MemoryArchiveStream::Write(const void* buffer, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    bytes_.insert(bytes_.end(), bytes, bytes + size);
}

}  // namespace sl
