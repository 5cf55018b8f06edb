// Opening a hive file from a Windows disk for reading: only a plain file
// reached without a link at its last element, and a name through which a
// library that opens files by name reaches exactly the file that was checked.
#pragma once

#include <cstdint>
#include <string>

#include "kernel/platform/platform.h"
#include "kernel/platform/posix/fd.h"

namespace sl::platform::offline {

// An open, checked hive file; closes its descriptor when destroyed.
class HiveFile {
public:
    HiveFile() = default;
    HiveFile(const HiveFile&) = delete;
    HiveFile& operator=(const HiveFile&) = delete;

    // Opens path read-only (dirFd -1: path as given; else relative to that
    // open folder) without following a link at its last element and without
    // waiting on a FIFO. 0, or 2 missing, 3 a missing or non-folder parent,
    // 5 no permission, 1921 a symbolic link, 1920 a FIFO, device, socket or
    // folder (other failures: the errno's Win32 number), or a file /proc/self/fd does not lead back to (no /proc);
    // *message then names the file and says why.
    DWORD Open(int dirFd, const std::string& path, const std::string& displayName,
               std::string* message);

    int fd() const { return fd_.get(); }
    std::uint64_t size() const { return size_; }
    const std::string& displayName() const { return displayName_; }
    // A name that opens this very file (the descriptor's entry under
    // /proc/self/fd): a swap of the original path after the check cannot
    // redirect a library that opens by name.
    std::string ReopenPath() const;
    // Reads exactly size bytes at offset; false past the end or on error.
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size) const;

private:
    posix::Fd fd_;
    std::uint64_t size_ = 0;
    std::string displayName_;
};

}  // namespace sl::platform::offline
