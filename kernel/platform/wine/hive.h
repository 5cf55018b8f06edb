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
#include "kernel/platform/wine/hive_strings.h"

namespace sl::platform::wine {

// The first line of every hive file Wine accepts.
inline constexpr std::string_view kHiveHeader = "WINE REGISTRY Version 2";

struct HiveValue {
    std::u16string name;  // empty for the default value
    DWORD type = 0;
    std::string data;     // raw bytes; string types hold UTF-16LE with their zero
};

// One key. Subkeys and values are kept in Wine's order (hive_names.h).
// Changes go through Hive so that the hive knows what to write.
//
// A key read from a file decodes its values (and the lines of its section
// this code does not understand) only when they are first asked for: loading
// a hive reads key paths and option lines, not every value of every key.
// Keys live inside their Hive and must not outlive it; their name and class
// are kept by the hive.
struct HiveKey {
    std::u16string_view name;
    HiveKey* parent = nullptr;
    std::vector<std::unique_ptr<HiveKey>> subkeys;
    std::optional<std::u16string_view> keyClass;  // from #class=
    std::uint64_t modified = 0;                   // FILETIME of the last change

    // Its section as read (a view into the hive's text, header line first)
    // and the length of the blank lines that followed it there.
    std::string_view raw;
    std::size_t gapLength = 0;
    bool hasRaw = false;     // raw holds its first section
    bool regenerate = true;  // write from the model rather than the text read
    bool link = false;       // #link

    // The values, in Wine's order.
    const std::vector<HiveValue>& values() const;
    // Lines of its section that are neither options nor readable values,
    // verbatim (views into the hive's text).
    const std::vector<std::string_view>& extraLines() const;

    // Frees the decoded values of a key whose one section is unchanged since
    // it was read; they are decoded from that text again when next asked
    // for. A reader of many keys keeps memory bounded this way.
    void ReleaseDecoded() const;

    // Case-insensitive lookups; null when absent.
    HiveKey* FindSubkey(std::u16string_view subName) const;
    const HiveValue* FindValue(std::u16string_view valueName) const;

private:
    friend class Hive;
    struct Decoded {
        std::vector<HiveValue> values;
        std::vector<std::string_view> extraLines;
    };
    // Reads the lines of raw's body into decoded_ when not done yet.
    void DecodePending() const;
    // Reads lines of a section body (values, kept lines) into decoded_.
    void DecodeLines(std::string_view lines) const;
    Decoded& decoded() const;

    // Not thread-safe (neither is Hive).
    mutable bool pending_ = false;  // raw's body not read yet
    mutable std::unique_ptr<Decoded> decoded_;  // null while there is nothing
};

class Hive {
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
    ~Hive();

    Status status() const { return status_; }
    HiveKey& root() { return *root_; }
    const HiveKey& root() const { return *root_; }
    // The path of the ";; All keys relative to" line, unescaped
    // ("REGISTRY\User\S-1-5-21-0-0-0-1000"); empty when there is none.
    const std::u16string& relativeTo() const { return relativeTo_; }
    // The value of the "#arch=" option line ("win32", "win64"); empty when
    // the file has none.
    const std::string& arch() const { return arch_; }
    // True when the content differs from the file it was read from (or last written to).
    bool changed() const { return changed_; }

    // Creates the subkey name (which must not exist) below parent, with the
    // class when given; both get the time now (a FILETIME).
    HiveKey* CreateSubkey(HiveKey& parent, std::u16string_view name,
                          const std::u16string* keyClass, std::uint64_t now);
    // Sets a value. Returns false, changing nothing, when the key already
    // holds that name with the same type and data.
    bool SetValue(HiveKey& key, std::u16string_view name, DWORD type, std::string data,
                  std::uint64_t now);

    // The file text for the current content.
    std::string Write() const;
    // The same text handed to sink in pieces, in order (each about a
    // megabyte, whole sections), so that no copy of the whole is made. Stops
    // at the first piece the sink refuses (returns false); true when every
    // piece was taken.
    bool WriteTo(const std::function<bool(std::string_view)>& sink) const;
    // Tells the hive that the text of Write() is now the file on disk.
    void MarkWritten() { changed_ = false; }

private:
    Hive();
    void Parse();
    HiveKey* KeyForPath(const std::vector<std::u16string_view>& path);

    Status status_ = Status::Loaded;
    std::string text_;  // as read; never changes, keys keep views into it
    HiveStrings strings_;  // key names and classes
    std::unique_ptr<HiveKey> root_;
    std::u16string relativeTo_;
    std::string arch_;
    std::size_t preambleEnd_ = 0;
    bool hadSections_ = false;
    std::size_t trailingGapBegin_ = 0, trailingGapEnd_ = 0;
    bool changed_ = false;
    // Sections refused by Parse, as read (views into text_).
    std::vector<std::string_view> refused_;
    // Parse state: the keys of the previous section's path, for sorted input.
    std::vector<HiveKey*> lastPath_;
};

// Appends one value line (with continuation lines) as Wine writes it.
void AppendValueLine(std::string& out, const HiveValue& value);

// The current time as a FILETIME (100 ns ticks since 1601).
std::uint64_t CurrentFileTime();

}  // namespace sl::platform::wine
