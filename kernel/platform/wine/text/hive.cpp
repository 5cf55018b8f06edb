#include "kernel/platform/wine/text/hive.h"

#include <algorithm>
#include <chrono>

#include "kernel/platform/wine/text/hive_escape.h"
#include "kernel/platform/wine/text/hive_lines.h"
#include "kernel/platform/hive/hive_key.h"
#include "kernel/platform/hive/hive_names.h"

namespace sl::platform::wine {
namespace {

using namespace hive_text;
using hive::PutValue;

constexpr std::uint64_t kTicksPerSecond = 10000000ULL;
constexpr std::uint64_t kTicks1601To1970 = 116444736000000000ULL;

// Preamble: everything before the first section; the path of its
// ";; All keys relative to" line goes to relativeTo, the value of its
// "#arch=" line to arch. Returns where the first section starts.
std::size_t ReadPreamble(std::string_view t, std::u16string& relativeTo, std::string& arch) {
    static constexpr std::string_view kRelative = ";; All keys relative to ";
    static constexpr std::string_view kArch = "#arch=";
    std::size_t pos = 0;
    while (pos < t.size() && t[pos] != '[') {
        std::size_t end = t.find('\n', pos);
        end = end == std::string_view::npos ? t.size() : end + 1;
        std::string_view line = Trimmed(t.substr(pos, end - pos));
        if (StartsWith(line, kRelative) && relativeTo.empty()) {
            std::string path(line.substr(kRelative.size()));
            path.push_back('\n');
            ParseEscaped(path, 0, '\n', relativeTo);
        }
        if (StartsWith(line, kArch) && arch.empty()) arch = std::string(line.substr(kArch.size()));
        pos = end;
    }
    return pos;
}

// A section header "[path] seconds" whose path (unescaped in pathText)
// closes at after: the path's names into path (views into pathText), and
// the FILETIME of the seconds as the result.
std::uint64_t ReadSectionPath(std::string_view header, std::size_t after,
                              const std::u16string& pathText,
                              std::vector<std::u16string_view>& path) {
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
    return seconds * kTicksPerSecond + kTicks1601To1970;
}

// A key Windows could hold: at most kMaxKeyDepth levels below the root,
// names of at most kMaxKeyNameLength characters.
bool WithinWindowsLimits(const std::vector<std::u16string_view>& path) {
    if (path.size() > kMaxKeyDepth) return false;
    for (std::u16string_view name : path) {
        if (name.size() > kMaxKeyNameLength) return false;
    }
    return true;
}

// Where the section whose body starts at pos ends: at the next line that
// starts a section, or at the end of the text.
std::size_t SkipSection(std::string_view t, std::size_t pos) {
    while (pos < t.size() && t[pos] != '[') {
        std::size_t end = t.find('\n', pos);
        pos = end == std::string_view::npos ? t.size() : end + 1;
    }
    return pos;
}

// Reads lines of a section body (values, kept lines) into key's contents.
void ReadSectionLines(std::string_view t, const HiveKey& key) {
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
            if (!ReadOption(line, nullptr, nullptr, units)) key.contents().extraLines.push_back(line);
            continue;
        }
        if (!IsValueLine(line)) {
            key.contents().extraLines.push_back(line);
            continue;
        }
        HiveValue value;
        if (ReadValue(t, line, pos, value, units)) {
            PutValue(key.contents().values, std::move(value));
            continue;
        }
        // Keep what could not be read as it stood, continuation lines included.
        std::string_view kept = t.substr(lineStart, pos - lineStart);
        while (!kept.empty() && (kept.back() == '\n' || kept.back() == '\r')) kept.remove_suffix(1);
        key.contents().extraLines.push_back(kept);
    }
}

// Reads a key's values from its section when they are first asked for.
class SectionReader final : public hive::KeyReader {
public:
    void Read(const HiveKey& key) const override {
        std::size_t headerEnd = key.raw.find('\n');
        if (headerEnd != std::string_view::npos) ReadSectionLines(key.raw.substr(headerEnd + 1), key);
    }
};

const SectionReader kSectionReader;

}  // namespace

Hive::Hive() = default;

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
    HiveKey* key = common ? lastPath_.back() : &root();
    for (std::size_t i = common; i < path.size(); ++i) {
        key = FindOrAddSubkey(*key, path[i]);
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

    std::size_t pos = ReadPreamble(t, relativeTo_, arch_);
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
        const std::size_t after = ParseEscaped(header, 1, ']', pathText);
        HiveKey* key = nullptr;
        std::uint64_t modified = 0;
        if (after != std::string_view::npos) {
            modified = ReadSectionPath(header, after, pathText, path);
            if (!WithinWindowsLimits(path)) {
                pos = SkipSection(t, end);
                refused_.push_back(t.substr(sectionBegin, pos - sectionBegin));
                hadSections_ = true;
                continue;
            }
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
            key->SetPending(&kSectionReader);
        } else if (key) {
            // A later section of the key adds its lines to the earlier ones'.
            (void)key->values();  // the earlier lines first: a later value wins
            ReadSectionLines(t.substr(bodyBegin, bodyEnd - bodyBegin), *key);
        }
        trailingGapBegin_ = bodyEnd;
        trailingGapEnd_ = pos;
    }
    lastPath_.clear();
    lastPath_.shrink_to_fit();
}

}  // namespace sl::platform::wine
