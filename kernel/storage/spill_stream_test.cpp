// Bytes past the memory limit go to a temporary beside the archive and come
// back whole and in order; the temporary never outlives the stream.
#include "kernel/storage/spill_stream.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "kernel/storage/archive_stream.h"
#include "kernel/testing/temp_prefix.h"

namespace sl {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> Pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>((i * 7919) >> 3);
    return bytes;
}

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    return names;
}

TEST(SpillStreamTest, BytesComeBackInOrderWhetherKeptOrSpilled) {
    testing::TempPrefix prefix;
    prefix.MakeFolder("C:\\Backup");
    const std::string folder = prefix.UnixPath("C:\\Backup");
    const std::vector<std::uint8_t> bytes = Pattern(3 * 1024 * 1024 + 17);
    for (std::size_t limit : {std::size_t{8} << 20, std::size_t{1000}}) {
        MemoryArchiveStream copy;
        {
            SpillStream stream("C:\\Backup\\1.bin", limit);
            // Uneven pieces, as an archive's buffer hands them over.
            for (std::size_t at = 0; at < bytes.size();) {
                std::size_t piece = std::min<std::size_t>(bytes.size() - at, 1 + (at % 5000));
                stream.Write(bytes.data() + at, piece);
                at += piece;
            }
            EXPECT_EQ(stream.Spilled(), limit < bytes.size());
            EXPECT_EQ(Entries(folder).size(), limit < bytes.size() ? 1u : 0u);
            Archive archive(copy, true);
            stream.CopyTo(archive);
            archive.Flush();
        }
        EXPECT_TRUE(copy.Bytes() == bytes) << "limit " << limit;
        EXPECT_TRUE(Entries(folder).empty()) << "the temporary outlived the stream";
    }
}

TEST(SpillStreamTest, AFolderThatCannotTakeTheTemporaryFailsTheWrite) {
    testing::TempPrefix prefix;
    SpillStream stream("C:\\Missing\\1.bin", 16);
    const std::vector<std::uint8_t> bytes = Pattern(64);
    EXPECT_THROW(stream.Write(bytes.data(), bytes.size()), ArchiveError);
}

}  // namespace
}  // namespace sl
