// The one-byte key of the embedded scripts, shared by the build's encoder
// tool and the kernel's script loader. Changing it needs a rebuild of both,
// which the build does on its own.
#pragma once

#include <cstdint>

namespace sl {

inline constexpr std::uint8_t kScriptKey = 0x6B;

}  // namespace sl
