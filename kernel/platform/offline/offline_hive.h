// A registry hive read from a Windows installation on disk, held in memory
// as the file stores it: the machine-neutral result of the NT and 9x hive
// readers. Names and string data stay in the bytes of the hive's own
// encoding (see HiveText); turning them into the ANSI view the kernel sees
// is the caller's one conversion step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "kernel/platform/platform.h"

namespace sl::platform::offline {

// The Win32 number for a hive file that is damaged, truncated or beyond the
// reader's bounds ("the configuration registry database is corrupt").
inline constexpr DWORD kErrorBadDatabase = 1009;

// How the names, classes and string data of a hive are encoded.
enum class HiveText {
    Utf16Le,  // Windows NT family: UTF-16 little endian, no terminating zero in names
    Ansi,     // Windows 95/98/Me: the machine's ANSI code page, byte for byte
};

struct OfflineValue {
    std::string name;      // as stored; empty for the default value
    DWORD type = 0;        // the stored type number, unchanged (also unknown ones)
    std::string data;      // the raw data bytes, with any terminating zeros stored
};

struct OfflineKey {
    std::string name;      // as stored, case kept
    bool hasClass = false;
    std::string keyClass;  // as stored, when hasClass
    bool link = false;     // a symbolic link key (NT); its SymbolicLinkValue names the target
    std::vector<OfflineValue> values;   // in the file's order
    std::vector<OfflineKey> subkeys;    // in the file's order
};

struct OfflineHive {
    HiveText text = HiveText::Utf16Le;
    OfflineKey root;       // the hive's root key (its own name as stored)
};

// Bounds a reader holds to, whatever the file claims. A hive beyond them is
// refused (kErrorBadDatabase) rather than read in part.
struct HiveLimits {
    std::size_t maxDepth = kMaxKeyDepth;         // levels below the root
    std::size_t maxKeys = 4'000'000;             // keys in the whole hive
    std::size_t maxValues = 8'000'000;           // values in the whole hive
    std::uint64_t maxDataBytes = 1ull << 30;     // value data and names, summed
};

// An ASCII name in the hive's encoding (each byte widened to one UTF-16
// unit for Utf16Le, which also turns Latin-1 into UTF-16LE), for looking
// keys and values up by a known English name.
std::string EncodeAsciiName(std::string_view ascii, HiveText text);
// Whether a stored name equals an ASCII name without regard to ASCII case.
bool NameEqualsAscii(const std::string& stored, std::string_view ascii, HiveText text);
// The subkey reached through a backslash-separated path of ASCII names
// compared without regard to case; nullptr when any element is missing.
const OfflineKey* FindKey(const OfflineKey& from, std::string_view asciiPath, HiveText text);
// The value of that ASCII name ("" the default value); nullptr when missing.
const OfflineValue* FindValue(const OfflineKey& key, std::string_view asciiName, HiveText text);

}  // namespace sl::platform::offline
