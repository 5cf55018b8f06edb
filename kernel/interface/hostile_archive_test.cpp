// Replays the fuzzers' committed inputs (fuzz/corpus and fuzz/regressions)
// for the bookkeeping file and registry archives through the loaders: each
// loads or fails with an archive cause, and what loads stores and loads back
// to the same bytes. Runs in every build, so the sanitizer build checks them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "kernel/interface/kernel.h"
#include "kernel/storage/archive_stream.h"
#include "kernel/storage/archive_test_support.h"
#include "kernel/storage/reg_save_restore.h"

namespace sl {
namespace {

namespace fs = std::filesystem;

// Every input file committed for a fuzz target.
std::vector<fs::path> Inputs(const std::string& target) {
    const fs::path fuzz = fs::path(SL_SOURCE_DIR) / "fuzz";
    std::vector<fs::path> files;
    for (const char* kind : {"corpus", "regressions"}) {
        const fs::path folder = fuzz / kind / target;
        if (!fs::is_directory(folder)) continue;
        for (const auto& entry : fs::directory_iterator(folder)) files.push_back(entry.path());
    }
    return files;
}

std::vector<std::uint8_t> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::uint8_t> StoreObject(SerializableObject& object) {
    MemoryArchiveStream stream;
    Archive archive(stream, true);
    object.Serialize(archive);
    archive.Flush();
    return stream.Bytes();
}

template <typename Object>
void Replay(const std::string& target) {
    const auto inputs = Inputs(target);
    ASSERT_FALSE(inputs.empty()) << target;
    int loaded = 0;
    for (const auto& path : inputs) {
        SCOPED_TRACE(path.string());
        Object object;
        std::int32_t cause = LoadInto(object, ReadAll(path));
        EXPECT_TRUE((cause >= 0 && cause <= 7) || cause == kArchiveOtherFailure) << cause;
        if (cause != 0) continue;
        ++loaded;
        const auto stored = StoreObject(object);
        Object again;
        ASSERT_EQ(LoadInto(again, stored), 0);
        EXPECT_EQ(StoreObject(again), stored);
    }
    EXPECT_GT(loaded, 0) << "no valid input for " << target;
}

TEST(HostileArchiveTest, BookkeepingInputsLoadOrFailCleanly) { Replay<CSLKernel>("bookkeeping_fuzz"); }

TEST(HostileArchiveTest, RegistryArchiveInputsLoadOrFailCleanly) { Replay<RecordFile>("reg_archive_fuzz"); }

}  // namespace
}  // namespace sl
