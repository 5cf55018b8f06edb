#include "kernel/platform/win32/testing/scratch_folder.h"

#include <atomic>

#include "kernel/platform/win32/win32_paths.h"
#include "kernel/platform/win32/windows_api.h"

namespace sl::platform::win32::testing {
namespace {

// Removes a folder of the tests' own making; it holds a few levels at most.
void RemoveTree(const std::string& folder, int depth) {
    if (depth > 8) return;
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA(Join(folder, "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = Join(folder, name);
            ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL |
                                 (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY));
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path, depth + 1);
            } else {
                ::DeleteFileA(path.c_str());
            }
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryA(folder.c_str());
}

}  // namespace

ScratchFolder::ScratchFolder() {
    static std::atomic<int> counter{0};
    char temp[MAX_PATH + 1] = {};
    ::GetTempPathA(sizeof temp, temp);
    for (;;) {
        path_ = Join(temp, "sl-win32-" + std::to_string(::GetCurrentProcessId()) + "-" +
                               std::to_string(counter++));
        if (::CreateDirectoryA(path_.c_str(), nullptr)) break;
        if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_, 0); }

std::string ScratchFolder::operator/(const std::string& name) const { return Join(path_, name); }

bool WriteText(const std::string& path, const std::string& text) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    ::DWORD written = 0;
    bool ok = ::WriteFile(file, text.data(), static_cast<::DWORD>(text.size()), &written, nullptr) &&
              written == text.size();
    return ::CloseHandle(file) && ok;
}

std::string ReadText(const std::string& path) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string text;
    char buffer[4096];
    ::DWORD n = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &n, nullptr) && n > 0) text.append(buffer, n);
    ::CloseHandle(file);
    return text;
}

}  // namespace sl::platform::win32::testing
