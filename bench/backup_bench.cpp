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
//   SL_BENCH_ROUNDS  backups and cp -a runs     (default 5; every round's
//                    copies stay until the end, so plan for the disk space)
//   SL_BENCH_KEEP    when set, the generated prefix and copies are left in
//                    place (to profile a backup of them with stowlark-cli)
// Prints each round's times (wall clock, and processor time, which a busy
// machine disturbs less), their medians and ratio (target: backup within 1.2
// times cp -a), the median of the rounds' own ratios (each round's two runs
// see the file system in nearly the same state: on ext4 the cost of finding
// free inodes after many files were deleted can change by half within
// minutes) and the peak memory before and after the first backup.
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

#include "bench/bench_support.h"
#include "kernel/interface/stowlark_kernel.h"
#include "kernel/platform/platform.h"
#include "kernel/platform/wine/wine_platform.h"

namespace {

using sl::bench::EnvNumber;
using sl::bench::Median;
using sl::bench::WriteFileOfSize;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

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
    const std::uint64_t rounds = EnvNumber("SL_BENCH_ROUNDS", 5);
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

    // A fresh platform for each backup, as a new process would have (no
    // hive already loaded).
    auto installPlatform = [&] {
        sl::platform::wine::WinePlatformOptions options;
        options.logFolder = (root / "log").string();
        options.fallbackLogFolder = (root / "log").string();
        options.serverRunning = [] { return false; };
        sl::platform::Install(
            std::make_shared<sl::platform::wine::WinePlatform>(prefix.string(), std::move(options)));
    };

    // cp -a once to bring the files into the page cache, so that both
    // measured runs read from the same warm cache. Copies stay until the
    // end: ext4 skips inodes freed in the last half minute when it allocates
    // new ones, so deleting 10,000 files between runs would slow down
    // whichever run comes next.
    auto cpTo = [&](const std::string& name) {
        return "cp -a '" + winamp.string() + "' '" + (root / name).string() + "'";
    };
    if (std::system(cpTo("cp-warm").c_str()) != 0) {
        std::fprintf(stderr, "cp -a failed\n");
        return 1;
    }
    const long peakBefore = PeakKilobytes();

    // Rounds of one backup and one cp -a each, in alternating order, each
    // run starting with no dirty pages of another waiting to be written.
    std::vector<double> backupTimes, cpTimes, backupCpus, cpCpus;
    int result = 1, cpStatus = 0;
    std::string bad;
    long peakAfter = 0;
    for (std::uint64_t round = 0; round < rounds; ++round) {
        const std::string number = std::to_string(round + 1);
        auto backup = [&] {
            fs::create_directories(root / ("backup" + number));
            std::string folder = "Z:" + (root / ("backup" + number)).string();
            std::replace(folder.begin(), folder.end(), '/', '\\');
            installPlatform();
            ::sync();
            const double cpuBefore = CpuSeconds(RUSAGE_SELF);
            const auto started = Clock::now();
            std::string roundBad;
            const int roundResult =
                SL_RunInstructions("'58','59'", folder.c_str(), 1, roundBad, nullptr);
            backupTimes.push_back(Seconds(started));
            backupCpus.push_back(CpuSeconds(RUSAGE_SELF) - cpuBefore);
            if (round == 0) peakAfter = PeakKilobytes();
            if (roundResult != 1) result = roundResult;
            if (bad.empty()) bad = roundBad;
            sl::platform::Install(nullptr);
        };
        auto copy = [&] {
            ::sync();
            const double cpuBefore = CpuSeconds(RUSAGE_CHILDREN);
            const auto started = Clock::now();
            const int status = std::system(cpTo("cp-copy" + number).c_str());
            cpTimes.push_back(Seconds(started));
            cpCpus.push_back(CpuSeconds(RUSAGE_CHILDREN) - cpuBefore);
            if (status != 0) cpStatus = status;
        };
        if (round % 2 == 0) {
            backup();
            copy();
        } else {
            copy();
            backup();
        }
        std::printf("round %s:    backup %6.2f s (processor %.2f s), cp -a %6.2f s (processor %.2f s)\n",
                    number.c_str(), backupTimes.back(), backupCpus.back(), cpTimes.back(),
                    cpCpus.back());
        std::fflush(stdout);
    }

    const double backupSeconds = Median(backupTimes), cpSeconds = Median(cpTimes);
    std::printf("backup:     %8.2f s  median (processor %.2f s; result %d%s%s)\n", backupSeconds,
                Median(backupCpus), result, bad.empty() ? "" : ", failed ", bad.c_str());
    std::printf("cp -a:      %8.2f s  median (processor %.2f s; status %d)\n", cpSeconds,
                Median(cpCpus), cpStatus);
    std::vector<double> roundRatios;
    for (std::size_t i = 0; i < backupTimes.size(); ++i) {
        roundRatios.push_back(backupTimes[i] / cpTimes[i]);
    }
    std::printf("ratio:      %8.2f    (target: at most 1.20; processor time %.2f; "
                "median of the rounds' ratios %.2f)\n",
                backupSeconds / cpSeconds, Median(backupCpus) / Median(cpCpus),
                Median(roundRatios));
    std::printf("peak memory: %ld kB before the backup, %ld kB after; largest file %" PRIu64
                " kB\n",
                peakBefore, peakAfter, (files > 1 ? large : totalBytes) >> 10);

    const char* keep = std::getenv("SL_BENCH_KEEP");
    if (keep && *keep) {
        std::printf("kept: %s\n", root.c_str());
    } else {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    return result == 1 && cpStatus == 0 ? 0 : 1;
}
