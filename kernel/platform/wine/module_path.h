// The file of the module (shared library or program) that holds the kernel's
// code, as an absolute Unix path; empty when it cannot be found.
#pragma once

#include <string>

namespace sl::platform::wine {

std::string KernelModulePath();

}  // namespace sl::platform::wine
