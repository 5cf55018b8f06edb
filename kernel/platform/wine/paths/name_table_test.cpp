#include "kernel/platform/wine/paths/name_table.h"

#include <gtest/gtest.h>

#include <string>

namespace sl::platform::wine {
namespace {

constexpr std::size_t kRoomy = 64 << 20;

// "found NAME", "none" or "unknown".
std::string Find(const NameTable& table, const std::string& ansiName) {
    std::string real;
    switch (table.Find(ansiName, &real)) {
        case NameTable::Match::Found: return "found " + real;
        case NameTable::Match::None: return "none";
        case NameTable::Match::Unknown: return "unknown";
    }
    return "?";
}

TEST(NameTable, MatchesSpellingsWithoutRegardToCase) {
    NameTable table(kRoomy);
    table.Add("Skins");
    table.Add("\xc3\xa9t\xc3\xa9.txt");  // "été.txt" in UTF-8
    table.Add("bad\xc0\xaf");             // over-long UTF-8: no DOS name's form
    EXPECT_EQ(Find(table, "SKINS"), "found Skins");
    EXPECT_EQ(Find(table, "skins.ini"), "none");
    EXPECT_EQ(Find(table, "\xc9T\xc9.TXT"), "found \xc3\xa9t\xc3\xa9.txt");
    EXPECT_EQ(table.Count(), 2u);

    // The exact spelling wins; between two others the table cannot choose.
    table.Add("Abc");
    table.Add("ABC");
    EXPECT_EQ(Find(table, "ABC"), "found ABC");
    EXPECT_EQ(Find(table, "abc"), "unknown");
    table.Remove("ABC");
    EXPECT_EQ(Find(table, "abc"), "found Abc");

    // A name reported twice (listed, then seen created) is held once, so one
    // removal removes it.
    table.Add("Twice");
    table.Add("Twice");
    table.Remove("Twice");
    EXPECT_EQ(Find(table, "twice"), "none");
    // Removing what is not there changes nothing.
    table.Remove("Never");
    table.Remove("skins");
    EXPECT_EQ(Find(table, "SKINS"), "found Skins");
}

TEST(NameTable, StaysExactThroughGrowthAndRemovals) {
    NameTable table(kRoomy);
    constexpr int kNames = 200000;
    for (int i = 1; i <= kNames; ++i) table.Add(std::to_string(i) + ".dat");
    // Most go again (the space they took is given back on the way); some
    // come back in another case.
    for (int i = 1; i <= kNames; ++i) {
        if (i % 10 != 0) table.Remove(std::to_string(i) + ".dat");
        if (i % 1000 == 1) table.Add(std::to_string(i) + ".DAT");
    }
    EXPECT_EQ(table.Count(), static_cast<std::size_t>(kNames / 10 + kNames / 1000));
    EXPECT_LT(table.Bytes(), std::size_t{2} << 20);
    for (int i = 1; i <= kNames; ++i) {
        const std::string name = std::to_string(i) + ".dat";
        const std::string expected = i % 10 == 0     ? "found " + name
                                     : i % 1000 == 1 ? "found " + std::to_string(i) + ".DAT"
                                                     : "none";
        ASSERT_EQ(Find(table, name), expected) << name;
    }
}

TEST(NameTable, ASummaryNeverDeniesANameItHolds) {
    // Room for a few thousand names only: the table becomes a summary.
    NameTable table(64 << 10);
    constexpr int kNames = 20000;
    for (int i = 0; i < kNames; ++i) table.Add("File" + std::to_string(i) + ".bmp");
    ASSERT_TRUE(table.Summarised());
    // A name held, in any case, may not be answered for, but is never denied,
    // also after it was removed (the summary cannot forget).
    for (int i = 0; i < kNames; ++i) {
        ASSERT_EQ(Find(table, "FILE" + std::to_string(i) + ".BMP"), "unknown");
    }
    table.Remove("File7.bmp");
    EXPECT_EQ(Find(table, "file7.bmp"), "unknown");
    // Names never added are told apart (nearly always: the summary is large
    // against 20,000 names).
    int denied = 0;
    for (int i = 0; i < 1000; ++i) {
        denied += Find(table, std::to_string(i) + ".dat") == "none" ? 1 : 0;
    }
    EXPECT_GE(denied, 995);
    table.Add("Later.txt");
    EXPECT_EQ(Find(table, "LATER.TXT"), "unknown");
    EXPECT_LT(table.Bytes(), std::size_t{20} << 20);
}

}  // namespace
}  // namespace sl::platform::wine
