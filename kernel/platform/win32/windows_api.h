// <windows.h> for the Win32 backend's own sources. The Platform interface
// names its calls after the Win32 ones (CopyFile, RegOpenKeyEx, ...), which
// <windows.h> defines as macros choosing the A or W function; those macros
// are removed here so that the interface's names mean the interface, and the
// backend calls the ANSI functions by their full names (CopyFileA, ...).
//
// Include this after every project header, and only in this folder: the
// kernel itself never sees <windows.h>.
//
// Inside namespace sl::platform, HKEY, DWORD and LONG are the interface's
// integer types, not Windows' (write ::HKEY, ::DWORD for those); macros such
// as HKEY_CURRENT_USER cast to whichever HKEY is in scope, so Windows'
// predefined keys are named outside that namespace.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef RegOpenKeyEx
#undef RegCreateKeyEx
#undef RegQueryInfoKey
#undef RegEnumKeyEx
#undef RegEnumValue
#undef RegQueryValueEx
#undef RegSetValueEx
#undef FindFirstFile
#undef FindNextFile
#undef CopyFile
#undef CreateDirectory
#undef GetFileAttributes
#undef GetWindowsDirectory
#undef GetSystemDirectory
#undef DeleteFile
