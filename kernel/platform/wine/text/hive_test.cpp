#include "kernel/platform/wine/text/hive.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "kernel/platform/wine/text/hive_escape.h"
#include "kernel/platform/wine/text/testing/regenerate_all.h"

namespace sl::platform::wine {
namespace {

std::string Bytes(std::u16string units) {
    std::string out;
    for (char16_t u : units) {
        out.push_back(static_cast<char>(u & 0xFF));
        out.push_back(static_cast<char>(u >> 8));
    }
    return out;
}

// A small hive in exactly the form Wine writes (order, escapes, wrapping).
const char kWineHive[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[Software\\\\Alpha] 1796618221\n"
    "#time=1dd860499d9643c\n"
    "#class=\"My \\\"Class\\\"\"\n"
    "@=\"def \\\"q\\\" \\\\\\\\ x\"\n"
    "\"alpha2\"=\"a\"\n"
    "\"Bin\"=hex:00,11,22,33,44,55,66,77,88,99,aa,bb,cc,dd,ee,ff,00,11,22,33,44,55,66,\\\n"
    "  77,88,99,aa,bb,cc,dd,ee,ff,00,11,22,33,44,55,66,77,88,99,aa,bb,cc,dd,ee,ff\n"
    "\"Dw\"=dword:000004d2\n"
    "\"Exp\"=str(2):\"%PATH%;x\"\n"
    "\"Multi\"=str(7):\"a\\0b\\0c\\0\"\n"
    "\"None\"=hex(0):\n"
    "\"Qword\"=hex(b):01,02,03,04,05,06,07,08\n"
    "\"Str\"=\"h\\xe9llo w\\xf6rld \\x20ac\\t\\n\\r\\x20acf\"\n"
    "\n"
    "[Software\\\\Alpha\\\\Sub\\[1\\]] 1796618221\n"
    "#time=1dd860499d9675c\n"
    "#link\n"
    "#unknown option\n"
    "\"SymbolicLinkValue\"=hex(6):5c,00\n"
    "\n"
    "[Software\\\\zeta] 1796618213\n"
    "#time=1dd8604951a9966\n";

TEST(HiveEscape, WritesEscapesAsWineDoes) {
    std::string out;
    AppendEscaped(out, u"a\\b\"c[d]", '"', '"');
    EXPECT_EQ(out, "a\\\\b\\\"c[d]");
    out.clear();
    AppendEscaped(out, u"[x]", '[', ']');
    EXPECT_EQ(out, "\\[x\\]");
    out.clear();
    // Hex escapes get four digits only before a hex digit; octal three only before an octal digit.
    AppendEscaped(out, std::u16string(u"\u00e9l\u00e9a\u20ac") + u'\x01' + u"7" + u'\x01' + u"x" + u'\x1b', '"', '"');
    EXPECT_EQ(out, "\\xe9l\\x00e9a\\x20ac\\0017\\1x\\e");
    out.clear();
    AppendEscaped(out, std::u16string(u"a\0b\0", 4), '"', '"', true);
    EXPECT_EQ(out, "a\\0b");
}

TEST(HiveEscape, ReadsEveryEscapeForm) {
    std::u16string out;
    std::string src = "\\a\\b\\e\\f\\n\\r\\t\\v\\x41\\x00e9g\\101\\0\\xq\\\\\\\"\\[z\"rest";
    std::size_t end = ParseEscaped(src, 0, '"', out);
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(src.substr(end), "rest");
    std::u16string expect = u"\a\b\x1b\f\n\r\t\vA\u00e9gA";
    expect.push_back(0);
    expect += u"xq\\\"[z";
    EXPECT_EQ(out, expect);
    out.clear();
    EXPECT_EQ(ParseEscaped("no end", 0, '"', out), std::string::npos);
    out.clear();
    ParseEscaped("caf\xc3\xa9\"", 0, '"', out);  // raw UTF-8 as Wine reads it
    EXPECT_EQ(out, u"caf\u00e9");
}

TEST(Hive, ReadsEveryLineForm) {
    auto hive = Hive::FromText(kWineHive);
    ASSERT_EQ(hive->status(), Hive::Status::Loaded);
    EXPECT_EQ(hive->relativeTo(), u"REGISTRY\\User\\S-1-5-21-0-0-0-1000");
    HiveKey* sw = hive->root().FindSubkey(u"SOFTWARE");
    ASSERT_NE(sw, nullptr);
    HiveKey* alpha = sw->FindSubkey(u"alpha");
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(alpha->keyClass.value_or(u""), u"My \"Class\"");
    EXPECT_EQ(alpha->modified, 0x1dd860499d9643cULL);
    ASSERT_EQ(alpha->values().size(), 9u);
    EXPECT_EQ(alpha->values()[0].name, u"");
    EXPECT_EQ(alpha->values()[0].data, Bytes(std::u16string(u"def \"q\" \\\\ x\0", 13)));
    const HiveValue* bin = alpha->FindValue(u"bin");
    ASSERT_NE(bin, nullptr);
    EXPECT_EQ(bin->type, kRegBinary);
    EXPECT_EQ(bin->data.size(), 48u);
    EXPECT_EQ(static_cast<unsigned char>(bin->data[47]), 0xffu);
    EXPECT_EQ(alpha->FindValue(u"Dw")->data, std::string("\xd2\x04\0\0", 4));
    EXPECT_EQ(alpha->FindValue(u"Exp")->type, kRegExpandSz);
    EXPECT_EQ(alpha->FindValue(u"Multi")->data, Bytes(std::u16string(u"a\0b\0c\0\0", 7)));
    EXPECT_EQ(alpha->FindValue(u"None")->type, kRegNone);
    EXPECT_TRUE(alpha->FindValue(u"None")->data.empty());
    EXPECT_EQ(alpha->FindValue(u"Qword")->type, 11u);
    EXPECT_EQ(alpha->FindValue(u"Str")->data,
              Bytes(std::u16string(u"h\u00e9llo w\u00f6rld \u20ac\t\n\r\u20acf\0", 19)));
    HiveKey* sub = alpha->FindSubkey(u"sub[1]");
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(sub->link);
    EXPECT_EQ(sub->extraLines(), std::vector<std::string_view>{"#unknown option"});
}

TEST(Hive, WritesBackIdenticalTextAndIdenticalRegeneration) {
    auto hive = Hive::FromText(kWineHive);
    EXPECT_EQ(hive->Write(), kWineHive);
    EXPECT_FALSE(hive->changed());
    // Regenerating every section from the model gives Wine's bytes too.
    testing::RegenerateEverySection(*hive);
    EXPECT_EQ(hive->Write(), kWineHive);
}

TEST(Hive, KeepsUnusualTextOfUntouchedKeys) {
    std::string text =
        "WINE REGISTRY Version 2\r\n"
        "; a comment\n"
        "\n"
        "[A] 5\n"
        "; inside\n"
        "\"x\"=\"1\"\n"
        "garbage line\n"
        "\"bad\"=hex:zz\n"
        "\n"
        "\n"
        "[B] 6\n"
        "\"y\"=dword:1";  // no newline at the end
    auto hive = Hive::FromText(text);
    ASSERT_EQ(hive->status(), Hive::Status::Loaded);
    EXPECT_EQ(hive->Write(), text);
    // A change to B regenerates B only; A keeps its lines.
    HiveKey* b = hive->root().FindSubkey(u"b");
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(hive->SetValue(*b, u"z", kRegDword, std::string("\1\0\0\0", 4), 0x1dd860499d9643cULL));
    std::string written = hive->Write();
    EXPECT_EQ(written.substr(0, text.find("[B]")), text.substr(0, text.find("[B]")));
    EXPECT_EQ(written.substr(written.find("[B]")),
              "[B] 1796618221\n#time=1dd860499d9643c\n\"y\"=dword:00000001\n\"z\"=dword:00000001\n");
}

TEST(Hive, ValuesReadOnFirstUseKeepSectionBoundsAndLineOrder) {
    // A hex value whose continuation line is not hex is kept verbatim with
    // that line, even when the line looks like a section header.
    const std::string text =
        "WINE REGISTRY Version 2\n\n"
        "[K] 1\n#x one\n\"bad\"=hex:00,\\\n[not a section\n\"v\"=hex:01,\\\n  02\ngarbage\n\n"
        "[L] 1\n\"w\"=\"1\"\n";
    auto hive = Hive::FromText(text);
    ASSERT_EQ(hive->root().subkeys.size(), 2u);
    HiveKey* k = hive->root().FindSubkey(u"k");
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(k->extraLines(),
              (std::vector<std::string_view>{"#x one", "\"bad\"=hex:00,\\\n[not a section", "garbage"}));
    ASSERT_EQ(k->values().size(), 1u);
    EXPECT_EQ(k->values()[0].data, std::string("\1\2", 2));
    EXPECT_EQ(hive->Write(), text);

    // A value set into a key whose lines were never read keeps the others.
    HiveKey* l = hive->root().FindSubkey(u"L");
    EXPECT_TRUE(hive->SetValue(*l, u"a", kRegDword, std::string("\1\0\0\0", 4), 0x1dd860499d9643cULL));
    std::string written = hive->Write();
    EXPECT_EQ(written.substr(written.find("[L]")),
              "[L] 1796618221\n#time=1dd860499d9643c\n\"a\"=dword:00000001\n\"w\"=\"1\"\n");
}

TEST(Hive, OneValueSetChangesOnlyThatSection) {
    auto hive = Hive::FromText(kWineHive);
    HiveKey* zeta = hive->root().FindSubkey(u"Software")->FindSubkey(u"ZETA");
    ASSERT_NE(zeta, nullptr);
    // Setting an identical value changes nothing.
    HiveKey* alpha = hive->root().FindSubkey(u"Software")->FindSubkey(u"Alpha");
    EXPECT_FALSE(hive->SetValue(*alpha, u"DW", kRegDword, std::string("\xd2\x04\0\0", 4), 1));
    EXPECT_FALSE(hive->changed());

    std::uint64_t t = 0x1dd86049aaaaaaaULL;
    EXPECT_TRUE(hive->SetValue(*zeta, u"New", kRegSz, Bytes(std::u16string(u"v\0", 2)), t));
    EXPECT_TRUE(hive->changed());
    std::string written = hive->Write();
    std::string before(kWineHive);
    std::size_t cut = before.find("[Software\\\\zeta]");
    EXPECT_EQ(written.substr(0, cut), before.substr(0, cut));
    EXPECT_EQ(written.substr(cut), "[Software\\\\zeta] 1796618222\n#time=1dd86049aaaaaaa\n\"New\"=\"v\"\n");
}

TEST(Hive, NewKeysGoInOrderAndParentsLoseEmptySections) {
    auto hive = Hive::FromText(kWineHive);
    HiveKey* zeta = hive->root().FindSubkey(u"Software")->FindSubkey(u"zeta");
    std::u16string cls = u"C";
    HiveKey* created = hive->CreateSubkey(*zeta, u"Child", &cls, 0x1dd86049aaaaaaaULL);
    ASSERT_NE(created, nullptr);
    HiveKey* beta = hive->CreateSubkey(*hive->root().FindSubkey(u"Software"), u"beta", nullptr, 0x1dd86049aaaaaaaULL);
    ASSERT_NE(beta, nullptr);
    std::string written = hive->Write();
    // zeta now has a subkey and no values: only the child's section remains.
    EXPECT_EQ(written.find("[Software\\\\zeta] "), std::string::npos);
    EXPECT_NE(written.find("\n[Software\\\\beta] 1796618222\n#time=1dd86049aaaaaaa\n\n[Software\\\\zeta\\\\Child] "
                           "1796618222\n#time=1dd86049aaaaaaa\n#class=\"C\"\n"),
              std::string::npos)
        << written;
    EXPECT_LT(written.find("[Software\\\\Alpha\\\\Sub"), written.find("[Software\\\\beta]"));
    EXPECT_EQ(written.back(), '\n');
    EXPECT_EQ(written.substr(written.size() - 2), "\"\n");
}

TEST(Hive, HexWrapsAtWinesColumn) {
    HiveValue v;
    v.name = u"LongName";
    v.type = 5;
    v.data.assign(40, '\x01');
    std::string out;
    AppendValueLine(out, v);
    std::size_t firstBreak = out.find("\\\n");
    ASSERT_NE(firstBreak, std::string::npos);
    // "LongName"=hex(5): is 18 columns; bytes go on while the count stays <= 76.
    EXPECT_EQ(firstBreak, 18u + 3 * 20);
    EXPECT_EQ(out.substr(firstBreak, 5), "\\\n  0");
    // Strings that are not zero-terminated are written as hex.
    v.type = kRegSz;
    v.data = std::string("a\0b", 3);
    out.clear();
    AppendValueLine(out, v);
    EXPECT_EQ(out, "\"LongName\"=hex(1):61,00,62\n");
}

TEST(Hive, RefusesOtherHeaders) {
    auto hive = Hive::FromText("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\x]\n\"a\"=\"b\"\n");
    EXPECT_EQ(hive->status(), Hive::Status::Refused);
    EXPECT_TRUE(hive->root().subkeys.empty());
    EXPECT_EQ(Hive::FromText("")->status(), Hive::Status::Refused);
    EXPECT_EQ(Hive::FromText("WINE REGISTRY Version 2\r\n")->status(), Hive::Status::Loaded);
}

TEST(Hive, UnorderedAndDuplicateSectionsMerge) {
    auto hive = Hive::FromText(
        "WINE REGISTRY Version 2\n\n[b] 1\n\"x\"=\"1\"\n\n[A] 1\n\"B\"=\"2\"\n\"a\"=\"1\"\n\n[B] 1\n\"X\"=\"3\"\n");
    const HiveKey& root = hive->root();
    ASSERT_EQ(root.subkeys.size(), 2u);
    EXPECT_EQ(root.subkeys[0]->name, u"A");
    EXPECT_EQ(root.subkeys[0]->values()[0].name, u"a");
    ASSERT_EQ(root.subkeys[1]->values().size(), 1u);
    EXPECT_EQ(root.subkeys[1]->values()[0].data, Bytes(std::u16string(u"3\0", 2)));
}

// Decoded values may be dropped and read again from the text; a changed
// key keeps them, since its text no longer says what it holds.
TEST(HiveRelease, ReleasedValuesComeBackFromTheTextAndChangesStay) {
    auto hive = Hive::FromText(kWineHive);
    HiveKey* alpha = hive->root().FindSubkey(u"Software")->FindSubkey(u"Alpha");
    ASSERT_NE(alpha, nullptr);
    std::vector<HiveValue> before = alpha->values();
    ASSERT_EQ(before.size(), 9u);
    alpha->ReleaseDecoded();
    const std::vector<HiveValue>& again = alpha->values();
    ASSERT_EQ(again.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(again[i].name, before[i].name);
        EXPECT_EQ(again[i].type, before[i].type);
        EXPECT_EQ(again[i].data, before[i].data);
    }
    ASSERT_TRUE(hive->SetValue(*alpha, u"Added", kRegDword, std::string("\x01\0\0\0", 4), 1));
    alpha->ReleaseDecoded();
    EXPECT_NE(alpha->FindValue(u"added"), nullptr);
    EXPECT_NE(hive->Write().find("\"Added\"=dword:00000001"), std::string::npos);
}

// A hive larger than one piece goes out in pieces of whole sections that
// join to the same text, changed sections and the gaps between them too.
TEST(HiveWriteTo, PiecesJoinToTheWholeText) {
    std::string text = "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win32\n";
    for (int i = 0; text.size() < 3u * 1024 * 1024; ++i) {
        char section[160];
        std::snprintf(section, sizeof section,
                      "\n[Software\\\\Big\\\\K%07d] 1796618213\n#time=1dd8604951a9966\n\"V\"=\"%0*d\"\n", i,
                      40 + i % 20, i);
        text += section;
        if (i % 1000 == 999) text += "\n";  // an odd gap now and then
    }
    auto hive = Hive::FromText(text);
    std::vector<std::string> pieces;
    ASSERT_TRUE(hive->WriteTo([&](std::string_view piece) {
        pieces.emplace_back(piece);
        return true;
    }));
    ASSERT_GE(pieces.size(), 3u);
    std::string joined;
    for (const std::string& piece : pieces) {
        EXPECT_EQ(piece.back(), '\n');
        joined += piece;
    }
    EXPECT_TRUE(joined == text);

    HiveKey* big = hive->root().FindSubkey(u"Software")->FindSubkey(u"Big");
    for (std::size_t i = 0; i < big->subkeys.size(); i += 997) {
        hive->SetValue(*big->subkeys[i], u"Extra", kRegDword, std::string("\x02\0\0\0", 4), 7);
    }
    joined.clear();
    int calls = 0;
    ASSERT_TRUE(hive->WriteTo([&](std::string_view piece) {
        joined += piece;
        ++calls;
        return true;
    }));
    EXPECT_GE(calls, 3);
    EXPECT_TRUE(joined == hive->Write());
    EXPECT_TRUE(Hive::FromText(joined)->Write() == joined);
    // A refused piece ends the writing.
    calls = 0;
    EXPECT_FALSE(hive->WriteTo([&](std::string_view) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace sl::platform::wine
