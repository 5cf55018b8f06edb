// File backup and restore next to `cp -a` of the same files, and how the cost
// of a backup grows with the number of files in one backup folder.
//
// Works through the kernel core: a file record of a generated folder tree
// (PathID 0, every subfolder) is backed up with SLFileCopyEx and the
// bookkeeping file saved; the restore loads it and puts the files back with
// SLRestoreFiles into a fresh folder (the record's paths moved there, and
// that folder given as the one the files may go to, as a run gives the
// script's folders). Each run, Stowlark's and cp's, is a child process of its
// own, so that its peak memory and processor time are its own.
//
// Sets compared with cp -a (files of 4 KiB, 100 to a folder; then a few
// large files); the backup also with cp -a of the same files into one folder,
// the layout a backup folder has (every copy beside the others):
//   SL_BENCH_SMALL      counts of small files, comma separated
//                       (default 1000,10000,100000)
//   SL_BENCH_LARGE      number of large files      (default 4)
//   SL_BENCH_LARGE_MB   size of each in MB         (default 128)
//   SL_BENCH_ROUNDS     rounds per set             (default 5)
// Scaling of a backup into one folder: 1000 files, then ten times as many
// per step, of SL_BENCH_SCALE_BYTES bytes each (default 64), next to cp -a of
// the same files into one folder (find | xargs cp -a -t: the file system's
// own cost of a folder that large):
//   SL_BENCH_SCALE_MAX     the largest count     (default 100000; 1000000 for
//                          the full test, which needs some GB of space)
//   SL_BENCH_SCALE_ROUNDS  rounds per step       (default 3)
//   SL_BENCH_DIR   where to work (default /dev/shm when there, else the temp
//                  folder)
//   SL_BENCH_ONLY  "small", "large" or "scale": only that part
// Prints per set the medians of processor time (user and system, which a
// busy machine disturbs less than wall time) and wall time of both, their
// ratios Stowlark / cp -a (targets: backup at most 1.1, restore at most 1.3),
// and the peak memory of each child; per scaling step the time per file and
// the exponent of the growth (log10 of the time ratio of a 10x step; 1.00 is
// linear, the target is below 1.05).
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "kernel/interface/kernel.h"
#include "kernel/storage/records.h"
#include "kernel/storage/file_restore.h"

namespace {

// Sizes from the environment, medians, generated files, the machine.
using namespace sl::bench;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::vector<std::uint64_t> EnvList(const char* name, std::vector<std::uint64_t> fallback) {
    const char* text = std::getenv(name);
    if (!text || !*text) return fallback;
    std::vector<std::uint64_t> out;
    for (const char* at = text; *at;) {
        char* end = nullptr;
        unsigned long long value = std::strtoull(at, &end, 10);
        if (end == at) break;
        if (value > 0) out.push_back(value);
        at = *end == ',' ? end + 1 : end;
    }
    return out.empty() ? fallback : out;
}

bool Wanted(const char* part) {
    const char* only = std::getenv("SL_BENCH_ONLY");
    return !only || !*only || std::strcmp(only, part) == 0;
}

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; }

double CpuSeconds(const rusage& usage) { return Seconds(usage.ru_utime) + Seconds(usage.ru_stime); }

std::string Dos(const fs::path& path) {
    std::string out = "Z:" + path.string();
    std::replace(out.begin(), out.end(), '/', '\\');
    return out;
}

// files files of size bytes, perFolder to a subfolder of root.
void MakeTree(const fs::path& root, std::uint64_t files, std::uint64_t size,
              std::uint64_t perFolder) {
    for (std::uint64_t i = 0; i < files; ++i) {
        const fs::path folder = root / ("Folder" + std::to_string(i / perFolder));
        if (i % perFolder == 0) fs::create_directories(folder);
        WriteFileOfSize(folder / ("File" + std::to_string(i) + ".dat"), size,
                        static_cast<unsigned>(i), 512);
    }
}

// One measured run: processor (of it in user space) and wall seconds, the
// peak memory of its process, and whether it succeeded.
struct Run {
    double cpu = 0;
    double user = 0;
    double wall = 0;
    long peakKb = 0;
    bool ok = false;
};

