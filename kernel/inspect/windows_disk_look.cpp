// The looks at a Windows disk the programs make before they choose it as the
// machine: is there an installation, which profiles, can the chosen user's
// hive be read. The disk's own readers answer, so the programs never parse
// a hive themselves.
#include "kernel/interface/stowlark_kernel.h"

#include <climits>
#include <cstdlib>

#include "kernel/inspect/one_call.h"
#include "kernel/platform/offline/creg_hive_reader.h"
#include "kernel/platform/offline/nt_hive_reader.h"
#include "kernel/platform/offline/windows_install.h"

namespace offline = sl::platform::offline;

namespace {
constexpr int32_t kPathNotFound = 3;
constexpr int32_t kGeneralFailure = 31;
}  // namespace

extern "C" {

SL_EXPORT int32_t SLI_LookAtWindowsDisk(const char* dir, const char* user, SLIWindowsDisk& disk) {
    const auto oneCall = sl::inspect::OneCallAtATime();
    disk = SLIWindowsDisk();
    try {
        char real[PATH_MAX];
        if (dir == nullptr || ::realpath(dir, real) == nullptr) return kPathNotFound;
        disk.root = real;
        offline::WindowsInstallation installation;
        if (offline::FindWindowsInstallation(disk.root, &installation, &disk.message) != 0) {
            return kPathNotFound;
        }
        disk.nineX = installation.family == offline::WindowsFamily::Win9x;
        std::vector<offline::WindowsProfile> profiles;
        disk.message.clear();
        const int32_t listed =
            static_cast<int32_t>(offline::ListProfiles(installation, &profiles, &disk.message));
        if (listed != 0) return listed;
        for (const offline::WindowsProfile& profile : profiles) {
            disk.profiles.push_back({profile.name, profile.folder, profile.userHive});
        }
        disk.byDefault = offline::ChooseDefaultProfile(profiles);
        if (user != nullptr && *user != '\0') disk.named = offline::FindProfile(profiles, user);
        return 0;
    } catch (...) {
        return kGeneralFailure;
    }
}

SL_EXPORT int32_t SLI_CheckWindowsHive(const char* file, int32_t nineX, std::string& message) {
    const auto oneCall = sl::inspect::OneCallAtATime();
    message.clear();
    try {
        offline::OfflineHive hive;
        const std::string path = file != nullptr ? file : "";
        return static_cast<int32_t>(nineX != 0 ? offline::ReadCregHive(path, &hive, &message)
                                               : offline::ReadNtHive(path, &hive, &message));
    } catch (...) {
        return kGeneralFailure;
    }
}

}  // extern "C"
