#include "kernel/platform/wine/text/hive_lines.h"

#include "kernel/platform/wine/text/hive_escape.h"

namespace sl::platform::wine::hive_text {
namespace {

// Reads "xx,xx,..." from line at pos into data; returns the position where
// reading stopped.
std::size_t ParseHexBytes(std::string_view line, std::size_t pos, std::string& data, bool& bad) {
    while (pos < line.size() && IsHexDigit(line[pos])) {
        unsigned v = 0;
        std::size_t digits = 0;
        while (pos < line.size() && IsHexDigit(line[pos])) {
            v = v * 16 + HexDigit(line[pos++]);
            if (++digits > 2) {
                bad = true;
                return pos;
            }
        }
        data.push_back(static_cast<char>(v));
        while (pos < line.size() && IsSpace(line[pos])) ++pos;
        if (pos < line.size() && line[pos] == ',') ++pos;
        while (pos < line.size() && IsSpace(line[pos])) ++pos;
    }
    return pos;
}

}  // namespace

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

unsigned HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

// A line without its end ("\n" or "\r\n").
std::string_view Trimmed(std::string_view line) {
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

bool IsBlank(std::string_view line) {
    for (char c : line) {
        if (!IsSpace(c)) return false;
    }
    return true;
}

// Stores units as UTF-16LE bytes in out, replacing what it held.
void UnitsToBytes(std::u16string_view units, std::string& out) {
    out.resize(units.size() * 2);
    for (std::size_t i = 0; i < units.size(); ++i) {
        out[2 * i] = static_cast<char>(units[i] & 0xFF);
        out[2 * i + 1] = static_cast<char>(units[i] >> 8);
    }
}


// A value line: "@=" for the default value, or a quoted name.
bool IsValueLine(std::string_view line) { return line[0] == '@' || line[0] == '"'; }

// Whether line is an option line this code understands ("#time=", a
// readable "#class=", "#link"); when key is given, the option is applied to
// it (a class kept in strings).
bool ReadOption(std::string_view line, HiveKey* key, HiveStrings* strings, std::u16string& scratch) {
    if (StartsWith(line, "#time=")) {
        std::uint64_t v = 0;
        for (std::size_t i = 6; i < line.size() && IsHexDigit(line[i]); ++i) v = (v << 4) | HexDigit(line[i]);
        if (key) key->modified = v;
        return true;
    }
    if (StartsWith(line, "#class=\"")) {
        scratch.clear();
        if (ParseEscaped(line, 8, '"', scratch) == std::string_view::npos) return false;
        if (key) key->keyClass = strings->Keep(scratch);
        return true;
    }
    if (StartsWith(line, "#link")) {
        if (key) key->link = true;
        return true;
    }
    return false;
}

// Reads the value line `line` of text t into value (whose name and data are
// empty). pos is where the next line starts; a hex value may go on over
// continuation lines, and pos then moves past them. False when the value
// cannot be read.
bool ReadValue(std::string_view t, std::string_view line, std::size_t& pos, HiveValue& value,
               std::u16string& units) {
    std::size_t p = 1;
    if (line[0] == '"') {
        p = ParseEscaped(line, 1, '"', value.name);
        if (p == std::string_view::npos) return false;
    }
    while (p < line.size() && IsSpace(line[p])) ++p;
    if (p >= line.size() || line[p] != '=') return false;
    ++p;
    while (p < line.size() && IsSpace(line[p])) ++p;
    std::string_view rest = line.substr(p);

    std::size_t start = 0;
    if (StartsWith(rest, "\"")) {
        value.type = kRegSz, start = 1;
    } else if (StartsWith(rest, "str:\"")) {
        value.type = kRegSz, start = 5;
    } else if (StartsWith(rest, "str(2):\"")) {
        value.type = kRegExpandSz, start = 8;
    } else if (StartsWith(rest, "str(7):\"")) {
        value.type = kRegMultiSz, start = 8;
    } else if (StartsWith(rest, "dword:")) {
        std::uint32_t v = 0;
        std::size_t i = 6;
        for (; i < rest.size() && i < 14 && IsHexDigit(rest[i]); ++i) v = (v << 4) | HexDigit(rest[i]);
        if (i == 6) return false;
        value.type = kRegDword;
        for (int k = 0; k < 4; ++k) value.data.push_back(static_cast<char>((v >> (8 * k)) & 0xFF));
        return true;
    } else {
        // hex: or hex(N):, the bytes possibly going on over continuation lines.
        if (StartsWith(rest, "hex:")) {
            value.type = kRegBinary, start = 4;
        } else if (StartsWith(rest, "hex(")) {
            std::size_t i = 4;
            DWORD type = 0;
            for (; i < rest.size() && IsHexDigit(rest[i]); ++i) type = (type << 4) | HexDigit(rest[i]);
            if (i == 4 || i + 1 >= rest.size() || rest[i] != ')' || rest[i + 1] != ':') return false;
            value.type = type, start = i + 2;
        } else {
            return false;
        }
        bool bad = false;
        std::string_view cur = rest;
        std::size_t hp = start;
        for (;;) {
            hp = ParseHexBytes(cur, hp, value.data, bad);
            if (bad) return false;
            if (hp >= cur.size()) return true;
            if (cur[hp] != '\\' || pos >= t.size()) return false;
            // Continuation line. A blank one is not taken: the value ends
            // unreadable there, so that it reads the same however many blank
            // lines a writer puts after it.
            std::size_t end = t.find('\n', pos);
            end = end == std::string_view::npos ? t.size() : end + 1;
            std::string_view next = Trimmed(t.substr(pos, end - pos));
            if (IsBlank(next)) return false;
            cur = next;
            pos = end;
            hp = 0;
            while (hp < cur.size() && IsSpace(cur[hp])) ++hp;
        }
    }
    // A string in quotes.
    units.clear();
    if (ParseEscaped(rest, start, '"', units) == std::string_view::npos) return false;
    units.push_back(0);
    UnitsToBytes(units, value.data);
    return true;
}

// Only a hex value goes on over continuation lines, and only where its line
// holds a backslash: the cheap test loading uses to find where a section ends
// without reading every value.
bool MayContinue(std::string_view valueLine) {
    return valueLine.find('\\') != std::string_view::npos && valueLine.find("hex") != std::string_view::npos;
}
}  // namespace sl::platform::wine::hive_text