// Runs work in a child process; work returns true on success and measures
// itself (adding to measured: processor, user and wall seconds), so that
// setting up the kernel is not counted. The peak memory is the child's.
template <typename Work>
Run InChild(Work work) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return {};
    std::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        double measured[3] = {0, 0, 0};
        const bool ok = work(measured);
        if (::write(pipeFds[1], measured, sizeof measured) != sizeof measured) _exit(2);
        _exit(ok ? 0 : 1);
    }
    ::close(pipeFds[1]);
    double measured[3] = {0, 0, 0};
    const bool got = ::read(pipeFds[0], measured, sizeof measured) == sizeof measured;
    ::close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    Run run;
    run.cpu = measured[0];
    run.user = measured[1];
    run.wall = measured[2];
    run.peakKb = usage.ru_maxrss;
    run.ok = got && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

// Runs a program (argv ends with nullptr) in a child of its own.
Run Program(const std::vector<const char*>& argv) {
    std::fflush(stdout);
    const auto started = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execvp(argv[0], const_cast<char* const*>(argv.data()));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    Run run;
    run.wall = std::chrono::duration<double>(Clock::now() - started).count();
    run.cpu = CpuSeconds(usage);
    run.user = Seconds(usage.ru_utime);
    run.peakKb = usage.ru_maxrss;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

// cp -a from to.
Run CopyA(const fs::path& from, const fs::path& to) {
    return Program({"cp", "-a", from.c_str(), to.c_str(), nullptr});
}

// cp -a of every file below from into the one folder to (made first).
Run CopyIntoOneFolder(const fs::path& from, const fs::path& to) {
    fs::create_directories(to);
    const std::string script = "find \"$1\" -type f -print0 | xargs -0 cp -a -t \"$2\"";
    return Program({"sh", "-c", script.c_str(), "sh", from.c_str(), to.c_str(), nullptr});
}

// Measures what lies between its creation and Stop(), in processor, user
// and wall seconds of this process (added to measured[0..2]).
class Stopwatch {
public:
    Stopwatch() : wall_(Clock::now()) { getrusage(RUSAGE_SELF, &usage_); }
    void Stop(double* measured) const {
        rusage now{};
        getrusage(RUSAGE_SELF, &now);
        measured[0] += CpuSeconds(now) - CpuSeconds(usage_);
        measured[1] += Seconds(now.ru_utime) - Seconds(usage_.ru_utime);
        measured[2] += std::chrono::duration<double>(Clock::now() - wall_).count();
    }

private:
    Clock::time_point wall_;
    rusage usage_{};
};

struct Bench {
    fs::path root;
    fs::path prefix;

    void InstallPlatform() const { InstallBenchPlatform(prefix, root / "log"); }

    // Backs up every file below source into backup (a new folder), with its
    // bookkeeping file.
    Run Backup(const fs::path& source, const fs::path& backup) const {
        return InChild([&](double* measured) {
            fs::create_directories(backup);
            InstallPlatform();
            sl::CSLKernel kernel;
            kernel.SetFolder(Dos(backup));
            auto record = std::make_unique<sl::CSLFileItem>();
            record->ID = "1";
            const Stopwatch watch;
            std::int32_t rc =
                kernel.SLFileCopyEx(*record, Dos(source) + "\\", "", "", "*.*", 1);
            const bool complete = record->BackupFiles.size() == kernel.BackupCounter;
            kernel.FileItems.push_back(std::move(record));
            rc = rc != 0 ? rc : kernel.Save(kernel.Folder);
            watch.Stop(measured);
            return rc == 0 && complete;
        });
    }

    // Restores the backup of source into target (a folder not yet there)
    // instead of source; expect files.
    Run Restore(const fs::path& backup, const fs::path& source, const fs::path& target,
                std::uint64_t files) const {
        return InChild([&](double* measured) {
            InstallPlatform();
            sl::CSLKernel kernel;
            kernel.SetFolder(Dos(backup));
            {
                const Stopwatch watch;
                if (kernel.Load(kernel.Folder) != 0) return false;
                watch.Stop(measured);
            }
            const std::string from = Dos(source) + "\\", to = Dos(target) + "\\";
            std::size_t count = 0;
            for (auto& record : kernel.FileItems) {
                for (std::string& path : record->SourceFiles) {
                    if (path.compare(0, from.size(), from) == 0) path.replace(0, from.size(), to);
                }
                count += record->SourceFiles.size();
            }
            // The folder the script allows the files into, as a run passes it.
            sl::RestoreFolder folder;
            folder.Base = Dos(target);
            const std::vector<sl::RestoreFolder> allowed{folder};
            const Stopwatch watch;
            std::int32_t rc = 0;
            for (const auto& record : kernel.FileItems) {
                if (std::int32_t one = kernel.SLRestoreFiles(*record, &allowed)) rc = one;
            }
            watch.Stop(measured);
            return rc == 0 && count == files;
        });
    }
};

void RemoveAll(const fs::path& path) {
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

struct Series {
    std::vector<double> cpu, user, wall;
    long peakKb = 0;
    bool ok = true;
    void Add(const Run& run) {
        cpu.push_back(run.cpu);
        user.push_back(run.user);
        wall.push_back(run.wall);
        peakKb = std::max(peakKb, run.peakKb);
        ok = ok && run.ok;
    }
};

void PrintComparison(const char* what, const std::string& set, const Series& ours,
                     const Series& cp, double target) {
    const double cpuRatio = Median(ours.cpu) / Median(cp.cpu);
    const double wallRatio = Median(ours.wall) / Median(cp.wall);
    std::printf("%-8s %-22s processor %7.3f s vs %7.3f s  ratio %5.2f (user %.3f vs %.3f) |"
                " wall %7.3f s vs %7.3f s  ratio %5.2f | target %.1f | peak %6ld kB vs %6ld kB%s\n",
                what, set.c_str(), Median(ours.cpu), Median(cp.cpu), cpuRatio, Median(ours.user),
                Median(cp.user), Median(ours.wall),
                Median(cp.wall), wallRatio, target, ours.peakKb, cp.peakKb,
                ours.ok && cp.ok ? "" : "  FAILED");
}

// Backup and restore of the files below source against cp -a, in rounds of
// alternating order.
void CompareSet(const Bench& bench, const fs::path& work, const fs::path& source,
                std::uint64_t files, const std::string& name, std::uint64_t rounds) {
    // Once through, so that every measured run finds the source in the cache.
    RemoveAll(work / "warm");
    CopyA(source, work / "warm");
    RemoveAll(work / "warm");
    Series backup, restore, cpForBackup, cpIntoOneFolder, cpForRestore;
    for (std::uint64_t round = 0; round < rounds; ++round) {
        const fs::path backupFolder = work / "backup", restored = work / "restored",
                       copied = work / "copied";
        ::sync();
        if (round % 2 == 0) {
            backup.Add(bench.Backup(source, backupFolder));
            cpForBackup.Add(CopyA(source, copied));
        } else {
            cpForBackup.Add(CopyA(source, copied));
            backup.Add(bench.Backup(source, backupFolder));
        }
        RemoveAll(copied);
        ::sync();
        cpIntoOneFolder.Add(CopyIntoOneFolder(source, copied));
        RemoveAll(copied);
        ::sync();
        if (round % 2 == 0) {
            restore.Add(bench.Restore(backupFolder, source, restored, files));
            cpForRestore.Add(CopyA(source, copied));
        } else {
            cpForRestore.Add(CopyA(source, copied));
            restore.Add(bench.Restore(backupFolder, source, restored, files));
        }
        RemoveAll(copied);
        RemoveAll(restored);
        RemoveAll(backupFolder);
    }
    PrintComparison("backup", name, backup, cpForBackup, 1.1);
    // The backup keeps every copy in its one folder; a large folder costs the
    // file system more per new name than the tree cp -a makes.
    PrintComparison("backup", name + ", anchor cp -a into one folder", backup, cpIntoOneFolder,
                    1.1);
    PrintComparison("restore", name, restore, cpForRestore, 1.3);
}

// The small sets, the large one and the scaling steps, one after the other.
void CompareSmallSets(const Bench& bench, std::uint64_t rounds) {
    const std::vector<std::uint64_t> smallSets = EnvList("SL_BENCH_SMALL", {1000, 10000, 100000});
    for (std::uint64_t files : smallSets) {
        const fs::path work = bench.root / ("small" + std::to_string(files));
        MakeTree(work / "source", files, 4096, 100);
        CompareSet(bench, work, work / "source", files, std::to_string(files) + " x 4 KiB", rounds);
        RemoveAll(work);
    }
}

void CompareLargeSet(const Bench& bench, std::uint64_t rounds) {
    const std::uint64_t largeFiles = EnvNumber("SL_BENCH_LARGE", 4);
    const std::uint64_t largeBytes = EnvNumber("SL_BENCH_LARGE_MB", 128) << 20;
    const fs::path work = bench.root / "large";
    MakeTree(work / "source", largeFiles, largeBytes, 100);
    CompareSet(bench, work, work / "source", largeFiles,
               std::to_string(largeFiles) + " x " + std::to_string(largeBytes >> 20) + " MB",
               rounds);
    RemoveAll(work);
}

// Medians of one scaling step, and those of the step before (0 for none).
struct ScaleStep {
    double cpu = 0, wall = 0, cp = 0;
};

// Backups of source into one folder and cp -a of the same files into one
// folder, scaleRounds of each; prints the step's line.
ScaleStep MeasureScaleStep(const Bench& bench, const fs::path& work, std::uint64_t files,
                           std::uint64_t scaleRounds, const ScaleStep& previous) {
    Series series, copies;
    for (std::uint64_t round = 0; round < scaleRounds; ++round) {
        ::sync();
        series.Add(bench.Backup(work / "source", work / "backup"));
        RemoveAll(work / "backup");
        ::sync();
        copies.Add(CopyIntoOneFolder(work / "source", work / "copied"));
        RemoveAll(work / "copied");
    }
    ScaleStep step;
    step.cpu = Median(series.cpu);
    step.wall = Median(series.wall);
    step.cp = Median(copies.cpu);
    std::printf("  %8" PRIu64 " files: processor %8.3f s (%5.1f us a file; user %.3f s),"
                " wall %8.3f s, peak %ld kB; cp -a into one folder: processor %.3f s",
                files, step.cpu, step.cpu / files * 1e6, Median(series.user), step.wall,
                series.peakKb, step.cp);
    if (previous.cpu > 0) {
        std::printf("; exponent %.3f (wall %.3f; cp -a %.3f)", std::log10(step.cpu / previous.cpu),
                    std::log10(step.wall / previous.wall), std::log10(step.cp / previous.cp));
    }
    std::printf("%s\n", series.ok && copies.ok ? "" : "  FAILED");
    return step;
}

void MeasureScaling(const Bench& bench) {
    const std::uint64_t scaleMax = EnvNumber("SL_BENCH_SCALE_MAX", 100000);
    const std::uint64_t scaleBytes = EnvNumber("SL_BENCH_SCALE_BYTES", 64);
    const std::uint64_t scaleRounds = EnvNumber("SL_BENCH_SCALE_ROUNDS", 3);
    std::printf("backup into one folder, files of %" PRIu64 " bytes, %" PRIu64
                " rounds per step:\n",
                scaleBytes, scaleRounds);
    const fs::path work = bench.root / "scale";
    ScaleStep previous;
    std::uint64_t made = 0;
    for (std::uint64_t files = 1000; files <= scaleMax; files *= 10) {
        // The source grows by the files this step adds.
        for (std::uint64_t i = made; i < files; ++i) {
            const fs::path folder = work / "source" / ("Folder" + std::to_string(i / 1000));
            if (i % 1000 == 0) fs::create_directories(folder);
            WriteFileOfSize(folder / ("File" + std::to_string(i) + ".dat"), scaleBytes,
                            static_cast<unsigned>(i), 512);
        }
        made = files;
        previous = MeasureScaleStep(bench, work, files, scaleRounds, previous);
    }
    RemoveAll(work);
}

}  // namespace

int main() {
    const std::uint64_t rounds = EnvNumber("SL_BENCH_ROUNDS", 5);
    const char* dirEnv = std::getenv("SL_BENCH_DIR");
    fs::path dir = dirEnv && *dirEnv             ? fs::path(dirEnv)
                   : fs::is_directory("/dev/shm") ? fs::path("/dev/shm")
                                                  : fs::temp_directory_path();
    Bench bench;
    bench.root = sl::bench::MakeWorkFolder(dir, "sl-file-bench-XXXXXX");
    if (bench.root.empty()) return 1;
    bench.prefix = bench.root / "prefix";
    sl::bench::MakeBarePrefix(bench.prefix);
    fs::create_directories(bench.root / "log");
    std::printf("working in %s; %" PRIu64 " rounds; medians of the rounds\n", bench.root.c_str(),
                rounds);

    if (Wanted("small")) CompareSmallSets(bench, rounds);
    if (Wanted("large")) CompareLargeSet(bench, rounds);
    if (Wanted("scale")) MeasureScaling(bench);
    RemoveAll(bench.root);
    return 0;
}
