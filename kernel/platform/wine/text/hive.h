// One registry hive file of a Wine prefix (system.reg, user.reg, userdef.reg)
// in memory: its key tree, read from and written back to Wine's text format.
//
// Writing back reproduces Wine's own output: a hive Wine wrote, read and
// written with no change, gives the same bytes; after a change only the
// sections of the changed keys differ (the text of every other section, and
// any line this code does not understand, is kept as it was read).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kernel/platform/platform.h"
#include "kernel/platform/hive/hive_tree.h"

namespace sl::platform::wine {

// The first line of every hive file Wine accepts.
inline constexpr std::string_view kHiveHeader = "WINE REGISTRY Version 2";

using hive::CurrentFileTime;
using hive::HiveKey;
using hive::HiveStrings;
using hive::HiveTree;
using hive::HiveValue;

// A hive read from Wine's text: the model (hive_tree.h) filled from it. A
// key read from the file decodes its values (and the lines of its section
// this code does not understand) only when they are first asked for:
// loading reads key paths and option lines, not every value of every key.
class Hive : public HiveTree {
public:
    enum class Status {
        Loaded,   // a Wine hive; may be written
        Missing,  // no file: empty, never written
        Refused,  // the file does not start with Wine's header: empty, never written
    };

    // Reads a hive file's text. Never fails: a text without Wine's header line
    // gives a Refused hive, lines it cannot read are kept verbatim. A section
    // for a key Windows cannot hold (deeper than kMaxKeyDepth levels, a name
    // longer than kMaxKeyNameLength) is not read into the key tree: it is
    // kept as text and written back after the other sections.
    static std::unique_ptr<Hive> FromText(std::string text);
    // An empty hive standing for a file that is not there (Missing).
    static std::unique_ptr<Hive> MissingFile();
    // Keys keep views into the hive's text: a hive stays where it was made.
    Hive(const Hive&) = delete;
    Hive& operator=(const Hive&) = delete;

    Status status() const { return status_; }
    // The path of the ";; All keys relative to" line, unescaped
    // ("REGISTRY\User\S-1-5-21-0-0-0-1000"); empty when there is none.
    const std::u16string& relativeTo() const { return relativeTo_; }
    // arch() is the value of the "#arch=" option line ("win32", "win64").

    // The file text for the current content.
    std::string Write() const;
    // The same text handed to sink in pieces, in order (each about a
    // megabyte, whole sections), so that no copy of the whole is made. Stops
    // at the first piece the sink refuses (returns false); true when every
    // piece was taken.
    bool WriteTo(const std::function<bool(std::string_view)>& sink) const;
    // MarkWritten() tells the hive that the text of Write() is now the file.

private:
    Hive();
    void Parse();
    HiveKey* KeyForPath(const std::vector<std::u16string_view>& path);

    Status status_ = Status::Loaded;
    std::string text_;  // as read; never changes, keys keep views into it
    std::u16string relativeTo_;
    std::size_t preambleEnd_ = 0;
    bool hadSections_ = false;
    std::size_t trailingGapBegin_ = 0, trailingGapEnd_ = 0;
    // Sections refused by Parse, as read (views into text_).
    std::vector<std::string_view> refused_;
    // Parse state: the keys of the previous section's path, for sorted input.
    std::vector<HiveKey*> lastPath_;
};

// Appends one value line (with continuation lines) as Wine writes it.
void AppendValueLine(std::string& out, const HiveValue& value);


}  // namespace sl::platform::wine
