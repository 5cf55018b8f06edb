#include "kernel/platform/wine/paths/wildcard.h"

#include <gtest/gtest.h>

namespace sl::platform::wine {
namespace {

struct MatchCase {
    const char* pattern;
    const char* name;
    bool matches;
};

TEST(WildcardTest, MatchTable) {
    const MatchCase cases[] = {
        {"*", "anything.txt", true},
        {"*", ".", true},
        {"*.*", "noext", true},  // every name, with or without a dot
        {"*.*", "a.b.c", true},
        {"*.*", "..", true},
        {"*.txt", "Readme.TXT", true},
        {"*.txt", "readme.txt.bak", false},
        {"*.txt", "txt", false},
        {"*.INI", "winamp.ini", true},
        {"win*.ini", "WINAMP.INI", true},
        {"win*.ini", "wnamp.ini", false},
        {"?.dat", "1.dat", true},
        {"?.dat", "12.dat", false},
        {"?.dat", ".dat", false},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"*a*b*", "xxaYYbzz", true},
        {"*a*b*", "xxbYYazz", false},
        {"**", "", true},
        {"plain.txt", "PLAIN.txt", true},
        {"plain.txt", "plain.txtx", false},
        {"caf\xe9*", "CAF\xc9.ini", true},  // accented letters fold too
        {"\xff", "\x9f", true},
    };
    for (const MatchCase& c : cases) {
        EXPECT_EQ(MatchesWildcard(c.pattern, c.name), c.matches)
            << "pattern '" << c.pattern << "' name '" << c.name << "'";
    }
}

TEST(WildcardTest, BacktracksOverEarlierStars) {
    EXPECT_TRUE(MatchesWildcard("*ab", "aab"));
    EXPECT_TRUE(MatchesWildcard("*a?c", "abacabc"));
    EXPECT_FALSE(MatchesWildcard("*a?c", "abacab"));
}

TEST(WildcardTest, CompareNoCaseOrdersWithoutCase) {
    EXPECT_EQ(CompareNoCase("Abc", "aBC"), 0);
    EXPECT_LT(CompareNoCase("abc", "ABD"), 0);
    EXPECT_LT(CompareNoCase("ab", "AB_"), 0);  // a prefix sorts first
    EXPECT_GT(CompareNoCase("b", "A"), 0);
    EXPECT_TRUE(EqualNoCase("\xe9t\xe9", "\xc9T\xc9"));
    EXPECT_FALSE(EqualNoCase("\xf7", "\xd7"));  // division and multiplication signs are not letters
}

TEST(WildcardTest, HasWildcards) {
    EXPECT_TRUE(HasWildcards("*.ini"));
    EXPECT_TRUE(HasWildcards("a?"));
    EXPECT_FALSE(HasWildcards("plain.ini"));
}

}  // namespace
}  // namespace sl::platform::wine
