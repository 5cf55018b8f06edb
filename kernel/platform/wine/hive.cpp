#include "kernel/platform/wine/hive.h"

#include <algorithm>
#include <chrono>

#include "kernel/platform/wine/hive_escape.h"
#include "kernel/platform/wine/hive_names.h"

namespace sl::platform::wine {
namespace {

constexpr std::uint64_t kTicksPerSecond = 10000000ULL;
constexpr std::uint64_t kTicks1601To1970 = 116444736000000000ULL;

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

int FindValueIndex(const std::vector<HiveValue>& values, std::u16string_view name, bool& found) {
    auto it = std::lower_bound(values.begin(), values.end(), name,
                               [](const HiveValue& v, std::u16string_view n) {
                                   return CompareNames(v.name, n) < 0;
                               });
    found = it != values.end() && NamesEqual(it->name, name);
    return static_cast<int>(it - values.begin());
}

std::size_t FindSubkeyIndex(const std::vector<std::unique_ptr<HiveKey>>& subkeys,
                            std::u16string_view name, bool& found) {
    auto it = std::lower_bound(subkeys.begin(), subkeys.end(), name,
                               [](const std::unique_ptr<HiveKey>& k, std::u16string_view n) {
                                   return CompareNames(k->name, n) < 0;
                               });
    found = it != subkeys.end() && NamesEqual((*it)->name, name);
    return static_cast<std::size_t>(it - subkeys.begin());
}

// Subkey name below parent, appended at once when the input is in order.
HiveKey* FindOrAddSubkey(HiveKey& parent, std::u16string_view name, HiveStrings& strings) {
    auto& subs = parent.subkeys;
    std::size_t index = subs.size();
    if (!subs.empty()) {
        int c = CompareNames(subs.back()->name, name);
        if (c == 0 && subs.back()->name.size() == name.size()) return subs.back().get();
        if (c >= 0) {
            bool found = false;
            index = FindSubkeyIndex(subs, name, found);
            if (found) return subs[index].get();
        }
    }
    auto key = std::make_unique<HiveKey>();
    key->name = strings.Keep(name);
    key->parent = &parent;
    HiveKey* raw = key.get();
    subs.insert(subs.begin() + static_cast<std::ptrdiff_t>(index), std::move(key));
    return raw;
}

// Stores a parsed value in its place (a later line of the same name wins).
void PutValue(std::vector<HiveValue>& values, HiveValue value) {
    if (values.empty() || CompareNames(values.back().name, value.name) < 0) {
        values.push_back(std::move(value));
        return;
    }
    bool found = false;
    int index = FindValueIndex(values, value.name, found);
    if (found) {
        values[index] = std::move(value);
    } else {
        values.insert(values.begin() + index, std::move(value));
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

}  // namespace

HiveKey* HiveKey::FindSubkey(std::u16string_view subName) const {
    bool found = false;
    std::size_t index = FindSubkeyIndex(subkeys, subName, found);
    return found ? subkeys[index].get() : nullptr;
}

const HiveValue* HiveKey::FindValue(std::u16string_view valueName) const {
    const std::vector<HiveValue>& all = values();
    bool found = false;
    int index = FindValueIndex(all, valueName, found);
    return found ? &all[index] : nullptr;
}

const std::vector<HiveValue>& HiveKey::values() const {
    static const std::vector<HiveValue> kNone;
    DecodePending();
    return decoded_ ? decoded_->values : kNone;
}

const std::vector<std::string_view>& HiveKey::extraLines() const {
    static const std::vector<std::string_view> kNone;
    DecodePending();
    return decoded_ ? decoded_->extraLines : kNone;
}

HiveKey::Decoded& HiveKey::decoded() const {
    if (!decoded_) decoded_ = std::make_unique<Decoded>();
    return *decoded_;
}

void HiveKey::DecodePending() const {
    if (!pending_) return;
    pending_ = false;
    std::size_t headerEnd = raw.find('\n');
    if (headerEnd != std::string_view::npos) DecodeLines(raw.substr(headerEnd + 1));
}

void HiveKey::DecodeLines(std::string_view t) const {
    std::u16string units;
    std::size_t pos = 0;
    while (pos < t.size()) {
        std::size_t lineStart = pos;
        std::size_t end = t.find('\n', pos);
        end = end == std::string_view::npos ? t.size() : end + 1;
        std::string_view line = Trimmed(t.substr(pos, end - pos));
        pos = end;
        if (IsBlank(line)) continue;
        if (line[0] == '#') {
            // Options were applied when the section was read.
            if (!ReadOption(line, nullptr, nullptr, units)) decoded().extraLines.push_back(line);
            continue;
        }
        if (!IsValueLine(line)) {
            decoded().extraLines.push_back(line);
            continue;
        }
        HiveValue value;
        if (ReadValue(t, line, pos, value, units)) {
            PutValue(decoded().values, std::move(value));
            continue;
        }
        // Keep what could not be read as it stood, continuation lines included.
        std::string_view kept = t.substr(lineStart, pos - lineStart);
        while (!kept.empty() && (kept.back() == '\n' || kept.back() == '\r')) kept.remove_suffix(1);
        decoded().extraLines.push_back(kept);
    }
}

Hive::Hive() : root_(std::make_unique<HiveKey>()) {}

std::unique_ptr<Hive> Hive::MissingFile() {
    std::unique_ptr<Hive> hive(new Hive());
    hive->status_ = Status::Missing;
    return hive;
}

std::unique_ptr<Hive> Hive::FromText(std::string text) {
    std::unique_ptr<Hive> hive(new Hive());
    hive->text_ = std::move(text);
    std::string_view t = hive->text_;
    std::size_t eol = t.find('\n');
    std::string_view first = Trimmed(t.substr(0, eol == std::string_view::npos ? t.size() : eol + 1));
    if (first != kHiveHeader) {
        hive->status_ = Status::Refused;
        hive->text_.clear();
        return hive;
    }
    hive->Parse();
    return hive;
}

HiveKey* Hive::KeyForPath(const std::vector<std::u16string_view>& path) {
    // Sections come in Wine's order, so most of the path is shared with the
    // previous one: start where the two part.
    std::size_t common = 0;
    while (common < path.size() && common < lastPath_.size() &&
           lastPath_[common]->name == path[common]) {
        ++common;
    }
    lastPath_.resize(common);
    HiveKey* key = common ? lastPath_.back() : root_.get();
    for (std::size_t i = common; i < path.size(); ++i) {
        key = FindOrAddSubkey(*key, path[i], strings_);
        lastPath_.push_back(key);
    }
    return key;
}

void Hive::Parse() {
    std::string_view t = text_;
    const std::size_t n = t.size();
    auto lineEndAt = [&](std::size_t pos) {
        std::size_t e = t.find('\n', pos);
        return e == std::string_view::npos ? n : e + 1;
    };

    // Preamble: everything before the first section.
    std::size_t pos = 0;
    while (pos < n && t[pos] != '[') {
        std::size_t end = lineEndAt(pos);
        std::string_view line = Trimmed(t.substr(pos, end - pos));
        static constexpr std::string_view kRelative = ";; All keys relative to ";
        if (StartsWith(line, kRelative) && relativeTo_.empty()) {
            std::string path(line.substr(kRelative.size()));
            path.push_back('\n');
            ParseEscaped(path, 0, '\n', relativeTo_);
        }
        static constexpr std::string_view kArch = "#arch=";
        if (StartsWith(line, kArch) && arch_.empty()) arch_ = std::string(line.substr(kArch.size()));
        pos = end;
    }
    preambleEnd_ = pos;

    // Sections: the key path and options are read now; values and other
    // lines wait in the key's raw section until first asked for
    // (HiveKey::DecodePending).
    std::vector<std::u16string_view> path;
    std::u16string pathText;
    std::u16string scratchUnits;
    HiveValue scratchValue;
    while (pos < n) {
        // pos is at a '[' line.
        std::size_t sectionBegin = pos;
        std::size_t end = lineEndAt(pos);
        std::string_view header = Trimmed(t.substr(pos, end - pos));
        pathText.clear();
        std::size_t after = ParseEscaped(header, 1, ']', pathText);
        HiveKey* key = nullptr;
        std::uint64_t modified = 0;
        if (after != std::string_view::npos) {
            path.clear();
            std::u16string_view all = pathText;
            std::size_t start = 0;
            for (std::size_t i = 0; i <= all.size(); ++i) {
                if (i == all.size() || all[i] == u'\\') {
                    if (i > start) path.push_back(all.substr(start, i - start));
                    start = i + 1;
                }
            }
            while (after < header.size() && IsSpace(header[after])) ++after;
            std::uint64_t seconds = 0;
            while (after < header.size() && header[after] >= '0' && header[after] <= '9') {
                seconds = seconds * 10 + static_cast<unsigned>(header[after++] - '0');
            }
            modified = seconds * kTicksPerSecond + kTicks1601To1970;
            key = KeyForPath(path);
        }
        pos = end;
        const std::size_t bodyBegin = pos;
        if (key) {
            if (key->hasRaw) key->regenerate = true;  // a second section for one key
            key->modified = modified;
        }

        std::size_t bodyEnd = pos;
        while (pos < n && t[pos] != '[') {
            end = lineEndAt(pos);
            std::string_view line = Trimmed(t.substr(pos, end - pos));
            pos = end;
            if (IsBlank(line)) continue;
            bodyEnd = end;
            if (!key) continue;
            if (line[0] == '#') {
                ReadOption(line, key, &strings_, scratchUnits);
            } else if (IsValueLine(line) && MayContinue(line)) {
                // Read it to learn which lines it takes.
                scratchValue.name.clear();
                scratchValue.data.clear();
                ReadValue(t, line, pos, scratchValue, scratchUnits);
                bodyEnd = pos;
            }
        }
        hadSections_ = true;
        if (key && !key->hasRaw) {
            key->hasRaw = true;
            key->regenerate = false;
            key->raw = t.substr(sectionBegin, bodyEnd - sectionBegin);
            key->gapLength = pos - bodyEnd;
            key->pending_ = true;
        } else if (key) {
            // A later section of the key adds its lines to the earlier ones'.
            key->DecodePending();
            key->DecodeLines(t.substr(bodyBegin, bodyEnd - bodyBegin));
        }
        trailingGapBegin_ = bodyEnd;
        trailingGapEnd_ = pos;
    }
    lastPath_.clear();
    lastPath_.shrink_to_fit();
}

HiveKey* Hive::CreateSubkey(HiveKey& parent, std::u16string_view name,
                            const std::u16string* keyClass, std::uint64_t now) {
    bool found = false;
    std::size_t index = FindSubkeyIndex(parent.subkeys, name, found);
    if (found) return parent.subkeys[index].get();
    auto key = std::make_unique<HiveKey>();
    key->name = strings_.Keep(name);
    key->parent = &parent;
    key->modified = now;
    if (keyClass && !keyClass->empty()) key->keyClass = strings_.Keep(*keyClass);
    HiveKey* raw = key.get();
    parent.subkeys.insert(parent.subkeys.begin() + static_cast<std::ptrdiff_t>(index), std::move(key));
    parent.modified = now;
    parent.regenerate = true;
    changed_ = true;
    return raw;
}

bool Hive::SetValue(HiveKey& key, std::u16string_view name, DWORD type, std::string data,
                    std::uint64_t now) {
    key.DecodePending();
    std::vector<HiveValue>& values = key.decoded().values;
    bool found = false;
    int index = FindValueIndex(values, name, found);
    if (found) {
        HiveValue& v = values[index];
        if (v.type == type && v.data == data) return false;
        v.type = type;
        v.data = std::move(data);
    } else {
        HiveValue v;
        v.name.assign(name);
        v.type = type;
        v.data = std::move(data);
        values.insert(values.begin() + index, std::move(v));
    }
    key.modified = now;
    key.regenerate = true;
    changed_ = true;
    return true;
}

std::uint64_t CurrentFileTime() {
    auto since = std::chrono::system_clock::now().time_since_epoch();
    auto ticks = std::chrono::duration_cast<std::chrono::nanoseconds>(since).count() / 100;
    return static_cast<std::uint64_t>(ticks) + kTicks1601To1970;
}

}  // namespace sl::platform::wine
