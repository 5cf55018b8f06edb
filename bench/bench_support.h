// Small helpers the benchmark programs share: sizes from the environment,
// medians, generated files.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

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

}  // namespace sl::bench
