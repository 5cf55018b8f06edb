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

namespace {

// Sizes from the environment, medians, generated files, the machine.
using namespace sl::bench;

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

// The text of a hive file in Wine's format: its header, then sections.
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

// What to generate and how often to measure, from the environment.
struct Sizes {
    std::uint64_t files = EnvNumber("SL_BENCH_FILES", 10000);
    std::uint64_t totalBytes = EnvNumber("SL_BENCH_MB", 500) << 20;
    std::uint64_t values = EnvNumber("SL_BENCH_VALUES", 100000);
    std::uint64_t rounds = EnvNumber("SL_BENCH_ROUNDS", 5);

    // One large file holds a quarter of the bytes (at most 256 MB); with a
    // single file, all of them.
    std::uint64_t Large() const {
        return files > 1 ? std::min<std::uint64_t>(totalBytes / 4, 256ull << 20) : totalBytes;
    }
};

// The places of one benchmark run.
struct Layout {
    fs::path root;
    fs::path prefix;
    fs::path winamp;
};

// The prefix: WinAmp with its Skins tree (the large file, the others sharing
// the rest of the bytes evenly, 100 to a folder), its uninstall key in
// system.reg and its registry subtree in user.reg.
void MakePrefix(const Layout& at, const Sizes& sizes) {
    std::printf("generating %" PRIu64 " files, %" PRIu64 " MB, %" PRIu64 " registry values in %s\n",
                sizes.files, sizes.totalBytes >> 20, sizes.values, at.root.c_str());
    sl::bench::MakeBarePrefix(at.prefix);
    fs::create_directories(at.prefix / "drive_c" / "windows" / "system32");
    fs::create_directories(at.winamp / "Skins");
    std::ofstream(at.winamp / "winamp.ini") << "[Winamp]\r\nvolume=200\r\n";
    const std::uint64_t large = sizes.Large();
    const std::uint64_t each = sizes.files > 1 ? (sizes.totalBytes - large) / (sizes.files - 1) : 0;
    WriteFileOfSize(at.winamp / "Skins" / "large.wsz", large, 7);
    for (std::uint64_t i = 1; i < sizes.files; ++i) {
        fs::path folder = at.winamp / "Skins" / ("Skin" + std::to_string(i / 100));
        if (i % 100 == 0 || i == 1) fs::create_directories(folder);
        WriteFileOfSize(folder / ("part" + std::to_string(i) + ".bmp"), each,
                        static_cast<unsigned>(i));
    }
    std::ofstream(at.prefix / "system.reg")
        << Hive("Machine",
                "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Winamp] "
                "1700000000\n#time=1da1747c66d0000\n"
                "\"UninstallString\"=\"C:\\\\Program Files\\\\Winamp\\\\UNINSTWA.EXE\"\n");
    std::ofstream(at.prefix / "user.reg")
        << Hive("User\\\\S-1-5-21-0-0-0-1000", WinampSubtree(sizes.values));
    std::ofstream(at.prefix / "userdef.reg") << Hive("User\\\\.Default", "");
    fs::create_directories(at.root / "log");
}

// The shell command for cp -a of the WinAmp folder to root/name.
std::string CpCommand(const Layout& at, const std::string& name) {
    return "cp -a '" + at.winamp.string() + "' '" + (at.root / name).string() + "'";
}

// What the rounds measured.
struct Results {
    std::vector<double> backupTimes, cpTimes, backupCpus, cpCpus;
    int result = 1;     // SL_RunInstructions' last result other than 1, else 1
    int cpStatus = 0;   // cp -a's last status other than 0, else 0
    std::string bad;    // the first round's failed components
    long peakAfter = 0; // peak memory after the first backup
};

// One backup of components 58 and 59 into root/backupN with a fresh
// platform, as a new process would have (no hive already loaded).
void MeasureBackup(const Layout& at, const std::string& number, bool first, Results& results) {
    fs::create_directories(at.root / ("backup" + number));
    std::string folder = "Z:" + (at.root / ("backup" + number)).string();
    std::replace(folder.begin(), folder.end(), '/', '\\');
    InstallBenchPlatform(at.prefix, at.root / "log");
    ::sync();
    const double cpuBefore = CpuSeconds(RUSAGE_SELF);
    const auto started = Clock::now();
    std::string roundBad;
    const int roundResult = SL_RunInstructions("'58','59'", folder.c_str(), 1, roundBad, nullptr);
    results.backupTimes.push_back(Seconds(started));
    results.backupCpus.push_back(CpuSeconds(RUSAGE_SELF) - cpuBefore);
    if (first) results.peakAfter = PeakKilobytes();
    if (roundResult != 1) results.result = roundResult;
    if (results.bad.empty()) results.bad = roundBad;
    sl::platform::Install(nullptr);
}

// One cp -a of the same files into root/cp-copyN.
void MeasureCopy(const Layout& at, const std::string& number, Results& results) {
    ::sync();
    const double cpuBefore = CpuSeconds(RUSAGE_CHILDREN);
    const auto started = Clock::now();
    const int status = std::system(CpCommand(at, "cp-copy" + number).c_str());
    results.cpTimes.push_back(Seconds(started));
    results.cpCpus.push_back(CpuSeconds(RUSAGE_CHILDREN) - cpuBefore);
    if (status != 0) results.cpStatus = status;
}

// Rounds of one backup and one cp -a each, in alternating order, each run
// starting with no dirty pages of another waiting to be written.
Results MeasureRounds(const Layout& at, std::uint64_t rounds) {
    Results results;
    for (std::uint64_t round = 0; round < rounds; ++round) {
        const std::string number = std::to_string(round + 1);
        if (round % 2 == 0) {
            MeasureBackup(at, number, round == 0, results);
            MeasureCopy(at, number, results);
        } else {
            MeasureCopy(at, number, results);
            MeasureBackup(at, number, round == 0, results);
        }
        std::printf("round %s:    backup %6.2f s (processor %.2f s), cp -a %6.2f s (processor %.2f s)\n",
                    number.c_str(), results.backupTimes.back(), results.backupCpus.back(),
                    results.cpTimes.back(), results.cpCpus.back());
        std::fflush(stdout);
    }
    return results;
}

void PrintSummary(const Results& r, const Sizes& sizes, long peakBefore) {
    const double backupSeconds = Median(r.backupTimes), cpSeconds = Median(r.cpTimes);
    std::printf("backup:     %8.2f s  median (processor %.2f s; result %d%s%s)\n", backupSeconds,
                Median(r.backupCpus), r.result, r.bad.empty() ? "" : ", failed ", r.bad.c_str());
    std::printf("cp -a:      %8.2f s  median (processor %.2f s; status %d)\n", cpSeconds,
                Median(r.cpCpus), r.cpStatus);
    std::vector<double> roundRatios;
    for (std::size_t i = 0; i < r.backupTimes.size(); ++i) {
        roundRatios.push_back(r.backupTimes[i] / r.cpTimes[i]);
    }
    std::printf("ratio:      %8.2f    (target: at most 1.20; processor time %.2f; "
                "median of the rounds' ratios %.2f)\n",
                backupSeconds / cpSeconds, Median(r.backupCpus) / Median(r.cpCpus),
                Median(roundRatios));
    std::printf("peak memory: %ld kB before the backup, %ld kB after; largest file %" PRIu64
                " kB\n",
                peakBefore, r.peakAfter, sizes.Large() >> 10);
}

}  // namespace

