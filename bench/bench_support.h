// Small helpers the benchmark programs share: sizes from the environment,
// medians, generated files, a bare prefix and the kernel's machine over it.
#pragma once

#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "kernel/platform/platform.h"
#include "kernel/platform/wine/wine_platform.h"

namespace sl::bench {

// The positive number in the environment variable name, else fallback.
inline std::uint64_t EnvNumber(const char* name, std::uint64_t fallback) {
    const char* text = std::getenv(name);
    if (!text || !*text) return fallback;
    char* end = nullptr;
    unsigned long long value = std::strtoull(text, &end, 10);
    return (end && *end == '\0' && value > 0) ? value : fallback;
}

// The median of values; 0 for none.
inline double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Writes size bytes, varying every stride bytes with seed, in blocks of 1 MB
// at most.
inline void WriteFileOfSize(const std::filesystem::path& path, std::uint64_t size, unsigned seed,
                            std::size_t stride = 4096) {
    static std::vector<char> block(1 << 20);
    std::ofstream out(path, std::ios::binary);
    for (std::uint64_t done = 0; done < size;) {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), size - done));
        for (std::size_t i = 0; i < n; i += stride) block[i] = static_cast<char>(seed + i / stride);
        out.write(block.data(), static_cast<std::streamsize>(n));
        done += n;
    }
}

// A new folder named after pattern ("name-XXXXXX") in parent; empty, after
// saying why on stderr, when it cannot be made.
inline std::filesystem::path MakeWorkFolder(const std::filesystem::path& parent,
                                            const std::string& pattern) {
    std::string base = (parent / pattern).string();
    if (::mkdtemp(base.data()) == nullptr) {
        std::perror("mkdtemp");
        return {};
    }
    return base;
}

// The least a Wine prefix needs for the kernel's machine: drive_c, and the
// drives c: and z: (the root) in dosdevices.
inline void MakeBarePrefix(const std::filesystem::path& prefix) {
    namespace fs = std::filesystem;
    fs::create_directories(prefix / "dosdevices");
    fs::create_directories(prefix / "drive_c");
    fs::create_directory_symlink("../drive_c", prefix / "dosdevices" / "c:");
    fs::create_directory_symlink("/", prefix / "dosdevices" / "z:");
}

// Installs a fresh Wine machine over prefix (no hive loaded yet, as in a new
// process) that logs into logFolder and sees no wineserver.
inline void InstallBenchPlatform(const std::filesystem::path& prefix,
                                 const std::filesystem::path& logFolder) {
    sl::platform::wine::WinePlatformOptions options;
    options.logFolder = logFolder.string();
    options.fallbackLogFolder = logFolder.string();
    options.serverRunning = [] { return false; };
    sl::platform::Install(
        std::make_shared<sl::platform::wine::WinePlatform>(prefix.string(), std::move(options)));
}

}  // namespace sl::bench
