// A DLL holding the Win32 backend, loaded by its tests: the backend names
// the DLL it lives in as its module (where the log goes), and strings pass
// between the DLL and the program through their one shared C++ runtime.
#include <string>

#include "kernel/platform/win32/win32_platform.h"

extern "C" __declspec(dllexport) void SL_ProbeModuleFileName(std::string& path) {
    path = sl::platform::win32::Win32Platform().ModuleFileName();
}
