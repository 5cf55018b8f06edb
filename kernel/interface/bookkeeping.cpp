#include "kernel/interface/kernel.h"
namespace sl {
void CSLKernel::Serialize(Archive&) {}
std::int32_t CSLKernel::Load(const std::string&) { return 2; }
std::int32_t CSLKernel::Save(const std::string&) { return 1; }
std::int32_t CSLKernel::GetSavedIDs(std::string& out) { out.clear(); return 2; }
std::int32_t CSLKernel::GetSavedBadIDs(std::string& out) { out.clear(); return 2; }
std::int32_t CSLKernel::GetRestoredIDs(std::string& out) { out.clear(); return 2; }
}
