#include "kernel/interface/kernel.h"
namespace sl {
std::string CSLKernel::GetInstalledIDsN(const std::string&) { return std::string(); }
}
