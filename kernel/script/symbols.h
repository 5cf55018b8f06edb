// The symbolic names of the instruction script: folder identifiers (PathID)
// and built-in installed checks (SpecialExistsID). The lookups from names to
// these numbers, and to registry roots, are members of CSLInstructionList
// (kernel/script/instruction_list.h), since a name they do not know is
// reported into that list's error text.
#pragma once

#include <cstdint>

namespace sl {

// PathID: a folder of the running machine; 0 is no folder.
inline constexpr std::int32_t NO_PATH_ID = 0;
inline constexpr std::int32_t WINDOWS_DIR = 1;
inline constexpr std::int32_t WINDOWS_SYS_DIR = 2;
inline constexpr std::int32_t WINDOWS_SYS32_DIR = 3;
inline constexpr std::int32_t MSOFFICE_8_DIR = 4;
inline constexpr std::int32_t MSOFFICE_8_WORD_DIR = 5;
inline constexpr std::int32_t MSOFFICE_8_EXCEL_DIR = 6;
inline constexpr std::int32_t MSOFFICE_8_TEMPLATES_DIR = 7;
inline constexpr std::int32_t WINDOWS_FAVORITES_CU_DIR = 8;
inline constexpr std::int32_t WINDOWS_COOKIES_CU_DIR = 9;
inline constexpr std::int32_t WINDOWS_HISTORY_CU_DIR = 10;
inline constexpr std::int32_t NETSCAPE40_USERS_DIR = 11;
inline constexpr std::int32_t OUTLOOKEXPRESS_DIR = 12;
inline constexpr std::int32_t OUTLOOKEXPRESS_DATA_DIR = 13;
inline constexpr std::int32_t ICQ_130_DIR = 14;
inline constexpr std::int32_t WINAMP_DIR = 15;

// SpecialExistsID: a built-in installed check. 0 also stands for a name the
// lookup did not know; both make the check report "absent".
inline constexpr std::int32_t NOT_YET_IMPLEMENTED = 0;
inline constexpr std::int32_t IE4_EXISTS = 1;
inline constexpr std::int32_t IE4_ActiveDesktop_EXISTS = 2;
inline constexpr std::int32_t NETSCAPE40_EXISTS = 3;

}  // namespace sl
