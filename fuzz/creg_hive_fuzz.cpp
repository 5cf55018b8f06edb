// Fuzz target: a Windows 95/98/Me registry file from a Windows disk.
// Whatever the bytes, the reader returns 0 with a tree or 1009 with a
// message naming the file; it never crashes, hangs or runs past its bounds.
#include <cstddef>
#include <cstdint>

#include "fuzz/support/hive_input_file.h"
#include "kernel/platform/offline/creg_hive_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sl::platform::offline;
    sl::fuzz::ReadInput(&ReadCregHive, HiveText::Ansi, data, size);
    return 0;
}
