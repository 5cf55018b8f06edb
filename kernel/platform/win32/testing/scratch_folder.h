// Test support for the Win32 backend: a new empty folder in the temporary
// folder, removed with everything in it when the test ends, and small file
// helpers that go straight to the Windows API (not through the backend).
#pragma once

#include <string>

namespace sl::platform::win32::testing {

class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    // path() joined with name ("C:\...\name").
    std::string operator/(const std::string& name) const;

private:
    std::string path_;
};

// Creates or replaces a file holding text; true when written whole.
bool WriteText(const std::string& path, const std::string& text);
// The content of a file; "<missing>" when it cannot be read.
std::string ReadText(const std::string& path);

}  // namespace sl::platform::win32::testing
