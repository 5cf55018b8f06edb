// For fuzz targets whose code reads files by name: one temporary file per
// process, rewritten with each input and removed at exit; and the check
// that a hive reader's result is one it promises.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "kernel/platform/offline/offline_hive.h"

namespace sl::fuzz {

inline const std::string& InputFile() {
    static const std::string path = [] {
        std::string pattern = "/tmp/sl-hive-fuzz-XXXXXX";
        int fd = ::mkstemp(pattern.data());
        if (fd < 0) std::abort();
        ::close(fd);
        std::atexit([] { ::unlink(InputFile().c_str()); });
        return pattern;
    }();
    return path;
}

// Writes the input to InputFile() and returns its path.
inline const std::string& WriteInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = InputFile();
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr || std::fwrite(data, 1, size, out) != size || std::fclose(out) != 0) std::abort();
    return path;
}

// A reader returns 0, 1009 or another number it allows, and every error
// comes with a message naming the file.
inline void CheckHiveResult(platform::DWORD error, platform::DWORD alsoAllowed, const std::string& message,
                            const std::string& path) {
    if (error != 0 && error != platform::offline::kErrorBadDatabase && error != alsoAllowed) std::abort();
    if (error != 0 && message.find(path) == std::string::npos) std::abort();
}

// Writes the input, reads it with read under bounds a fuzzer can afford and
// checks the result (a tree in the encoding expected); returns the path.
using HiveReader = platform::DWORD (*)(const std::string&, platform::offline::OfflineHive*, std::string*,
                                       const platform::offline::HiveLimits&);
inline const std::string& ReadInput(HiveReader read, platform::offline::HiveText text, const std::uint8_t* data,
                                    std::size_t size) {
    const std::string& path = WriteInput(data, size);
    platform::offline::HiveLimits limits;
    limits.maxDataBytes = 64u << 20;
    platform::offline::OfflineHive hive;
    std::string message;
    platform::DWORD error = read(path, &hive, &message, limits);
    CheckHiveResult(error, 0, message, path);
    if (error == 0 && hive.text != text) std::abort();
    return path;
}

}  // namespace sl::fuzz
