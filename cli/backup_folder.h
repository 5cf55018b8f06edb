// Words for what the inspect library reads from a backup folder.
#pragma once

#include <cstdint>
#include <string>

namespace sl::cli {

// "HKEY_CURRENT_USER" and so on; "root 0x..." for any other value.
std::string RootName(std::uint32_t root);

// What a failure code of a bookkeeping file or an archive read means.
std::string ReadFailureText(std::int32_t code);

}  // namespace sl::cli
