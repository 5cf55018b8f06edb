// A stream of bytes written once, in order, and then copied whole into an
// archive: kept in memory up to a limit, and past it in a temporary file
// beside a given path, so that its size never bounds what can be stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "kernel/platform/platform.h"
#include "kernel/storage/archive.h"

namespace sl {

class SpillStream : public ArchiveStream {
public:
    // besidePath: the file the bytes are for (the temporary goes beside it).
    explicit SpillStream(std::string besidePath, std::size_t memoryLimit = 4u << 20);
    // Removes the temporary, if one was made.
    ~SpillStream() override;
    SpillStream(const SpillStream&) = delete;
    SpillStream& operator=(const SpillStream&) = delete;

    // Appends bytes; raises ArchiveError with a file cause when the temporary
    // cannot be made or written.
    void Write(const void* buffer, std::size_t size) override;
    // Not readable as a stream: raises ArchiveError (kArchiveOtherFailure).
    std::size_t Read(void* buffer, std::size_t size) override;
    std::uint64_t Remaining() const override { return 0; }

    // Writes every byte written so far, in order, into archive; raises
    // ArchiveError with a file cause when the temporary cannot be read back.
    void CopyTo(Archive& archive);
    // True once the bytes went past the memory limit into a file.
    bool Spilled() const { return file_ != 0 || !temporary_.empty(); }

private:
    void Spill();

    std::string besidePath_;
    std::size_t memoryLimit_;
    std::vector<std::uint8_t> bytes_;
    std::string temporary_;
    platform::FileHandle file_ = 0;
};

}  // namespace sl
