#include "kernel/storage/spill_stream.h"

#include <algorithm>

#include "kernel/storage/temporary_file.h"

namespace sl {

SpillStream::SpillStream(std::string besidePath, std::size_t memoryLimit)
    : besidePath_(std::move(besidePath)), memoryLimit_(memoryLimit) {}

SpillStream::~SpillStream() {
    platform::Platform& machine = platform::Current();
    if (file_ != 0) machine.CloseFile(file_, false);
    if (!temporary_.empty()) machine.DeleteFile(temporary_);
}

void SpillStream::Spill() {
    platform::Platform& machine = platform::Current();
    platform::DWORD error = CreateTemporary(machine, besidePath_, &temporary_, &file_);
    if (error != 0) {
        temporary_.clear();
        file_ = 0;
        throw ArchiveError{FileCauseFromWin32(error)};
    }
    if (!bytes_.empty()) {
        error = machine.WriteFile(file_, bytes_.data(), bytes_.size());
        if (error != 0) throw ArchiveError{FileCauseFromWin32(error)};
    }
    std::vector<std::uint8_t>().swap(bytes_);
}

void SpillStream::Write(const void* buffer, std::size_t size) {
    if (file_ == 0 && bytes_.size() + size <= memoryLimit_) {
        const auto* bytes = static_cast<const std::uint8_t*>(buffer);
        bytes_.insert(bytes_.end(), bytes, bytes + size);
        return;
    }
    if (file_ == 0) Spill();
    platform::DWORD error = platform::Current().WriteFile(file_, buffer, size);
    if (error != 0) throw ArchiveError{FileCauseFromWin32(error)};
}

std::size_t SpillStream::Read(void*, std::size_t) { throw ArchiveError{kArchiveOtherFailure}; }

void SpillStream::CopyTo(Archive& archive) {
    if (file_ == 0) {
        archive.WriteBytes(bytes_.data(), bytes_.size());
        return;
    }
    platform::Platform& machine = platform::Current();
    platform::DWORD error = machine.CloseFile(file_, false);
    file_ = 0;
    if (error != 0) throw ArchiveError{FileCauseFromWin32(error)};
    platform::FileHandle reader = 0;
    error = machine.OpenFile(temporary_, platform::FileAccess::Read, &reader);
    if (error != 0) throw ArchiveError{FileCauseFromWin32(error)};
    std::vector<std::uint8_t> chunk(1u << 20);
    for (;;) {
        std::size_t done = 0;
        error = machine.ReadFile(reader, chunk.data(), chunk.size(), &done);
        if (error != 0 || done == 0) break;
        try {
            archive.WriteBytes(chunk.data(), std::min(done, chunk.size()));
        } catch (...) {
            machine.CloseFile(reader, false);
            throw;
        }
    }
    machine.CloseFile(reader, false);
    if (error != 0) throw ArchiveError{FileCauseFromWin32(error)};
}

}  // namespace sl
