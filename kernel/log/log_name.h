// The name of the kernel's log file. Programs reach it through the public
// header, so the name is spelled in this one place.
#pragma once

namespace sl {

inline constexpr const char* kLogName = "Stowlark.Log";

}  // namespace sl
