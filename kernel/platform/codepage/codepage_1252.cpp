#include "kernel/platform/codepage/codepage_1252.h"

#include <array>
#include <string_view>

namespace sl::platform::codepage {
namespace {

// Code page 1252 positions 0x80..0x9F; the rest equal their Latin-1 value.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

}  // namespace

char16_t ByteToUnicode(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0) return kHigh[byte - 0x80];
    return byte;
}

char UnicodeToByte(char32_t character) {
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
        return static_cast<char>(character);
    }
    for (std::size_t i = 0; i < kHigh.size(); ++i) {
        if (kHigh[i] == character) return static_cast<char>(0x80 + i);
    }
    return '?';
}

std::u16string AnsiToUtf16(std::string_view ansi) {
    std::u16string out;
    out.reserve(ansi.size());
    for (char c : ansi) out.push_back(ByteToUnicode(static_cast<unsigned char>(c)));
    return out;
}

std::string Utf16ToAnsi(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t u : text) out.push_back(UnicodeToByte(u));
    return out;
}

std::string Utf16BytesToAnsi(const std::uint8_t* data, std::size_t size) {
    std::string out;
    out.reserve(size / 2);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        out.push_back(UnicodeToByte(static_cast<char16_t>(data[i] | (data[i + 1] << 8))));
    }
    return out;
}

std::string AnsiToUtf16Bytes(const std::uint8_t* data, std::size_t size) {
    std::string out;
    out.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        char16_t u = ByteToUnicode(data[i]);
        out.push_back(static_cast<char>(u & 0xFF));
        out.push_back(static_cast<char>(u >> 8));
    }
    return out;
}

std::string AnsiToUtf8(const std::string& ansi) {
    std::size_t ascii = 0;
    while (ascii < ansi.size() && static_cast<unsigned char>(ansi[ascii]) < 0x80) ++ascii;
    if (ascii == ansi.size()) return ansi;
    std::string out;
    out.reserve(ansi.size() + 8);
    out.assign(ansi, 0, ascii);
    for (char c : std::string_view(ansi).substr(ascii)) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x80) {
            out.push_back(c);
        } else {
            AppendUtf8(out, ByteToUnicode(u));
        }
    }
    return out;
}

std::string Utf8ToAnsi(const std::string& utf8) {
    // An ASCII head is the same in both; most names are ASCII throughout.
    std::size_t i = 0;
    while (i < utf8.size() && static_cast<unsigned char>(utf8[i]) < 0x80) ++i;
    if (i == utf8.size()) return utf8;
    std::string out;
    out.reserve(utf8.size());
    out.assign(utf8, 0, i);
    while (i < utf8.size()) {
        unsigned char u = static_cast<unsigned char>(utf8[i]);
        if (u < 0x80) {
            out.push_back(static_cast<char>(u));
            ++i;
            continue;
        }
        int extra = (u & 0xE0) == 0xC0 ? 1 : (u & 0xF0) == 0xE0 ? 2 : (u & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0 || i + static_cast<std::size_t>(extra) >= utf8.size()) {
            out.push_back('?');
            ++i;
            continue;
        }
        std::uint32_t cp = u & (0x3F >> extra);
        bool valid = true;
        for (int k = 1; k <= extra; ++k) {
            unsigned char next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            cp = (cp << 6) | (next & 0x3F);
        }
        if (!valid) {
            out.push_back('?');
            ++i;
            continue;
        }
        out.push_back(UnicodeToByte(cp));
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

}  // namespace sl::platform::codepage
