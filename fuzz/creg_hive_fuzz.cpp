// Fuzz target: a Windows 95/98/Me registry file from a Windows disk.
// Whatever the bytes, the reader returns 0 with a tree or 1009 with a
// message naming the file; it never crashes, hangs or runs past its bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/support/hive_input_file.h"
#include "kernel/platform/offline/creg_hive_reader.h"

using namespace sl::platform::offline;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = sl::fuzz::WriteInput(data, size);
    HiveLimits limits;
    limits.maxDataBytes = 64u << 20;
    OfflineHive hive;
    std::string message;
    sl::platform::DWORD error = ReadCregHive(path, &hive, &message, limits);
    sl::fuzz::CheckHiveResult(error, 0, message, path);
    if (error == 0 && hive.text != HiveText::Ansi) std::abort();
    return 0;
}
