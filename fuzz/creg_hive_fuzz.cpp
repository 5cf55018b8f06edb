// Fuzz target: a Windows 95/98/Me registry file from a Windows disk. Whatever the
// bytes, the reader returns 0 with a tree or 1009 with a message naming the
// file; it never crashes, hangs or runs past its bounds.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "kernel/platform/offline/creg_hive_reader.h"

namespace {

// One file per process, rewritten for each input (libcreg reads files only).
const std::string& InputFile() {
    static const std::string path = [] {
        std::string pattern = "/tmp/sl-creg-hive-fuzz-XXXXXX";
        int fd = ::mkstemp(pattern.data());
        if (fd < 0) std::abort();
        ::close(fd);
        std::atexit([] { ::unlink(InputFile().c_str()); });
        return pattern;
    }();
    return path;
}

void Check(sl::platform::DWORD error, const std::string& message, const std::string& path) {
    using namespace sl::platform;
    if (error != 0 && error != offline::kErrorBadDatabase) std::abort();
    if (error != 0 && message.find(path) == std::string::npos) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = InputFile();
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr || std::fwrite(data, 1, size, out) != size || std::fclose(out) != 0) std::abort();

    sl::platform::offline::HiveLimits limits;
    limits.maxDataBytes = 64u << 20;
    sl::platform::offline::OfflineHive hive;
    std::string message;
    sl::platform::DWORD error = sl::platform::offline::ReadCregHive(path, &hive, &message, limits);
    Check(error, message, path);
    if (error == 0 && hive.text != sl::platform::offline::HiveText::Ansi) std::abort();
    return 0;
}
