// regprobe: a small Windows program that reads and writes settings through the
// real Win32 API the way the 32-bit applications and their installers do
// (registry calls with KEY_WOW64_32KEY, folders and files with the ANSI calls).
// The interoperability tests run it under Wine beside a prefix Stowlark reads
// and writes offline.
//
//   regprobe set  HKLM\Key Name sz|dword Data   create the key, set the value
//   regprobe get  HKLM\Key Name                 print the value (sz as text,
//                                               dword in decimal); exit 2 when
//                                               the key or value is missing
//   regprobe file C:\Folder\name.ini Text       create the folders and the file
//
// Exit status: 0 done, 2 not found, 1 any other failure (the error number on
// standard error).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool SplitRoot(const std::string& path, HKEY* root, std::string* rest) {
    const struct {
        const char* name;
        HKEY key;
    } roots[] = {{"HKLM", HKEY_LOCAL_MACHINE}, {"HKCU", HKEY_CURRENT_USER}, {"HKCR", HKEY_CLASSES_ROOT}};
    for (const auto& r : roots) {
        std::size_t n = std::strlen(r.name);
        if (path.compare(0, n, r.name) == 0 && (path.size() == n || path[n] == '\\')) {
            *root = r.key;
            *rest = path.size() > n ? path.substr(n + 1) : std::string();
            return true;
        }
    }
    return false;
}

int Fail(const char* what, long rc) {
    std::fprintf(stderr, "%s: error %ld\n", what, rc);
    return rc == ERROR_FILE_NOT_FOUND || rc == ERROR_PATH_NOT_FOUND ? 2 : 1;
}

int Set(const std::string& path, const char* name, const std::string& type, const char* data) {
    HKEY root, key;
    std::string sub;
    if (!SplitRoot(path, &root, &sub)) return Fail("root", ERROR_INVALID_PARAMETER);
    LONG rc = RegCreateKeyExA(root, sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) return Fail("RegCreateKeyExA", rc);
    if (type == "dword") {
        DWORD value = std::strtoul(data, nullptr, 10);
        rc = RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    } else {
        rc = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                            static_cast<DWORD>(std::strlen(data) + 1));
    }
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? 0 : Fail("RegSetValueExA", rc);
}

int Get(const std::string& path, const char* name) {
    HKEY root, key;
    std::string sub;
    if (!SplitRoot(path, &root, &sub)) return Fail("root", ERROR_INVALID_PARAMETER);
    LONG rc = RegOpenKeyExA(root, sub.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &key);
    if (rc != ERROR_SUCCESS) return Fail("RegOpenKeyExA", rc);
    BYTE data[4096];
    DWORD type = 0, size = sizeof data - 1;
    rc = RegQueryValueExA(key, name, nullptr, &type, data, &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return Fail("RegQueryValueExA", rc);
    if (type == REG_DWORD && size == sizeof(DWORD)) {
        DWORD value;
        std::memcpy(&value, data, sizeof value);
        std::printf("%lu\n", static_cast<unsigned long>(value));
    } else {
        data[size] = 0;
        std::printf("%s\n", reinterpret_cast<const char*>(data));
    }
    return 0;
}

int File(const std::string& path, const char* text) {
    for (std::size_t i = 3; i < path.size(); ++i) {
        if (path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
    }
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return Fail("CreateFileA", static_cast<long>(GetLastError()));
    DWORD written = 0;
    BOOL ok = WriteFile(h, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
    CloseHandle(h);
    return ok ? 0 : Fail("WriteFile", static_cast<long>(GetLastError()));
}

}  // namespace

int main(int argc, char** argv) {
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "set" && argc == 6) return Set(argv[2], argv[3], argv[4], argv[5]);
    if (command == "get" && argc == 4) return Get(argv[2], argv[3]);
    if (command == "file" && argc == 4) return File(argv[2], argv[3]);
    std::fprintf(stderr, "usage: regprobe set KEY NAME sz|dword DATA | get KEY NAME | file PATH TEXT\n");
    return 1;
}
