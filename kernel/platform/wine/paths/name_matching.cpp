// Matching a DOS name in a Unix folder without regard to case.
#include <dirent.h>

#include <memory>

#include "kernel/platform/codepage/codepage_1252.h"
#include "kernel/platform/wine/paths/path_pieces.h"
#include "kernel/platform/wine/paths/wildcard.h"

namespace sl::platform::wine::paths {

using codepage::AnsiToUtf8;
using codepage::Utf8ToAnsi;

namespace {

// The bytes of code page 1252 that equal c without regard to case (c
// itself first); at most a few.
std::vector<char> CaseVariants(char c) {
    std::vector<char> out{c};
    const char upper = ToUpperAnsi(c);
    for (int d = 0; d < 256; ++d) {
        char other = static_cast<char>(d);
        if (other != c && ToUpperAnsi(other) == upper) out.push_back(other);
    }
    return out;
}

// CaseVariants of every byte, computed once.
const std::vector<char>& VariantsOf(char c) {
    static const std::vector<std::vector<char>> table = [] {
        std::vector<std::vector<char>> all;
        for (int d = 0; d < 256; ++d) all.push_back(CaseVariants(static_cast<char>(d)));
        return all;
    }();
    return table[static_cast<unsigned char>(c)];
}

// A small folder is read through: a few calls. In a larger one (a backup
// folder holds thousands of files, and every copy into it names one that is
// not there yet) a name with at most this many spellings asks for each.
constexpr std::size_t kMaxSpellingsToTry = 32;
// The size a folder reports when it holds a few dozen entries at most (one
// block on ext4; tmpfs and btrfs count a few bytes per entry).
constexpr off_t kSmallFolderBytes = 4096;

// The real name in folder of the element given in ANSI, compared without
// regard to case; empty when there is none. Only names that are the UTF-8
// form of an ANSI name count (a name with bytes in another form, such as
// over-long UTF-8 sequences, is no spelling of any DOS name); when several
// entries match, the first one the folder lists.
std::string ScanNoCase(const std::string& folder, const std::string& ansiName) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) return {};
    while (struct dirent* entry = ::readdir(dir.get())) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        std::string ansi = Utf8ToAnsi(name);
        if (EqualNoCase(ansi, ansiName) && AnsiToUtf8(ansi) == name) return name;
    }
    return {};
}

}  // namespace

// As ScanNoCase, for a name whose exact spelling is known not to be in the
// folder (st is the folder's stat). A remembered listing of the folder answers
// when it can, and *stamp (when given) then tells what the answer rests on;
// otherwise *stamp is left empty. Without one, in a large folder a name with
// few spellings asks for each of them; one found is the answer, none means no
// match, and only several found (where the folder's order decides) fall back
// to reading the folder.
std::string FindNoCase(const std::string& folder, const struct stat& st,
                       const std::string& ansiName, FolderStamp* stamp) {
    if (!S_ISDIR(st.st_mode)) return {};
    std::string real;
    switch (LookUpNoCase(folder, st, ansiName, &real, stamp)) {
        case NameMatch::Found: return real;
        case NameMatch::None: return {};
        case NameMatch::Unknown: break;
    }
    if (stamp) *stamp = FolderStamp();
    if (st.st_size <= kSmallFolderBytes) return ScanNoCase(folder, ansiName);
    std::size_t spellings = 1;
    for (char c : ansiName) {
        spellings *= VariantsOf(c).size();
        if (spellings > kMaxSpellingsToTry) return ScanNoCase(folder, ansiName);
    }
    if (spellings == 1) return {};
    std::string candidate = ansiName;
    std::string found;
    // Odometer over the spellings; the first one (the exact name) is skipped.
    std::vector<std::size_t> digit(ansiName.size(), 0);
    for (;;) {
        std::size_t i = 0;
        while (i < ansiName.size()) {
            const std::vector<char>& options = VariantsOf(ansiName[i]);
            if (++digit[i] < options.size()) {
                candidate[i] = options[digit[i]];
                break;
            }
            digit[i] = 0;
            candidate[i] = options[0];
            ++i;
        }
        if (i == ansiName.size()) break;  // every spelling tried
        std::string unixName = AnsiToUtf8(candidate);
        if (Exists(JoinUnix(folder, unixName))) {
            if (!found.empty()) return ScanNoCase(folder, ansiName);
            found = std::move(unixName);
        }
    }
    return found;
}

std::string FindNoCase(const std::string& folder, const std::string& ansiName,
                       FolderStamp* stamp) {
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0) {
        if (stamp) *stamp = FolderStamp();
        return {};
    }
    return FindNoCase(folder, st, ansiName, stamp);
}

}  // namespace sl::platform::wine::paths
