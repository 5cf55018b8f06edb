// Load and write speed of Wine hive files: a prefix's system.reg (or a
// synthetic one of the same size and shape when no prefix is around) and one
// ten times larger. Reported as bytes per second, with the minor page faults
// of one iteration ("faults"): on a machine where faults are dear, the memory
// a load touches (its copy of the text, the key tree) sets most of its time.
// Loading reads key paths only; "LoadAndRead" also decodes every value.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "kernel/platform/wine/text/hive.h"

namespace {

using sl::platform::wine::Hive;
using sl::platform::wine::HiveKey;

// A hive in Wine's form with about `bytes` of text: nested keys in Wine's
// order with string, dword, binary and escaped values, like a fresh prefix's
// system.reg (about 9000 sections, 1.7 MB).
std::string SyntheticHive(std::size_t bytes) {
    std::string out =
        "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n";
    char buf[512];
    for (unsigned a = 0; out.size() < bytes; ++a) {
        for (unsigned b = 0; b < 40 && out.size() < bytes; ++b) {
            std::snprintf(buf, sizeof buf,
                          "\n[Software\\\\Classes\\\\CLSID\\\\{%08X-1234-5678-9ABC-%012X}\\\\Inproc%02u] 1796618213\n"
                          "#time=1dd8604951a9966\n"
                          "@=\"C:\\\\windows\\\\system32\\\\comp%05u.dll\"\n"
                          "\"Flags\"=dword:%08x\n"
                          "\"Name\"=\"Caf\\xe9 component \\x20ac %u\"\n"
                          "\"ThreadingModel\"=\"Both\"\n",
                          a, b, b, a, a * b, b);
            out += buf;
            if (b % 4 == 0) {
                out += "\"Data\"=hex:00,11,22,33,44,55,66,77,88,99,aa,bb,cc,dd,ee,ff,00,11,22,33,44,55,66,\\\n"
                       "  77,88,99,aa,bb,cc,dd,ee,ff\n";
            }
        }
    }
    return out;
}

const std::string& BaseHive() {
    static const std::string text = [] {
        std::string path;
        if (const char* p = std::getenv("SL_BENCH_HIVE")) {
            path = p;
        } else if (const char* prefix = std::getenv("WINEPREFIX")) {
            path = std::string(prefix) + "/system.reg";
        } else if (const char* home = std::getenv("HOME")) {
            path = std::string(home) + "/.wine/system.reg";
        }
        std::ifstream f(path, std::ios::binary);
        if (f) {
            std::stringstream ss;
            ss << f.rdbuf();
            std::string s = ss.str();
            if (s.rfind("WINE REGISTRY Version 2", 0) == 0) return s;
        }
        return SyntheticHive(1700 * 1024);
    }();
    return text;
}

const std::string& LargeHive() {
    static const std::string text = SyntheticHive(BaseHive().size() * 10);
    return text;
}

long MinorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// Decodes every value of the hive; returns how many there are.
std::size_t ReadEveryValue(const Hive& hive) {
    std::size_t count = 0;
    std::vector<const HiveKey*> stack{&hive.root()};
    while (!stack.empty()) {
        const HiveKey* key = stack.back();
        stack.pop_back();
        count += key->values().size();
        for (const auto& sub : key->subkeys) stack.push_back(sub.get());
    }
    return count;
}

void Load(benchmark::State& state, const std::string& text, bool readValues) {
    long faults = MinorFaults();
    for (auto _ : state) {
        auto hive = Hive::FromText(text);
        if (readValues) benchmark::DoNotOptimize(ReadEveryValue(*hive));
        benchmark::DoNotOptimize(hive.get());
    }
    faults = MinorFaults() - faults;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["bytes"] = static_cast<double>(text.size());
    state.counters["faults"] = static_cast<double>(faults) / static_cast<double>(state.iterations());
}

void Write(benchmark::State& state, const std::string& text) {
    auto hive = Hive::FromText(text);
    for (auto _ : state) {
        std::string out = hive->Write();
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_LoadSystemReg(benchmark::State& state) { Load(state, BaseHive(), false); }
void BM_LoadTenTimesLarger(benchmark::State& state) { Load(state, LargeHive(), false); }
void BM_LoadAndReadSystemReg(benchmark::State& state) { Load(state, BaseHive(), true); }
void BM_LoadAndReadTenTimesLarger(benchmark::State& state) { Load(state, LargeHive(), true); }
void BM_WriteSystemReg(benchmark::State& state) { Write(state, BaseHive()); }
void BM_WriteTenTimesLarger(benchmark::State& state) { Write(state, LargeHive()); }

BENCHMARK(BM_LoadSystemReg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadTenTimesLarger)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadAndReadSystemReg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadAndReadTenTimesLarger)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteSystemReg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteTenTimesLarger)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
