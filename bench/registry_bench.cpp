// Registry save and restore next to Wine's own tools, on the same hive.
//
// A prefix made by wineboot gets a subtree HKCU\Software\Bench of many
// values (written into user.reg as Wine writes it: keys of 100 values of
// mixed types). Then, each in a child process so that its peak memory is its
// own:
//   save     RegSLSave of the subtree into an archive, against
//            `wine reg export` of the same key (server start and load included,
//            as a user running it would pay them)
//   restore  RegSLRestore of that archive and the flush into a copy of the
//            prefix without the subtree, against `wine reg import` of the
//            export and `wineserver -w` (until the hive is on disk)
// and prints the medians, the ratios Stowlark / Wine (below 1: Stowlark is
// faster) and the peak memory of Stowlark's child and of the wineserver.
//   SL_BENCH_VALUES  values in the subtree   (default 100000; try 1000000)
//   SL_BENCH_ROUNDS  rounds                  (default 3)
//   SL_BENCH_DIR     where to work           (default the temp folder)
//   SL_BENCH_ONLY    "save" or "restore": runs only that step, once, in this
//                    process and without Wine's tools (to run under a profiler)
// Needs Wine (wine, wineboot, wineserver); prints why and exits 0 without.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "kernel/platform/platform.h"
#include "kernel/platform/wine/wine_platform.h"
#include "kernel/platform/wine/server/wineserver.h"
#include "kernel/storage/reg_save_restore.h"