int main() {
    const Sizes sizes;
    const char* dirEnv = std::getenv("SL_BENCH_DIR");
    Layout at;
    at.root = sl::bench::MakeWorkFolder(
        dirEnv && *dirEnv ? fs::path(dirEnv) : fs::temp_directory_path(), "sl-backup-bench-XXXXXX");
    if (at.root.empty()) return 1;
    at.prefix = at.root / "prefix";
    at.winamp = at.prefix / "drive_c" / "Program Files" / "Winamp";
    MakePrefix(at, sizes);

    // cp -a once to bring the files into the page cache, so that both
    // measured runs read from the same warm cache. Copies stay until the
    // end: ext4 skips inodes freed in the last half minute when it allocates
    // new ones, so deleting 10,000 files between runs would slow down
    // whichever run comes next.
    if (std::system(CpCommand(at, "cp-warm").c_str()) != 0) {
        std::fprintf(stderr, "cp -a failed\n");
        return 1;
    }
    const long peakBefore = PeakKilobytes();
    const Results results = MeasureRounds(at, sizes.rounds);
    PrintSummary(results, sizes, peakBefore);

    const char* keep = std::getenv("SL_BENCH_KEEP");
    if (keep && *keep) {
        std::printf("kept: %s\n", at.root.c_str());
    } else {
        std::error_code ignored;
        fs::remove_all(at.root, ignored);
    }
    return results.result == 1 && results.cpStatus == 0 ? 0 : 1;
}
