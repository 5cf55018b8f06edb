// Writing a whole buffer to a descriptor.
#pragma once

#include <cstddef>

namespace sl::platform::posix {

// Writes all size bytes of data to fd, retrying after signals and short
// writes. 0, or the errno of the write that failed (ENOSPC when a write
// took nothing).
int WriteAll(int fd, const char* data, std::size_t size);

}  // namespace sl::platform::posix
