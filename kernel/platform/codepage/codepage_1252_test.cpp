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

}  // namespace
}  // namespace sl::platform::codepage
