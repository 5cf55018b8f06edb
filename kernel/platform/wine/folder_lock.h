// Locks on folders of the host: an exclusive flock on the folder's own
// descriptor. Nothing is created in the folder, so a locked backup folder
// holds only what its format names, and nothing can be left behind when a
// run is killed: the lock goes with the process's descriptor.
#pragma once

#include <string>

#include "kernel/platform/platform.h"

namespace sl::platform::wine {

// Opens the Unix folder read-only as a directory (never blocking: a FIFO, a
// device or a file in its place fails with 3 and is not opened as one) and
// takes an exclusive, non-waiting flock on it. A last element that is a
// link to a folder locks that folder, which is the one written through the
// name. 0 with *fd set; 32 while another descriptor (any process, or
// another open in this one) holds the lock; 3 missing or not a folder;
// 5 not readable.
DWORD LockUnixFolder(const std::string& unixPath, int* fd);

// Releases the lock and closes the descriptor.
void UnlockUnixFolder(int fd);

}  // namespace sl::platform::wine
