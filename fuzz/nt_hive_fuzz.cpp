// Fuzz target: an NT registry hive file from a Windows disk. Whatever the
// bytes, the reader returns 0 with a tree or 1009 with a message naming the
// file; it never crashes, hangs or runs past its bounds. The whole hive and
// one subtree by name are read.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/support/hive_input_file.h"
#include "kernel/platform/offline/nt_hive_reader.h"

using namespace sl::platform::offline;

namespace {

sl::platform::DWORD ReadWinampKey(const std::string& path, OfflineHive* hive, std::string* message,
                                  const HiveLimits& limits) {
    return ReadNtHiveSubtree(path, "Software\\Winamp", hive, message, limits);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = sl::fuzz::ReadInput(&ReadNtHive, HiveText::Utf16Le, data, size);
    OfflineHive hive;
    std::string message;
    sl::fuzz::CheckHiveResult(ReadWinampKey(path, &hive, &message, HiveLimits()),
                              sl::platform::kErrorFileNotFound, message, path);
    return 0;
}
