// Replays the hive fuzzer's committed inputs (fuzz/corpus/hive_fuzz and the
// inputs of past findings in fuzz/regressions/hive_fuzz): every text parses,
// and what is written reads back to a hive that writes the same text.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "kernel/platform/wine/text/hive.h"

namespace sl::platform::wine {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(HiveHostileTest, FuzzInputsWriteStably) {
    const fs::path fuzz = fs::path(SL_SOURCE_DIR) / "fuzz";
    int count = 0;
    for (const char* kind : {"corpus", "regressions"}) {
        const fs::path folder = fuzz / kind / "hive_fuzz";
        if (!fs::is_directory(folder)) continue;
        for (const auto& entry : fs::directory_iterator(folder)) {
            SCOPED_TRACE(entry.path().string());
            auto hive = Hive::FromText(ReadAll(entry.path()));
            const std::string written = hive->Write();
            EXPECT_EQ(Hive::FromText(written)->Write(), written);
            ++count;
        }
    }
    EXPECT_GT(count, 0);
}

// A hex value whose last line asks for a continuation: the blank lines a
// writer puts after its section must not become part of it (each write used
// to add one more blank line).
TEST(HiveHostileTest, DanglingContinuationStaysPut) {
    const std::string text = "WINE REGISTRY Version 2\n[x]\n[]\n\"\"=hex:\\";
    const std::string once = Hive::FromText(text)->Write();
    const std::string twice = Hive::FromText(once)->Write();
    EXPECT_EQ(twice, once);
    EXPECT_EQ(Hive::FromText(twice)->Write(), once);
}

// A kept line that asks for a continuation it did not get (it was followed by
// a blank line) must not take the line written after it when the section is
// written from the model (a duplicate section makes it so): the section line
// inside the next kept value came and went between writes.
TEST(HiveHostileTest, KeptContinuationLinesStayApart) {
    const std::string text = "WINE REGISTRY Version 2\n[]\n\"\"=hex:\\\n\n\"\"=hex:\\\n[\n[]";
    const std::string once = Hive::FromText(text)->Write();
    const std::string twice = Hive::FromText(once)->Write();
    EXPECT_EQ(twice, once);
    EXPECT_NE(once.find("[\n"), std::string::npos) << once;  // still inside its value
}

// A file whose last line holds only blanks, with no newline after it: a key
// added after the last section used to be written on that line
// (" [New] ..."), where no reader sees a section, so the key was lost.
TEST(HiveHostileTest, KeyAddedAfterTrailingBlanksReadsBack) {
    auto hive = Hive::FromText("WINE REGISTRY Version 2\n[e]\n ");
    HiveKey* key = hive->CreateSubkey(hive->root(), u"New", nullptr, 1);
    ASSERT_NE(key, nullptr);
    hive->SetValue(*key, u"v", kRegBinary, std::string("\x01\x02", 2), 1);
    const std::string written = hive->Write();
    auto back = Hive::FromText(written);
    const HiveKey* found = back->root().FindSubkey(u"New");
    ASSERT_NE(found, nullptr) << written;
    const HiveValue* value = found->FindValue(u"v");
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->data, std::string("\x01\x02", 2));
    EXPECT_NE(back->root().FindSubkey(u"e"), nullptr);
    EXPECT_EQ(Hive::FromText(written)->Write(), written);
}

// A section far deeper than Windows allows, or with a name longer than it
// allows, is kept out of the key tree (whose walks would otherwise need that
// many levels) but stays in the file, after the other sections, as read.
TEST(HiveHostileTest, KeysBeyondWindowsLimitsAreKeptAsTextOnly) {
    std::string deep = "[";
    for (int i = 0; i < 300000; ++i) deep += i == 0 ? "k" : "\\\\k";
    deep += "] 1700000000\n\"v\"=\"deep\"\n";
    const std::string longName = "[Software\\\\" + std::string(256, 'n') + "] 1700000000\n";
    const std::string fine = "[Software\\\\Fine] 1700000000\n#time=1\n\"v\"=\"ok\"\n";
    const std::string text = "WINE REGISTRY Version 2\n\n" + deep + "\n" + longName + "\n" + fine;

    auto hive = Hive::FromText(text);
    ASSERT_EQ(hive->status(), Hive::Status::Loaded);
    HiveKey& root = hive->root();
    HiveKey* software = root.FindSubkey(u"Software");
    ASSERT_NE(software, nullptr);
    EXPECT_NE(software->FindSubkey(u"Fine"), nullptr);
    EXPECT_EQ(software->subkeys.size(), 1u);    // not the long name
    EXPECT_EQ(root.FindSubkey(u"k"), nullptr);  // not the deep path
    const std::string written = hive->Write();
    EXPECT_NE(written.find(deep), std::string::npos);
    EXPECT_NE(written.find(longName), std::string::npos);
    EXPECT_EQ(Hive::FromText(written)->Write(), written);

    // The deepest key Windows allows is read, and written back, in full.
    std::string limit = "WINE REGISTRY Version 2\n\n[";
    for (std::size_t i = 0; i < kMaxKeyDepth; ++i) limit += i == 0 ? "k" : "\\\\k";
    limit += "] 1700000000\n#time=1\n\"v\"=\"bottom\"\n";
    auto limited = Hive::FromText(limit);
    const HiveKey* key = &limited->root();
    for (std::size_t i = 0; i < kMaxKeyDepth && key != nullptr; ++i) key = key->FindSubkey(u"k");
    ASSERT_NE(key, nullptr);
    EXPECT_NE(key->FindValue(u"v"), nullptr);
    EXPECT_EQ(limited->Write(), limit);
}

}  // namespace
}  // namespace sl::platform::wine
