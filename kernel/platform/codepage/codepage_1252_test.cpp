#include "kernel/platform/codepage/codepage_1252.h"

#include <gtest/gtest.h>

namespace sl::platform::codepage {
namespace {

TEST(CodePage1252, ConvertsThroughCp1252) {
    EXPECT_EQ(AnsiToUtf16("\x80\xe9\x81"), u"\u20ac\u00e9\u0081");
    EXPECT_EQ(Utf16ToAnsi(u"\u20ac\u00e9\u0416\U0001F600"), "\x80\xe9???");
    const std::string bytes("\x78\x01z\0", 4);  // u"\u0178z" as UTF-16LE
    EXPECT_EQ(Utf16BytesToAnsi(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), "\x9fz");
}

TEST(CodePage1252, AsciiHeadsAndTailsConvertAlike) {
    EXPECT_EQ(AnsiToUtf8("File5000.dat"), "File5000.dat");
    EXPECT_EQ(AnsiToUtf8("Caf\xe9 \x80x"), "Caf\xc3\xa9 \xe2\x82\xacx");
    EXPECT_EQ(AnsiToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(Utf8ToAnsi("File5000.dat"), "File5000.dat");
    EXPECT_EQ(Utf8ToAnsi("Caf\xc3\xa9 \xe2\x82\xacx"), "Caf\xe9 \x80x");
    // A broken sequence after an ASCII head, and one cut off at the end.
    EXPECT_EQ(Utf8ToAnsi("ab\xffz"), "ab?z");
    EXPECT_EQ(Utf8ToAnsi("ab\xc3"), "ab?");
    EXPECT_EQ(Utf8ToAnsi(""), "");
}

}  // namespace
}  // namespace sl::platform::codepage
