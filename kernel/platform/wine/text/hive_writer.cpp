// Hive::Write and the value-line format, as Wine's own registry saver writes them.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "kernel/platform/wine/text/hive.h"
#include "kernel/platform/wine/text/hive_escape.h"

namespace sl::platform::wine {
namespace {

constexpr std::int64_t kTicksPerSecond = 10000000;
constexpr std::int64_t kTicks1601To1970 = 116444736000000000LL;

const char kHex[] = "0123456789abcdef";

std::u16string BytesToUnits(const std::string& data) {
    std::u16string units(data.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>(static_cast<unsigned char>(data[2 * i]) |
                                         (static_cast<unsigned char>(data[2 * i + 1]) << 8));
    }
    return units;
}

bool IsStringType(DWORD type) { return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz; }

// The key's names from below the hive's root (which has an empty path) down
// to the key, joined as Wine joins them; a walk up, not a recursion, so a
// key of any depth is written.
void AppendPath(std::string& out, const HiveKey& key) {
    std::vector<const HiveKey*> chain;
    for (const HiveKey* k = &key; k->parent != nullptr; k = k->parent) chain.push_back(k);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (it != chain.rbegin()) out += "\\\\";
        AppendEscaped(out, (*it)->name, '[', ']');
    }
}

// Whether Wine writes a section for the key: one with values, without
// subkeys, with a class or a link; other keys appear only in their subkeys' paths.
bool NeedsSection(const HiveKey& key) {
    return !key.values().empty() || key.subkeys.empty() || key.keyClass || key.link;
}

void AppendSection(std::string& out, const HiveKey& key) {
    char buf[64];
    out.push_back('[');
    AppendPath(out, key);
    auto modif = static_cast<std::int64_t>(key.modified);
    std::snprintf(buf, sizeof buf, "] %u\n#time=%x%08x\n",
                  static_cast<unsigned>((modif - kTicks1601To1970) / kTicksPerSecond),
                  static_cast<unsigned>(key.modified >> 32), static_cast<unsigned>(key.modified));
    out += buf;
    if (key.keyClass) {
        out += "#class=\"";
        AppendEscaped(out, *key.keyClass, '"', '"');
        out += "\"\n";
    }
    if (key.link) out += "#link\n";
    for (std::string_view line : key.extraLines()) {
        out += line;
        out.push_back('\n');
        // A kept line with a backslash may ask for a continuation (a hex
        // value reads on after any backslash) and would take the next line
        // when read again; a blank line is never taken.
        if (line.find('\\') != std::string_view::npos) out.push_back('\n');
    }
    for (const HiveValue& value : key.values()) AppendValueLine(out, value);
}

}  // namespace

void AppendValueLine(std::string& out, const HiveValue& value) {
    std::size_t count;
    if (!value.name.empty()) {
        out.push_back('"');
        count = 1 + AppendEscaped(out, value.name, '"', '"');
        out += "\"=";
        count += 2;
    } else {
        out += "@=";
        count = 2;
    }
    char buf[32];
    const std::string& d = value.data;
    if (IsStringType(value.type) && d.size() >= 2 && d.size() % 2 == 0 &&
        d[d.size() - 1] == 0 && d[d.size() - 2] == 0) {
        if (value.type != kRegSz) {
            std::snprintf(buf, sizeof buf, "str(%x):", static_cast<unsigned>(value.type));
            out += buf;
        }
        out.push_back('"');
        AppendEscaped(out, BytesToUnits(d), '"', '"', true);
        out += "\"\n";
        return;
    }
    if (value.type == kRegDword && d.size() == 4) {
        unsigned dw = static_cast<unsigned char>(d[0]) | (static_cast<unsigned char>(d[1]) << 8) |
                      (static_cast<unsigned char>(d[2]) << 16) |
                      (static_cast<unsigned>(static_cast<unsigned char>(d[3])) << 24);
        std::snprintf(buf, sizeof buf, "dword:%08x\n", dw);
        out += buf;
        return;
    }
    int n = value.type == kRegBinary
                ? std::snprintf(buf, sizeof buf, "hex:")
                : std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(value.type));
    out += buf;
    count += static_cast<std::size_t>(n);
    for (std::size_t i = 0; i < d.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(d[i]);
        out.push_back(kHex[b >> 4]);
        out.push_back(kHex[b & 0xF]);
        count += 2;
        if (i + 1 < d.size()) {
            out.push_back(',');
            if (++count > 76) {
                out += "\\\n  ";
                count = 2;
            }
        }
    }
    out.push_back('\n');
}

std::string Hive::Write() const {
    std::string text;
    text.reserve(text_.size() + 4096);
    WriteTo([&text](std::string_view piece) {
        text.append(piece);
        return true;
    });
    return text;
}

bool Hive::WriteTo(const std::function<bool(std::string_view)>& sink) const {
    // The text goes to the sink in pieces of about kPiece bytes, whole
    // sections each; lastChar stands for out.back() once a piece has gone.
    constexpr std::size_t kPiece = 1u << 20;
    std::string out;
    out.reserve(std::min(text_.size(), kPiece) + 4096);
    char lastChar = '\n';
    bool ok = true;
    auto back = [&]() { return out.empty() ? lastChar : out.back(); };
    auto hand = [&](bool always) {
        if (!ok || (!always && out.size() < kPiece) || out.empty()) return;
        lastChar = out.back();
        ok = sink(out);
        out.clear();
    };
    out.append(text_, 0, preambleEnd_);
    if (!hadSections_ && !out.empty()) {
        if (back() != '\n') out.push_back('\n');
        out.push_back('\n');
    }

    // Sections in tree order; each but the last is followed by the blank
    // lines that followed it when read (one for a new section), the last by
    // what ended the file.
    const HiveKey* pending = nullptr;
    auto flushPending = [&](bool last) {
        if (!pending) return;
        const HiveKey& k = *pending;
        if (!k.regenerate && k.hasRaw) {
            out.append(k.raw);
        } else {
            AppendSection(out, k);
        }
        if (last) {
            if (hadSections_) out.append(text_, trailingGapBegin_, trailingGapEnd_ - trailingGapBegin_);
            return;
        }
        if (back() != '\n') out.push_back('\n');
        if (!k.regenerate && k.hasRaw && k.gapLength > 0) {
            out.append(k.raw.data() + k.raw.size(), k.gapLength);  // the gap follows it in the text
            // A gap read at the end of the file may end without a newline
            // (trailing blanks); the next section must still start a line.
            if (back() != '\n') out.push_back('\n');
        } else {
            out.push_back('\n');
        }
    };

    std::vector<const HiveKey*> stack{&root()};
    while (!stack.empty()) {
        const HiveKey* key = stack.back();
        stack.pop_back();
        bool keepRaw = !key->regenerate && key->hasRaw;
        if (keepRaw || NeedsSection(*key)) {
            flushPending(false);
            hand(false);
            pending = key;
        }
        for (auto it = key->subkeys.rbegin(); it != key->subkeys.rend(); ++it) stack.push_back(it->get());
    }
    flushPending(true);
    // Sections the model refused stay in the file as they were read.
    for (std::string_view section : refused_) {
        if (back() != '\n') out.push_back('\n');
        out.append(section);
        hand(false);
    }
    hand(true);
    return ok;
}

}  // namespace sl::platform::wine
