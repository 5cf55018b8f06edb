#include "kernel/platform/wine/text/hive_escape.h"

namespace sl::platform::wine {
namespace {

bool IsHex(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}

const char kHexDigits[] = "0123456789abcdef";

// Letters for the control characters that have a C escape ('.' for none).
const char kControlEscapes[33] = ".......abtnvfr.............e....";

void AppendHex(std::string& out, unsigned value, int minDigits) {
    char buf[8];
    int n = 0;
    do {
        buf[n++] = kHexDigits[value & 0xF];
        value >>= 4;
    } while (value);
    while (n < minDigits) buf[n++] = '0';
    while (n) out.push_back(buf[--n]);
}

}  // namespace

std::size_t AppendEscaped(std::string& out, std::u16string_view text, char q1, char q2,
                          bool dropFinalZero) {
    std::size_t start = out.size();
    std::size_t len = text.size();
    for (std::size_t i = 0; i < len; ++i) {
        char16_t c = text[i];
        bool hasNext = i + 1 < len;
        if (c > 127) {
            out += "\\x";
            AppendHex(out, c, (hasNext && text[i + 1] < 128 && IsHex(text[i + 1])) ? 4 : 1);
            continue;
        }
        if (c < 32) {
            if (c == 0 && !hasNext && dropFinalZero) continue;
            out.push_back('\\');
            if (kControlEscapes[c] != '.') {
                out.push_back(kControlEscapes[c]);
            } else if (hasNext && text[i + 1] >= u'0' && text[i + 1] <= u'7') {
                out.push_back(static_cast<char>('0' + ((c >> 6) & 7)));
                out.push_back(static_cast<char>('0' + ((c >> 3) & 7)));
                out.push_back(static_cast<char>('0' + (c & 7)));
            } else {
                if (c >= 8) out.push_back(static_cast<char>('0' + (c >> 3)));
                out.push_back(static_cast<char>('0' + (c & 7)));
            }
            continue;
        }
        if (c == u'\\' || c == static_cast<unsigned char>(q1) || c == static_cast<unsigned char>(q2)) {
            out.push_back('\\');
        }
        out.push_back(static_cast<char>(c));
    }
    return out.size() - start;
}

namespace {

// Reads the escape after a backslash (src[pos] is its first character) and
// returns where the text goes on.
std::size_t ReadEscape(std::string_view src, std::size_t pos, std::u16string& out) {
    const std::size_t n = src.size();
    char e = src[pos];
    switch (e) {
        case 'a': out.push_back(u'\a'); return pos + 1;
        case 'b': out.push_back(u'\b'); return pos + 1;
        case 'e': out.push_back(0x1B); return pos + 1;
        case 'f': out.push_back(u'\f'); return pos + 1;
        case 'n': out.push_back(u'\n'); return pos + 1;
        case 'r': out.push_back(u'\r'); return pos + 1;
        case 't': out.push_back(u'\t'); return pos + 1;
        case 'v': out.push_back(u'\v'); return pos + 1;
        case 'x': {
            ++pos;
            if (pos >= n || !IsHex(static_cast<unsigned char>(src[pos]))) {
                out.push_back(u'x');
                return pos;
            }
            unsigned v = 0;
            for (int k = 0; k < 4 && pos < n && IsHex(static_cast<unsigned char>(src[pos])); ++k) {
                v = v * 16 + HexValue(src[pos++]);
            }
            out.push_back(static_cast<char16_t>(v));
            return pos;
        }
        case '0': case '1': case '2': case '3':
        case '4': case '5': case '6': case '7': {
            unsigned v = 0;
            for (int k = 0; k < 3 && pos < n && src[pos] >= '0' && src[pos] <= '7'; ++k) {
                v = v * 8 + (src[pos++] - '0');
            }
            out.push_back(static_cast<char16_t>(v));
            return pos;
        }
        default: {
            unsigned char raw = static_cast<unsigned char>(e);
            if (raw < 0x80) {
                out.push_back(raw);
                return pos + 1;
            }
            // A backslash before a UTF-8 sequence: the sequence is read next.
            return pos;
        }
    }
}

// Reads the UTF-8 sequence starting at src[pos] (a byte above 127) and
// returns where the text goes on; an invalid byte is skipped.
std::size_t ReadUtf8(std::string_view src, std::size_t pos, std::u16string& out) {
    const std::size_t n = src.size();
    unsigned char c = static_cast<unsigned char>(src[pos]);
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
    if (extra < 0 || c >= 0xF8 || pos + extra >= n) return pos + 1;
    unsigned v = c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        unsigned char t = static_cast<unsigned char>(src[pos + k]);
        if ((t & 0xC0) != 0x80) return pos + 1;
        v = (v << 6) | (t & 0x3F);
    }
    static const unsigned kMin[4] = {0, 0x80, 0x800, 0x10000};
    if (v < kMin[extra] || v > 0x10FFFF) return pos + 1;
    if (v <= 0xFFFF) {
        out.push_back(static_cast<char16_t>(v));
    } else {
        v -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 | (v >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 | (v & 0x3FF)));
    }
    return pos + extra + 1;
}

}  // namespace

std::size_t ParseEscaped(std::string_view src, std::size_t pos, char endChar, std::u16string& out) {
    const std::size_t n = src.size();
    while (pos < n) {
        unsigned char c = static_cast<unsigned char>(src[pos]);
        if (c == static_cast<unsigned char>(endChar)) return pos + 1;
        if (c == '\\') {
            if (++pos >= n) return std::string_view::npos;
            pos = ReadEscape(src, pos, out);
        } else if (c < 0x80) {
            out.push_back(c);
            ++pos;
        } else {
            pos = ReadUtf8(src, pos, out);
        }
    }
    return std::string_view::npos;
}

}  // namespace sl::platform::wine
