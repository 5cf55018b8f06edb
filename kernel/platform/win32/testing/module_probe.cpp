// A DLL holding the Win32 backend, loaded by its tests: the backend names
// the DLL it lives in as its module (where the log goes), strings pass
// between the DLL and the program through their one shared C++ runtime, and
// another process (rundll32) can hold a folder lock for them.
#include <string>

#include "kernel/platform/win32/win32_platform.h"
#include "kernel/platform/win32/windows_api.h"

extern "C" __declspec(dllexport) void SL_ProbeModuleFileName(std::string& path) {
    path = sl::platform::win32::Win32Platform().ModuleFileName();
}

// rundll32 sl_win32_probe.dll,SL_ProbeHoldFolderLock FOLDER: takes the lock
// on FOLDER (waiting while someone else holds it), sets the event
// "Local\StowlarkProbeLocked" and holds the lock until the process ends.
extern "C" __declspec(dllexport) void CALLBACK SL_ProbeHoldFolderLock(HWND, HINSTANCE,
                                                                      LPSTR folder, int) {
    sl::platform::win32::Win32Platform platform;
    sl::platform::FileHandle lock = 0;
    while (platform.LockFolder(folder, &lock) == sl::platform::kErrorSharingViolation) {
        ::Sleep(10);
    }
    if (lock == 0) return;
    HANDLE locked = ::CreateEventA(nullptr, TRUE, FALSE, "Local\\StowlarkProbeLocked");
    if (locked != nullptr) ::SetEvent(locked);
    ::Sleep(INFINITE);
}
