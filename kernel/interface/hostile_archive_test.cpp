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

// Loads bytes into object: 0 or the archive cause.
std::int32_t Load(SerializableObject& object, std::vector<std::uint8_t> bytes) {
    MemoryArchiveStream stream(std::move(bytes));
    try {
        Archive archive(stream, false);
        object.Serialize(archive);
        return 0;
    } catch (const ArchiveError& error) {
        return error.cause;
    }
}

std::vector<std::uint8_t> Store(SerializableObject& object) {
    MemoryArchiveStream stream;
    Archive archive(stream, true);
    object.Serialize(archive);
    archive.Flush();
    return stream.Bytes();
}

class RecordList : public SerializableObject {
public:
    const RuntimeClass* GetRuntimeClass() const override { return nullptr; }
    void Serialize(Archive& archive) override { SerializeObjectList(archive, records); }
    RegRecordList records;
};

template <typename Object>
void Replay(const std::string& target) {
    const auto inputs = Inputs(target);
    ASSERT_FALSE(inputs.empty()) << target;
    int loaded = 0;
    for (const auto& path : inputs) {
        SCOPED_TRACE(path.string());
        Object object;
        std::int32_t cause = Load(object, ReadAll(path));
        EXPECT_TRUE((cause >= 0 && cause <= 7) || cause == kArchiveOtherFailure) << cause;
        if (cause != 0) continue;
        ++loaded;
        const auto stored = Store(object);
        Object again;
        ASSERT_EQ(Load(again, stored), 0);
        EXPECT_EQ(Store(again), stored);
    }
    EXPECT_GT(loaded, 0) << "no valid input for " << target;
}

TEST(HostileArchiveTest, BookkeepingInputsLoadOrFailCleanly) { Replay<CSLKernel>("bookkeeping_fuzz"); }

TEST(HostileArchiveTest, RegistryArchiveInputsLoadOrFailCleanly) { Replay<RecordList>("reg_archive_fuzz"); }

}  // namespace
}  // namespace sl
