// Installed checks that need a version number.
#pragma once

#include <cstdint>
#include <string>

namespace sl {

// 1 when the application of specialExistsID is installed in the version the
// components need: 1 when the Internet Explorer version starts with "4.", 3
// when the Netscape Navigator one starts with "4.0"; 0 and 2 always give 0. Any other number gives 0 and is reported to
// errorText and the log ("SpecialExistsID #%i not found \n").
std::int32_t CheckSpecialExists(std::int32_t specialExistsID, std::string& errorText);

}  // namespace sl
