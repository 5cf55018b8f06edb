// CheckSpecialExists: installed checks that need a version number.
#include "kernel/resolve/special_checks.h"

#include "kernel/log/log.h"
#include "kernel/resolve/reg_key.h"

namespace sl {

std::int32_t CheckSpecialExists(std::int32_t specialExistsID, std::string& errorText) {
    if (static_cast<std::uint32_t>(specialExistsID) > 3) {
        ReportError(errorText, Format("SpecialExistsID #%i not found \n", specialExistsID));
        return 0;
    }
    if (specialExistsID == 0 || specialExistsID == 2) return 0;

    const bool ie = specialExistsID == 1;
    const char* keyPath = ie ? "Software\\Microsoft\\Internet Explorer"
                             : "SOFTWARE\\Netscape\\Netscape Navigator";
    const char* valueName = ie ? "Version" : "CurrentVersion";
    const std::string expected = ie ? "4." : "4.0";

    CSLRegKey key(platform::kHkeyLocalMachine, keyPath, false);
    std::string version = key.QueryString(valueName, "");
    key.Close();
    return version.compare(0, expected.size(), expected) == 0 && version.size() >= expected.size()
               ? 1
               : 0;
}

}  // namespace sl
