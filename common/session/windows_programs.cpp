#include "common/session/windows_programs.h"

#include "kernel/platform/wine/server/wineserver.h"

namespace sl::session {

bool WindowsProgramsRunning(const std::string& prefixPath) {
    return platform::wine::IsWineServerRunning(prefixPath);
}

}  // namespace sl::session
