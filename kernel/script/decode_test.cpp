#include "kernel/script/decode.h"

#include <gtest/gtest.h>

#include <string>

#include "kernel/script/script_key.h"

namespace sl {
namespace {

std::string ErrorOf(const std::string& encoded, std::uint8_t key = kScriptKey) {
    try {
        DecodeText(encoded, key);
    } catch (const DecodeError& error) {
        return error.message;
    }
    return "(no error)";
}

TEST(CharValue, CoversTheAlphabetAndNothingElse) {
    EXPECT_EQ(CharValue('0'), 0);
    EXPECT_EQ(CharValue('9'), 9);
    EXPECT_EQ(CharValue('A'), 10);
    EXPECT_EQ(CharValue('Z'), 35);
    EXPECT_EQ(CharValue('a'), 36);
    EXPECT_EQ(CharValue('z'), 61);
    for (int c = 0; c < 256; ++c) {
        const char ch = static_cast<char>(c);
        const bool inAlphabet = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                                (c >= 'a' && c <= 'z');
        if (inAlphabet) continue;
        try {
            CharValue(ch);
            ADD_FAILURE() << "byte " << c << " has a value";
        } catch (const DecodeError& error) {
            EXPECT_EQ(error.message, "Encrypt Char Error");
        }
    }
}

TEST(DecodeText, CharacterRolesAlternateByPosition) {
    // Offset 0: low 1, high 'A' % 8 = 2 -> 201. Offset 2: high 1, low 10 -> 110.
    const std::string decoded = DecodeText("1A1A", kScriptKey);
    ASSERT_EQ(decoded.size(), 2u);
    EXPECT_EQ(static_cast<std::uint8_t>(decoded[0]), 201 ^ kScriptKey);
    EXPECT_EQ(static_cast<std::uint8_t>(decoded[1]), 110 ^ kScriptKey);
    // The pattern repeats every four characters.
    EXPECT_EQ(DecodeText("1A1A1A1A", 0), std::string("\xC9\x6E\xC9\x6E"));
}

TEST(DecodeText, HighValuesAboveTwoAddFifteenAndWrap) {
    // high 3 ('Z' is 35, 35 % 8 = 3): 0 + 300 + 15 = 315 -> 59.
    EXPECT_EQ(DecodeText("0Z", 0), std::string(1, static_cast<char>(59)));
    // "Z" and "3" carry the same high value.
    EXPECT_EQ(DecodeText("0Z", 0x21), DecodeText("03", 0x21));
    EXPECT_EQ(DecodeText("00Z0", 0x21), DecodeText("0030", 0x21));
    // high 7, low 61: 61 + 700 + 15 = 776 -> 8.
    EXPECT_EQ(DecodeText("z7", 0), std::string(1, static_cast<char>(8)));
}

TEST(DecodeText, RejectsOddLengthBeforeLookingAtCharacters) {
    EXPECT_EQ(ErrorOf("A"), "Length is bad.");
    EXPECT_EQ(ErrorOf("-"), "Length is bad.");
    EXPECT_EQ(ErrorOf("1A1"), "Length is bad.");
}

TEST(DecodeText, RejectsCharactersOutsideTheAlphabetAnywhere) {
    EXPECT_EQ(ErrorOf("-A"), "Encrypt Char Error");
    EXPECT_EQ(ErrorOf("1A1A1-"), "Encrypt Char Error");
    EXPECT_EQ(ErrorOf(std::string("1A") + '\xC1' + "A"), "Encrypt Char Error");
    EXPECT_EQ(ErrorOf(std::string("1A\0A", 4)), "Encrypt Char Error");
}

TEST(DecodeText, EmptyTextDecodesToEmpty) { EXPECT_EQ(DecodeText("", kScriptKey), ""); }

TEST(EncodeText, EveryByteRoundTripsAtBothPositionParities) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    for (std::uint8_t key : {std::uint8_t{0}, kScriptKey, std::uint8_t{0xFF}}) {
        // Prefixing one byte moves every byte to the other parity.
        for (const std::string& plain : {all, "x" + all}) {
            const std::string encoded = EncodeText(plain, key);
            ASSERT_EQ(encoded.size(), plain.size() * 2);
            for (char c : encoded) {
                ASSERT_NO_THROW(CharValue(c)) << "encoder wrote byte " << int(c);
            }
            EXPECT_EQ(DecodeText(encoded, key), plain);
        }
    }
}

TEST(EncodeText, IsDeterministicAndKeyed) {
    const std::string plain = "58, 1, WINAMP_DIR, , , , WINAMP.INI, 0\r\n";
    const std::string encoded = EncodeText(plain, kScriptKey);
    EXPECT_EQ(EncodeText(plain, kScriptKey), encoded);
    EXPECT_EQ(encoded.find("WINAMP"), std::string::npos);

    const std::uint8_t otherKey = kScriptKey ^ 0x5A;
    EXPECT_NE(EncodeText(plain, otherKey), encoded);
    const std::string wrong = DecodeText(encoded, otherKey);
    EXPECT_EQ(wrong.size(), plain.size());
    EXPECT_NE(wrong, plain);
}

}  // namespace
}  // namespace sl
