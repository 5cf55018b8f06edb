#include "kernel/storage/name_filter.h"

#include "kernel/script/text_fields.h"

namespace sl {

bool PassesNameFilter(const std::string& name, const std::string& includeList,
                      const std::string& excludeList) {
    const std::string token = "'" + ToUpper(name) + "'";
    if (!includeList.empty() && includeList.find(token) == std::string::npos) return false;
    if (!excludeList.empty() && excludeList.find(token) != std::string::npos) return false;
    return true;
}

}  // namespace sl
