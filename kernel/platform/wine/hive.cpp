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

std::string UnitsToBytes(const std::u16string& units) {
    std::string out;
    out.resize(units.size() * 2);
    for (std::size_t i = 0; i < units.size(); ++i) {
        out[2 * i] = static_cast<char>(units[i] & 0xFF);
        out[2 * i + 1] = static_cast<char>(units[i] >> 8);
    }
    return out;
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
HiveKey* FindOrAddSubkey(HiveKey& parent, std::u16string_view name, std::uint64_t modified) {
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
    key->name.assign(name);
    key->parent = &parent;
    key->modified = modified;
    HiveKey* raw = key.get();
    subs.insert(subs.begin() + static_cast<std::ptrdiff_t>(index), std::move(key));
    return raw;
}

// Stores a parsed value in its place (a later line of the same name wins).
void PutValue(HiveKey& key, HiveValue value) {
    auto& values = key.values;
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

}  // namespace

HiveKey* HiveKey::FindSubkey(std::u16string_view subName) const {
    bool found = false;
    std::size_t index = FindSubkeyIndex(subkeys, subName, found);
    return found ? subkeys[index].get() : nullptr;
}

const HiveValue* HiveKey::FindValue(std::u16string_view valueName) const {
    bool found = false;
    int index = FindValueIndex(values, valueName, found);
    return found ? &values[index] : nullptr;
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

HiveKey* Hive::KeyForPath(const std::vector<std::u16string>& path) {
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
        key = FindOrAddSubkey(*key, path[i], 0);
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
        pos = end;
    }
    preambleEnd_ = pos;

    HiveKey* lastKey = nullptr;
    std::vector<std::u16string> path;
    std::u16string pathText;
    while (pos < n) {
        // pos is at a '[' line.
        std::size_t sectionBegin = pos;
        std::size_t end = lineEndAt(pos);
        std::string_view header = Trimmed(t.substr(pos, end - pos));
        pathText.clear();
        std::size_t after = ParseEscaped(header, 1, ']', pathText);
        std::uint64_t modified = 0;
        HiveKey* key = nullptr;
        if (after != std::string_view::npos) {
            path.clear();
            std::size_t start = 0;
            for (std::size_t i = 0; i <= pathText.size(); ++i) {
                if (i == pathText.size() || pathText[i] == u'\\') {
                    if (i > start) path.emplace_back(pathText.substr(start, i - start));
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
        if (key) {
            if (key->hasRaw) key->regenerate = true;  // a second section for one key
            key->modified = modified;
        }

        std::size_t bodyEnd = pos;
        while (pos < n && t[pos] != '[') {
            std::size_t lineStart = pos;
            end = lineEndAt(pos);
            std::string_view line = Trimmed(t.substr(pos, end - pos));
            pos = end;
            if (IsBlank(line)) continue;
            bodyEnd = end;
            if (!key) continue;
            char c = line[0];
            if (c == '#') {
                if (StartsWith(line, "#time=")) {
                    std::uint64_t v = 0;
                    for (std::size_t i = 6; i < line.size() && IsHexDigit(line[i]); ++i) {
                        v = (v << 4) | HexDigit(line[i]);
                    }
                    key->modified = v;
                } else if (StartsWith(line, "#class=\"")) {
                    std::u16string cls;
                    if (ParseEscaped(line, 8, '"', cls) != std::string_view::npos) {
                        key->keyClass = std::move(cls);
                    } else {
                        key->extraLines.emplace_back(line);
                    }
                } else if (StartsWith(line, "#link")) {
                    key->link = true;
                } else {
                    key->extraLines.emplace_back(line);
                }
                continue;
            }
            if (c != '@' && c != '"') {
                key->extraLines.emplace_back(line);
                continue;
            }
            // A value line.
            HiveValue value;
            std::size_t p = 1;
            bool bad = false;
            if (c == '"') {
                p = ParseEscaped(line, 1, '"', value.name);
                if (p == std::string_view::npos) bad = true;
            }
            if (!bad) {
                while (p < line.size() && IsSpace(line[p])) ++p;
                if (p >= line.size() || line[p] != '=') bad = true;
                ++p;
                while (p < line.size() && IsSpace(line[p])) ++p;
            }
            std::string_view rest = bad ? std::string_view() : line.substr(p);
            bool isString = false;
            std::size_t strStart = 0;
            bool isHex = false;
            if (bad) {
            } else if (StartsWith(rest, "\"")) {
                value.type = kRegSz, isString = true, strStart = 1;
            } else if (StartsWith(rest, "str:\"")) {
                value.type = kRegSz, isString = true, strStart = 5;
            } else if (StartsWith(rest, "str(2):\"")) {
                value.type = kRegExpandSz, isString = true, strStart = 8;
            } else if (StartsWith(rest, "str(7):\"")) {
                value.type = kRegMultiSz, isString = true, strStart = 8;
            } else if (StartsWith(rest, "dword:")) {
                std::uint32_t v = 0;
                std::size_t i = 6;
                for (; i < rest.size() && i < 14 && IsHexDigit(rest[i]); ++i) v = (v << 4) | HexDigit(rest[i]);
                if (i == 6) bad = true;
                value.type = kRegDword;
                for (int k = 0; k < 4; ++k) value.data.push_back(static_cast<char>((v >> (8 * k)) & 0xFF));
            } else if (StartsWith(rest, "hex:")) {
                value.type = kRegBinary, isHex = true, strStart = 4;
            } else if (StartsWith(rest, "hex(")) {
                std::size_t i = 4;
                DWORD type = 0;
                for (; i < rest.size() && IsHexDigit(rest[i]); ++i) type = (type << 4) | HexDigit(rest[i]);
                if (i == 4 || i + 1 >= rest.size() || rest[i] != ')' || rest[i + 1] != ':') {
                    bad = true;
                } else {
                    value.type = type, isHex = true, strStart = i + 2;
                }
            } else {
                bad = true;
            }
            if (!bad && isString) {
                std::u16string units;
                if (ParseEscaped(rest, strStart, '"', units) == std::string_view::npos) {
                    bad = true;
                } else {
                    units.push_back(0);
                    value.data = UnitsToBytes(units);
                }
            }
            if (!bad && isHex) {
                std::string_view cur = rest;
                std::size_t hp = strStart;
                for (;;) {
                    hp = ParseHexBytes(cur, hp, value.data, bad);
                    if (bad || hp >= cur.size()) break;
                    if (cur[hp] != '\\' || pos >= n) {
                        bad = true;
                        break;
                    }
                    // Continuation line.
                    end = lineEndAt(pos);
                    cur = Trimmed(t.substr(pos, end - pos));
                    pos = end;
                    bodyEnd = end;
                    hp = 0;
                    while (hp < cur.size() && IsSpace(cur[hp])) ++hp;
                }
            }
            if (bad) {
                // Keep what could not be read as it stood, continuation lines included.
                key->extraLines.emplace_back(t.substr(lineStart, bodyEnd - lineStart));
                std::string& kept = key->extraLines.back();
                while (!kept.empty() && (kept.back() == '\n' || kept.back() == '\r')) kept.pop_back();
                continue;
            }
            PutValue(*key, std::move(value));
        }
        hadSections_ = true;
        if (key && !key->hasRaw) {
            key->hasRaw = true;
            key->regenerate = false;
            key->rawBegin = sectionBegin;
            key->rawEnd = bodyEnd;
            key->gapBegin = bodyEnd;
            key->gapEnd = pos;
        }
        trailingGapBegin_ = bodyEnd;
        trailingGapEnd_ = pos;
        lastKey = key;
    }
    (void)lastKey;
    lastPath_.clear();
    lastPath_.shrink_to_fit();
}

HiveKey* Hive::CreateSubkey(HiveKey& parent, std::u16string_view name,
                            const std::u16string* keyClass, std::uint64_t now) {
    bool found = false;
    std::size_t index = FindSubkeyIndex(parent.subkeys, name, found);
    if (found) return parent.subkeys[index].get();
    auto key = std::make_unique<HiveKey>();
    key->name.assign(name);
    key->parent = &parent;
    key->modified = now;
    if (keyClass && !keyClass->empty()) key->keyClass = *keyClass;
    HiveKey* raw = key.get();
    parent.subkeys.insert(parent.subkeys.begin() + static_cast<std::ptrdiff_t>(index), std::move(key));
    parent.modified = now;
    parent.regenerate = true;
    changed_ = true;
    return raw;
}

bool Hive::SetValue(HiveKey& key, std::u16string_view name, DWORD type, std::string data,
                    std::uint64_t now) {
    bool found = false;
    int index = FindValueIndex(key.values, name, found);
    if (found) {
        HiveValue& v = key.values[index];
        if (v.type == type && v.data == data) return false;
        v.type = type;
        v.data = std::move(data);
    } else {
        HiveValue v;
        v.name.assign(name);
        v.type = type;
        v.data = std::move(data);
        key.values.insert(key.values.begin() + index, std::move(v));
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
