// Fuzz target: an NT registry hive file from a Windows disk. Whatever the
// bytes, the reader returns 0 with a tree or 1009 with a message naming the
// file; it never crashes, hangs or runs past its bounds. The whole hive and
// one subtree by name are read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/support/hive_input_file.h"
#include "kernel/platform/offline/nt_hive_reader.h"

using namespace sl::platform::offline;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = sl::fuzz::WriteInput(data, size);
    HiveLimits limits;
    limits.maxDataBytes = 64u << 20;
    OfflineHive hive;
    std::string message;
    sl::platform::DWORD error = ReadNtHive(path, &hive, &message, limits);
    sl::fuzz::CheckHiveResult(error, 0, message, path);
    if (error == 0 && hive.text != HiveText::Utf16Le) std::abort();
    message.clear();
    error = ReadNtHiveSubtree(path, "Software\\Winamp", &hive, &message, limits);
    sl::fuzz::CheckHiveResult(error, sl::platform::kErrorFileNotFound, message, path);
    return 0;
}
