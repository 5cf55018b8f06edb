// The model's names and strings: Wine's order and the kept texts of keys.
#include "kernel/platform/hive/hive_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kernel/platform/hive/hive_strings.h"

namespace sl::platform::hive {
namespace {

TEST(HiveNames, CompareWithoutCaseAndPrefixFirst) {
    EXPECT_EQ(CompareNames(u"Alpha", u"aLPHA"), 0);
    EXPECT_LT(CompareNames(u"Alpha", u"alpha2"), 0);
    EXPECT_LT(CompareNames(u"_x", u"A"), 0);  // lower-cased: '_' sorts before letters
    EXPECT_TRUE(NamesEqual(u"\u00c9T\u00c9", u"\u00e9t\u00e9"));
    EXPECT_TRUE(NamesEqual(u"\u0416", u"\u0436"));
    EXPECT_FALSE(NamesEqual(u"ab", u"abc"));
}

TEST(HiveStrings, KeptTextsStayValidAsMoreAreKept) {
    HiveStrings strings;
    std::vector<std::u16string> texts;
    std::vector<std::u16string_view> kept;
    // Enough small texts to fill several blocks, with long ones in between.
    for (int i = 0; i < 3000; ++i) {
        std::u16string text(static_cast<std::size_t>(i % 40) + 1, static_cast<char16_t>(u'a' + i % 26));
        if (i % 500 == 7) text.assign(5000, static_cast<char16_t>(0x4E00 + i));
        texts.push_back(text);
        kept.push_back(strings.Keep(texts.back()));
    }
    for (std::size_t i = 0; i < texts.size(); ++i) ASSERT_EQ(kept[i], texts[i]) << i;
    EXPECT_TRUE(strings.Keep(u"").empty());
}

}  // namespace
}  // namespace sl::platform::hive
