// The platform of the Windows build: the machine the program runs on.
#include "kernel/platform/win32/win32_platform.h"

namespace sl::platform {

std::shared_ptr<Platform> MakeDefault() { return std::make_shared<win32::Win32Platform>(); }

// One machine only: the Windows the program runs on (no prefix to choose).
std::string DefaultMachineName() { return {}; }

}  // namespace sl::platform
