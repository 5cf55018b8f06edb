#include "kernel/interface/kernel.h"
namespace sl {
std::int32_t CSLKernel::RunInstructions(const std::string&) { return 0; }
}
