// Time and memory of a full backup of a large generated prefix, next to
// `cp -a` of the same files in the same run.
//
// The prefix has WinAmp installed with a Skins tree of many files (one of them
// large, so that memory that grows with file sizes shows) and a registry
// subtree HKCU\Software\Winamp of many values; components 58 and 59 save both.
// Sizes come from the environment, so the benchmark can run small:
//   SL_BENCH_FILES   number of files            (default 10000)
//   SL_BENCH_MB      their total size in MB     (default 500)
//   SL_BENCH_VALUES  registry values            (default 100000)
//   SL_BENCH_DIR     where to work              (default the temp folder)
// Prints both times (wall clock, and processor time, which a busy machine
// disturbs less), their ratio (target: backup within 1.2 times cp -a) and
// the peak memory before and after the backup.
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "kernel/interface/stowlark_kernel.h"
#include "kernel/platform/platform.h"
#include "kernel/platform/wine/wine_platform.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::uint64_t EnvNumber(const char* name, std::uint64_t fallback) {
    const char* text = std::getenv(name);
    if (!text || !*text) return fallback;
    char* end = nullptr;
    unsigned long long value = std::strtoull(text, &end, 10);
    return (end && *end == '\0' && value > 0) ? value : fallback;
}

// Processor seconds (user and system) of this process or of its waited-for
// children so far; less disturbed than wall time on a busy machine.
double CpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

long PeakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// Writes size bytes of varying content in blocks of 1 MB at most.
void WriteFileOfSize(const fs::path& path, std::uint64_t size, unsigned seed) {
    static std::vector<char> block(1 << 20);
    std::ofstream out(path, std::ios::binary);
    for (std::uint64_t done = 0; done < size;) {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), size - done));
        for (std::size_t i = 0; i < n; i += 4096) block[i] = static_cast<char>(seed + i / 4096);
        out.write(block.data(), static_cast<std::streamsize>(n));
        done += n;
    }
}

std::string Hive(const std::string& relativeTo, const std::string& sections) {
    return "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\" + relativeTo +
           "\n\n#arch=win64\n" + sections;
}

// HKCU\Software\Winamp with `values` values in subkeys of 1000 values each.
std::string WinampSubtree(std::uint64_t values) {
    std::string out;
    char line[160];
    for (std::uint64_t key = 0; key * 1000 < values; ++key) {
        std::snprintf(line, sizeof line,
                      "\n[Software\\\\Winamp\\\\Presets\\\\%06" PRIu64 "] 1700000000\n"
                      "#time=1da1747c66d0000\n",
                      key);
        out += line;
        for (std::uint64_t v = key * 1000; v < std::min(values, (key + 1) * 1000); ++v) {
            if (v % 3 == 0) {
                std::snprintf(line, sizeof line, "\"Value%08" PRIu64 "\"=dword:%08" PRIx64 "\n", v, v);
            } else {
                std::snprintf(line, sizeof line,
                              "\"Value%08" PRIu64 "\"=\"preset text number %" PRIu64 "\"\n", v, v);
            }
            out += line;
        }
    }
    return out;
}

}  // namespace

