// The three name tables of the instruction script and their lookups.
#include "kernel/script/symbols.h"

#include "kernel/log/log.h"
#include "kernel/script/instruction_list.h"

namespace sl {
namespace {

template <typename T>
struct Symbol {
    const char* name;
    T value;
};

const Symbol<platform::HKEY> kRoots[] = {
    {"HKEY_CLASSES_ROOT", platform::kHkeyClassesRoot},
    {"HKEY_CURRENT_USER", platform::kHkeyCurrentUser},
    {"HKEY_LOCAL_MACHINE", platform::kHkeyLocalMachine},
    {"HKEY_USERS", platform::kHkeyUsers},
};

const Symbol<std::int32_t> kPathIDs[] = {
    {"WINDOWS_DIR", WINDOWS_DIR},
    {"WINDOWS_SYS_DIR", WINDOWS_SYS_DIR},
    {"WINDOWS_SYS32_DIR", WINDOWS_SYS32_DIR},
    {"MSOFFICE_8_DIR", MSOFFICE_8_DIR},
    {"MSOFFICE_8_WORD_DIR", MSOFFICE_8_WORD_DIR},
    {"MSOFFICE_8_EXCEL_DIR", MSOFFICE_8_EXCEL_DIR},
    {"MSOFFICE_8_TEMPLATES_DIR", MSOFFICE_8_TEMPLATES_DIR},
    {"WINDOWS_FAVORITES_CU_DIR", WINDOWS_FAVORITES_CU_DIR},
    {"WINDOWS_COOKIES_CU_DIR", WINDOWS_COOKIES_CU_DIR},
    {"WINDOWS_HISTORY_CU_DIR", WINDOWS_HISTORY_CU_DIR},
    {"NETSCAPE40_USERS_DIR", NETSCAPE40_USERS_DIR},
    {"OUTLOOKEXPRESS_DIR", OUTLOOKEXPRESS_DIR},
    {"OUTLOOKEXPRESS_DATA_DIR", OUTLOOKEXPRESS_DATA_DIR},
    {"ICQ_130_DIR", ICQ_130_DIR},
    {"WINAMP_DIR", WINAMP_DIR},
};

const Symbol<std::int32_t> kSpecialExistsIDs[] = {
    {"NOT_YET_IMPLEMENTED", NOT_YET_IMPLEMENTED},
    {"IE4_EXISTS", IE4_EXISTS},
    {"IE4_ActiveDesktop_EXISTS", IE4_ActiveDesktop_EXISTS},
    {"NETSCAPE40_EXISTS", NETSCAPE40_EXISTS},
};

// The first entry whose name equals name exactly, or null.
template <typename T, std::size_t N>
const Symbol<T>* Find(const Symbol<T> (&table)[N], const std::string& name) {
    for (const Symbol<T>& entry : table) {
        if (name == entry.name) return &entry;
    }
    return nullptr;
}

}  // namespace

void CSLInstructionList::Report(const std::string& message) {
    ErrorText += message;
    AppendLog(message, kLogName);
}

platform::HKEY CSLInstructionList::sToHKey(std::string name) {
    if (const auto* entry = Find(kRoots, name)) return entry->value;
    Report(Format("sToHKey '%s' not found\n", name.c_str()));
    return 0;
}

std::int32_t CSLInstructionList::sToPathID(std::string name) {
    if (const auto* entry = Find(kPathIDs, name)) return entry->value;
    Report(Format("sToPathID '%s' not found\n", name.c_str()));
    return 0;
}

std::int32_t CSLInstructionList::sToSpecialExistsID(std::string name) {
    if (const auto* entry = Find(kSpecialExistsIDs, name)) return entry->value;
    Report(Format("sToSpecialExistsID '%s' not found\n", name.c_str()));
    return 0;
}

}  // namespace sl
