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

using sl::bench::EnvNumber;
using sl::bench::Median;

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

}  // namespace

int main() {
    if (Shell("command -v wine >/dev/null 2>&1 && command -v wineboot >/dev/null 2>&1") != 0) {
        std::printf("registry_bench: Wine is not installed; nothing measured.\n");
        return 0;
    }
    const std::uint64_t values = EnvNumber("SL_BENCH_VALUES", 100000);
    const std::uint64_t rounds = EnvNumber("SL_BENCH_ROUNDS", 3);
    const char* dirEnv = std::getenv("SL_BENCH_DIR");
    fs::path root = fs::path(dirEnv && *dirEnv ? dirEnv : fs::temp_directory_path().string()) /
                    ("sl-regbench-" + std::to_string(::getpid()));
    fs::create_directories(root);
    const fs::path clean = root / "clean";
    if (Shell(InPrefix(clean, "wineboot -i")) != 0) {
        std::printf("registry_bench: wineboot failed; nothing measured.\n");
        return 1;
    }
    Shell(InPrefix(clean, "wineserver -w"));
    const fs::path full = root / "full";
    fs::copy(clean, full, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    std::ofstream(full / "user.reg", std::ios::app) << Subtree(values);
    std::printf("registry_bench: %llu values, %llu rounds, in %s\n", static_cast<unsigned long long>(values),
                static_cast<unsigned long long>(rounds), root.c_str());

    const std::string archive = "Z:" + (root / "bench.bin").string();
    const std::string exported = (root / "bench.reg").string();
    if (const char* only = std::getenv("SL_BENCH_ONLY")) {
        UsePrefix(full);
        auto start = Clock::now();
        std::int32_t rc = sl::RegSLSave(sl::platform::kHkeyCurrentUser, "Software\\Bench", archive, "", "", "", "", 1);
        std::printf("save: %d in %.3f s\n", rc, std::chrono::duration<double>(Clock::now() - start).count());
        if (std::string(only) == "restore") {
            UsePrefix(clean);
            std::string errors;
            start = Clock::now();
            rc = sl::RegSLRestore(archive, &errors, 0, nullptr);
            std::printf("restore: %d in %.3f s\n", rc, std::chrono::duration<double>(Clock::now() - start).count());
        }
        std::error_code ignored;
        fs::remove_all(root, ignored);
        return 0;
    }
    std::vector<double> save, exportTime, restore, import;
    long savePeak = 0, restorePeak = 0;
    for (std::uint64_t r = 0; r < rounds; ++r) {
        Run s = InChild([&] {
            UsePrefix(full);
            return sl::RegSLSave(sl::platform::kHkeyCurrentUser, "Software\\Bench", archive, "", "", "", "", 1) == 0;
        });
        Run e = WineTool(full, "wine reg export 'HKCU\\Software\\Bench' " + Quote(exported) + " /y");
        const fs::path target = root / "target";
        fs::remove_all(target);
        fs::copy(clean, target, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
        Run t = InChild([&] {
            UsePrefix(target);
            std::string errors;
            return sl::RegSLRestore(archive, &errors, 0, nullptr) == 0;
        });
        fs::remove_all(target);
        fs::copy(clean, target, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
        Run i = WineTool(target, "wine reg import " + Quote(exported));
        if (s.seconds < 0 || e.seconds < 0 || t.seconds < 0 || i.seconds < 0) {
            std::printf("round %llu: a run failed (save %.2f, export %.2f, restore %.2f, import %.2f)\n",
                        static_cast<unsigned long long>(r + 1), s.seconds, e.seconds, t.seconds, i.seconds);
            return 1;
        }
        std::printf("round %llu: save %.3f s, export %.3f s, restore %.3f s, import %.3f s\n",
                    static_cast<unsigned long long>(r + 1), s.seconds, e.seconds, t.seconds, i.seconds);
        save.push_back(s.seconds);
        exportTime.push_back(e.seconds);
        restore.push_back(t.seconds);
        import.push_back(i.seconds);
        savePeak = std::max(savePeak, s.peakKb);
        restorePeak = std::max(restorePeak, t.peakKb);
    }
    const fs::path target = root / "target";
    fs::remove_all(target);
    fs::copy(clean, target, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    const long serverPeak = ServerPeak(target, "wine reg import " + Quote(exported));

    std::printf("\nmedians: save %.3f s, wine reg export %.3f s: ratio %.3f (%.1fx faster)\n", Median(save),
                Median(exportTime), Median(save) / Median(exportTime), Median(exportTime) / Median(save));
    std::printf("medians: restore %.3f s, wine reg import %.3f s: ratio %.3f (%.1fx faster)\n", Median(restore),
                Median(import), Median(restore) / Median(import), Median(import) / Median(restore));
    std::printf("peak memory: save %ld MB, restore %ld MB, wineserver after import %ld MB\n", savePeak / 1024,
                restorePeak / 1024, serverPeak / 1024);
    std::error_code ignored;
    fs::remove_all(root, ignored);
    return 0;
}