int main() {
    const std::uint64_t files = EnvNumber("SL_BENCH_FILES", 10000);
    const std::uint64_t totalBytes = EnvNumber("SL_BENCH_MB", 500) << 20;
    const std::uint64_t values = EnvNumber("SL_BENCH_VALUES", 100000);
    const char* dirEnv = std::getenv("SL_BENCH_DIR");
    std::string base = (dirEnv && *dirEnv ? fs::path(dirEnv) : fs::temp_directory_path()).string() +
                       "/sl-backup-bench-XXXXXX";
    if (::mkdtemp(base.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path root = base;
    const fs::path prefix = root / "prefix";
    const fs::path winamp = prefix / "drive_c" / "Program Files" / "Winamp";

    // The prefix. One large file holds a quarter of the bytes (at most
    // 256 MB); the others share the rest evenly, 100 to a folder.
    std::printf("generating %" PRIu64 " files, %" PRIu64 " MB, %" PRIu64 " registry values in %s\n",
                files, totalBytes >> 20, values, root.c_str());
    fs::create_directories(prefix / "dosdevices");
    fs::create_directory_symlink("../drive_c", prefix / "dosdevices" / "c:");
    fs::create_directory_symlink("/", prefix / "dosdevices" / "z:");
    fs::create_directories(prefix / "drive_c" / "windows" / "system32");
    fs::create_directories(winamp / "Skins");
    std::ofstream(winamp / "winamp.ini") << "[Winamp]\r\nvolume=200\r\n";
    const std::uint64_t large = std::min<std::uint64_t>(totalBytes / 4, 256ull << 20);
    const std::uint64_t each = files > 1 ? (totalBytes - large) / (files - 1) : 0;
    WriteFileOfSize(winamp / "Skins" / "large.wsz", files > 1 ? large : totalBytes, 7);
    for (std::uint64_t i = 1; i < files; ++i) {
        fs::path folder = winamp / "Skins" / ("Skin" + std::to_string(i / 100));
        if (i % 100 == 0 || i == 1) fs::create_directories(folder);
        WriteFileOfSize(folder / ("part" + std::to_string(i) + ".bmp"), each,
                        static_cast<unsigned>(i));
    }
    std::ofstream(prefix / "system.reg")
        << Hive("Machine",
                "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Winamp] "
                "1700000000\n#time=1da1747c66d0000\n"
                "\"UninstallString\"=\"C:\\\\Program Files\\\\Winamp\\\\UNINSTWA.EXE\"\n");
    std::ofstream(prefix / "user.reg") << Hive("User\\\\S-1-5-21-0-0-0-1000", WinampSubtree(values));
    std::ofstream(prefix / "userdef.reg") << Hive("User\\\\.Default", "");
    fs::create_directories(root / "log");
    fs::create_directories(root / "backup");

    sl::platform::wine::WinePlatformOptions options;
    options.logFolder = (root / "log").string();
    options.fallbackLogFolder = (root / "log").string();
    options.serverRunning = [] { return false; };
    sl::platform::Install(
        std::make_shared<sl::platform::wine::WinePlatform>(prefix.string(), std::move(options)));

    // cp -a once to bring the files into the page cache, so that both
    // measured runs read from the same warm cache. The copy stays until the
    // end: ext4 skips inodes freed in the last half minute when it allocates
    // new ones, so deleting 10,000 files here would slow down whichever run
    // comes first.
    const std::string cp = "cp -a '" + winamp.string() + "' '" + (root / "cp-copy").string() + "'";
    if (std::system((cp + "-warm").c_str()) != 0) {
        std::fprintf(stderr, "cp -a failed\n");
        return 1;
    }
    const long peakBefore = PeakKilobytes();
    // Each run starts with no dirty pages of the other waiting to be written.
    ::sync();

    std::string folder = "Z:" + (root / "backup").string();
    std::replace(folder.begin(), folder.end(), '/', '\\');
    std::string bad;
    double cpuBefore = CpuSeconds(RUSAGE_SELF);
    auto started = Clock::now();
    const int result = SL_RunInstructions("'58','59'", folder.c_str(), 1, bad, nullptr);
    const double backupSeconds = Seconds(started);
    const double backupCpu = CpuSeconds(RUSAGE_SELF) - cpuBefore;
    const long peakAfter = PeakKilobytes();

    ::sync();
    cpuBefore = CpuSeconds(RUSAGE_CHILDREN);
    started = Clock::now();
    const int cpStatus = std::system(cp.c_str());
    const double cpSeconds = Seconds(started);
    const double cpCpu = CpuSeconds(RUSAGE_CHILDREN) - cpuBefore;

    std::printf("backup:     %8.2f s  (processor %.2f s; result %d%s%s)\n", backupSeconds,
                backupCpu, result, bad.empty() ? "" : ", failed ", bad.c_str());
    std::printf("cp -a:      %8.2f s  (processor %.2f s; status %d)\n", cpSeconds, cpCpu,
                cpStatus);
    std::printf("ratio:      %8.2f    (target: at most 1.20; processor time %.2f)\n",
                backupSeconds / cpSeconds, backupCpu / cpCpu);
    std::printf("peak memory: %ld kB before the backup, %ld kB after; largest file %" PRIu64
                " kB\n",
                peakBefore, peakAfter, (files > 1 ? large : totalBytes) >> 10);

    sl::platform::Install(nullptr);
    std::error_code ignored;
    fs::remove_all(root, ignored);
    return result == 1 && cpStatus == 0 ? 0 : 1;
}
