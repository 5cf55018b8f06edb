#include "kernel/platform/wine/hive.h"

#include <algorithm>
#include <chrono>

#include "kernel/platform/wine/hive_escape.h"
#include "kernel/platform/wine/hive_lines.h"
#include "kernel/platform/wine/hive_names.h"

namespace sl::platform::wine {
namespace {

using namespace hive_text;

constexpr std::uint64_t kTicksPerSecond = 10000000ULL;
constexpr std::uint64_t kTicks1601To1970 = 116444736000000000ULL;

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

void HiveKey::ReleaseDecoded() const {
    if (!hasRaw || regenerate || pending_ || !decoded_) return;
    decoded_.reset();
    pending_ = true;
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

Hive::~Hive() {
    // Keys are taken apart one by one, leaves last, instead of each
    // destroying its subkeys in turn: a tree of any depth goes without
    // using the stack for every level.
    std::vector<std::unique_ptr<HiveKey>> pending;
    pending.push_back(std::move(root_));
    while (!pending.empty()) {
        std::unique_ptr<HiveKey> key = std::move(pending.back());
        pending.pop_back();
        for (auto& sub : key->subkeys) pending.push_back(std::move(sub));
        key->subkeys.clear();
    }
}

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