namespace {

// Sizes from the environment, medians, generated files, the machine.
using namespace sl::bench;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string Quote(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

int Shell(const std::string& command) { return std::system(command.c_str()); }

std::string InPrefix(const fs::path& prefix, const std::string& command) {
    return "env -u DISPLAY WINEDEBUG=-all WINEPREFIX=" + Quote(prefix.string()) + " " + command +
           " >/dev/null 2>&1";
}

// The subtree as Wine writes it into user.reg.
std::string Subtree(std::uint64_t values) {
    std::string out;
    out.reserve(values * 48);
    char line[160];
    for (std::uint64_t i = 0; i < values; ++i) {
        if (i % 100 == 0) {
            std::snprintf(line, sizeof line, "\n[Software\\\\Bench\\\\Key%06llu] 1796618213\n#time=1dd8604951a9966\n",
                          static_cast<unsigned long long>(i / 100));
            out += line;
        }
        switch (i % 4) {
            case 0:
                std::snprintf(line, sizeof line, "\"S%02llu\"=\"C:\\\\Program Files\\\\Bench\\\\%llu.dat\"\n",
                              static_cast<unsigned long long>(i % 100), static_cast<unsigned long long>(i));
                break;
            case 1:
                std::snprintf(line, sizeof line, "\"D%02llu\"=dword:%08llx\n", static_cast<unsigned long long>(i % 100),
                              static_cast<unsigned long long>(i));
                break;
            case 2:
                std::snprintf(line, sizeof line, "\"B%02llu\"=hex:01,02,03,04,05,06,07,08\n",
                              static_cast<unsigned long long>(i % 100));
                break;
            default:
                std::snprintf(line, sizeof line, "\"E%02llu\"=str(2):\"%%SystemRoot%%\\\\x%llu\"\n",
                              static_cast<unsigned long long>(i % 100), static_cast<unsigned long long>(i));
                break;
        }
        out += line;
    }
    return out;
}

struct Run {
    double seconds = -1;
    long peakKb = 0;
};

// The resident memory of this process now (kB); a child starts with it.
long ResidentKb() {
    long pages = 0, resident = 0;
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (f) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

// Runs work in a child process; its wall time and peak resident memory
// (less what it had from this process when it started).
template <typename Work>
Run InChild(Work work) {
    const long inherited = ResidentKb();
    const auto start = Clock::now();
    pid_t pid = ::fork();
    if (pid == 0) _exit(work() ? 0 : 1);
    int status = 0;
    rusage usage{};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return {};
    }
    return {std::chrono::duration<double>(Clock::now() - start).count(), usage.ru_maxrss - inherited};
}

// Runs a shell command and times it; the wineserver's peak memory is read
// before the server is stopped.
Run WineTool(const fs::path& prefix, const std::string& command) {
    const auto start = Clock::now();
    if (Shell(InPrefix(prefix, command)) != 0) return {};
    Shell(InPrefix(prefix, "wineserver -w"));
    return {std::chrono::duration<double>(Clock::now() - start).count(), 0};
}

// The peak memory of the wineserver of a prefix (VmHWM, kB) after command
// ran, 0 when it cannot be found. The server is kept alive by `wineserver
// -p` and told from other prefixes' servers by its working folder, which is
// its server folder.
long ServerPeak(const fs::path& prefix, const std::string& command) {
    Shell(InPrefix(prefix, "wineserver -p10"));
    Shell(InPrefix(prefix, command));
    const std::vector<std::string> folders = sl::platform::wine::WineServerFolders(prefix.string());
    long peak = 0;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::error_code error;
        const fs::path cwd = fs::read_symlink(entry.path() / "cwd", error);
        if (error || std::find(folders.begin(), folders.end(), cwd.string()) == folders.end()) continue;
        std::ifstream status(entry.path() / "status");
        for (std::string line; std::getline(status, line);) {
            long kb = 0;
            if (std::sscanf(line.c_str(), "VmHWM: %ld", &kb) == 1) peak = std::max(peak, kb);
        }
    }
    Shell(InPrefix(prefix, "wineserver -k"));
    Shell(InPrefix(prefix, "wineserver -w"));
    return peak;
}

bool UsePrefix(const fs::path& prefix) {
    sl::platform::Install(std::make_shared<sl::platform::wine::WinePlatform>(prefix.string()));
    return true;
}

// A fresh copy of clean at target, in place of what was there.
void FreshCopy(const fs::path& clean, const fs::path& target) {
    fs::remove_all(target);
    fs::copy(clean, target, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
}

// The places of one benchmark run: the prefix wineboot made, the same with
// the subtree, Stowlark's archive and Wine's export.
struct Places {
    fs::path root, clean, full;
    std::string archive, exported;
};

// SL_BENCH_ONLY: the save (and, for "restore", the restore) once, in this
// process and without Wine's tools.
void RunOnce(const Places& at, const std::string& only) {
    UsePrefix(at.full);
    auto start = Clock::now();
    std::int32_t rc = sl::RegSLSave(sl::platform::kHkeyCurrentUser, "Software\\Bench", at.archive, "", "", "", "", 1);
    std::printf("save: %d in %.3f s\n", rc, std::chrono::duration<double>(Clock::now() - start).count());
    if (only == "restore") {
        UsePrefix(at.clean);
        std::string errors;
        start = Clock::now();
        rc = sl::RegSLRestore(at.archive, &errors, 0, nullptr);
        std::printf("restore: %d in %.3f s\n", rc, std::chrono::duration<double>(Clock::now() - start).count());
    }
}

// The times and peaks of all rounds.
struct Results {
    std::vector<double> save, exportTime, restore, import;
    long savePeak = 0, restorePeak = 0;
};

// One round: save against export, restore against import, each restore into
// a fresh copy of the clean prefix. False, after saying so, when a run failed.
bool MeasureRound(const Places& at, std::uint64_t r, Results& results) {
    Run s = InChild([&] {
        UsePrefix(at.full);
        return sl::RegSLSave(sl::platform::kHkeyCurrentUser, "Software\\Bench", at.archive, "", "", "", "", 1) == 0;
    });
    Run e = WineTool(at.full, "wine reg export 'HKCU\\Software\\Bench' " + Quote(at.exported) + " /y");
    const fs::path target = at.root / "target";
    FreshCopy(at.clean, target);
    Run t = InChild([&] {
        UsePrefix(target);
        std::string errors;
        return sl::RegSLRestore(at.archive, &errors, 0, nullptr) == 0;
    });
    FreshCopy(at.clean, target);
    Run i = WineTool(target, "wine reg import " + Quote(at.exported));
    if (s.seconds < 0 || e.seconds < 0 || t.seconds < 0 || i.seconds < 0) {
        std::printf("round %llu: a run failed (save %.2f, export %.2f, restore %.2f, import %.2f)\n",
                    static_cast<unsigned long long>(r + 1), s.seconds, e.seconds, t.seconds, i.seconds);
        return false;
    }
    std::printf("round %llu: save %.3f s, export %.3f s, restore %.3f s, import %.3f s\n",
                static_cast<unsigned long long>(r + 1), s.seconds, e.seconds, t.seconds, i.seconds);
    results.save.push_back(s.seconds);
    results.exportTime.push_back(e.seconds);
    results.restore.push_back(t.seconds);
    results.import.push_back(i.seconds);
    results.savePeak = std::max(results.savePeak, s.peakKb);
    results.restorePeak = std::max(results.restorePeak, t.peakKb);
    return true;
}

void PrintSummary(const Results& r, long serverPeak) {
    std::printf("\nmedians: save %.3f s, wine reg export %.3f s: ratio %.3f (%.1fx faster)\n", Median(r.save),
                Median(r.exportTime), Median(r.save) / Median(r.exportTime), Median(r.exportTime) / Median(r.save));
    std::printf("medians: restore %.3f s, wine reg import %.3f s: ratio %.3f (%.1fx faster)\n", Median(r.restore),
                Median(r.import), Median(r.restore) / Median(r.import), Median(r.import) / Median(r.restore));
    std::printf("peak memory: save %ld MB, restore %ld MB, wineserver after import %ld MB\n", r.savePeak / 1024,
                r.restorePeak / 1024, serverPeak / 1024);
}

}  // namespace

int main() {
    if (Shell("command -v wine >/dev/null 2>&1 && command -v wineboot >/dev/null 2>&1") != 0) {
        std::printf("registry_bench: Wine is not installed; nothing measured.\n");
        return 0;
    }
    const std::uint64_t values = EnvNumber("SL_BENCH_VALUES", 100000);
    const std::uint64_t rounds = EnvNumber("SL_BENCH_ROUNDS", 3);
    const char* dirEnv = std::getenv("SL_BENCH_DIR");
    Places at;
    at.root = fs::path(dirEnv && *dirEnv ? dirEnv : fs::temp_directory_path().string()) /
              ("sl-regbench-" + std::to_string(::getpid()));
    fs::create_directories(at.root);
    at.clean = at.root / "clean";
    if (Shell(InPrefix(at.clean, "wineboot -i")) != 0) {
        std::printf("registry_bench: wineboot failed; nothing measured.\n");
        return 1;
    }
    Shell(InPrefix(at.clean, "wineserver -w"));
    at.full = at.root / "full";
    fs::copy(at.clean, at.full, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    std::ofstream(at.full / "user.reg", std::ios::app) << Subtree(values);
    std::printf("registry_bench: %llu values, %llu rounds, in %s\n", static_cast<unsigned long long>(values),
                static_cast<unsigned long long>(rounds), at.root.c_str());

    at.archive = "Z:" + (at.root / "bench.bin").string();
    at.exported = (at.root / "bench.reg").string();
    std::error_code ignored;
    if (const char* only = std::getenv("SL_BENCH_ONLY")) {
        RunOnce(at, only);
        fs::remove_all(at.root, ignored);
        return 0;
    }
    Results results;
    for (std::uint64_t r = 0; r < rounds; ++r) {
        if (!MeasureRound(at, r, results)) return 1;
    }
    const fs::path target = at.root / "target";
    FreshCopy(at.clean, target);
    const long serverPeak = ServerPeak(target, "wine reg import " + Quote(at.exported));
    PrintSummary(results, serverPeak);
    fs::remove_all(at.root, ignored);
    return 0;
}
