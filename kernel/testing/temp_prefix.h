// Test fixture: a temporary Wine-style prefix installed as the current
// platform for the fixture's lifetime.
//
//   sl::testing::TempPrefix prefix;                 // installed now
//   prefix.WriteFile("C:\\Program Files\\A\\a.ini", "x=1\r\n");
//   ... run kernel code, which sees C: = <prefix>/drive_c ...
//   EXPECT_EQ(prefix.ReadFile("C:\\Program Files\\A\\a.ini"), "x=1\r\n");
//   EXPECT_NE(prefix.LogText().find("error"), std::string::npos);
//
// Layout of Root():
//   prefix/                      the prefix (PrefixPath())
//     dosdevices/c: -> ../drive_c
//     drive_c/windows/system32/
//     system.reg user.reg userdef.reg   empty hives with Wine's header
//   log/                         where the log files go (LogFolder())
//   fallback-log/                the log fallback folder (never ~/.local)
// The whole folder is removed on destruction, and the platform that was
// current before is installed again.
#pragma once

#include <memory>
#include <string>

#include "kernel/log/log_name.h"
#include "kernel/platform/platform.h"
#include "kernel/platform/wine/wine_platform.h"

namespace sl::testing {

class TempPrefix {
public:
    // Creates the prefix; installs its platform unless install is false.
    explicit TempPrefix(bool install = true);
    ~TempPrefix();
    TempPrefix(const TempPrefix&) = delete;
    TempPrefix& operator=(const TempPrefix&) = delete;

    const std::string& Root() const { return root_; }
    std::string PrefixPath() const;   // <root>/prefix
    std::string DriveC() const;       // <root>/prefix/drive_c
    std::string LogFolder() const;    // <root>/log

    // The prefix's platform (also the current one when installed).
    std::shared_ptr<platform::wine::WinePlatform> Platform() const { return platform_; }
    // Replaces the platform by a fresh one on the same prefix, dropping all
    // unflushed registry changes and reading the hive files again; installs
    // it when the fixture installed the first one.
    void ReloadPlatform();
    // While set, the platform behaves as if a wineserver owned the prefix.
    void SimulateWineServer(bool running);

    // The Unix path a DOS path ("C:\a\b") maps to; fails the test (and
    // returns "") when it cannot be mapped.
    std::string UnixPath(const std::string& dosPath) const;
    // Writes a whole file at a DOS path, creating the folders above it.
    void WriteFile(const std::string& dosPath, const std::string& bytes) const;
    // The bytes of the file at a DOS path; "" when it is missing.
    std::string ReadFile(const std::string& dosPath) const;
    bool Exists(const std::string& dosPath) const;
    // Creates a folder (and the folders above it) at a DOS path.
    void MakeFolder(const std::string& dosPath) const;
    // Replaces a hive file ("system.reg", "user.reg", "userdef.reg") of the
    // prefix; call ReloadPlatform() afterwards for the registry to see it.
    void WriteHive(const std::string& fileName, const std::string& text) const;
    std::string ReadHive(const std::string& fileName) const;
    // The text of a log file written through the platform ("" when none).
    std::string LogText(const std::string& logName = kLogName) const;

private:
    void MakePlatform();

    std::string root_;
    bool installed_ = false;
    std::shared_ptr<bool> serverRunning_;
    std::shared_ptr<platform::wine::WinePlatform> platform_;
    std::shared_ptr<platform::Platform> previous_;
};

// The text of an empty but valid hive with Wine's version 2 header, as Wine
// writes it for that file ("system.reg", "user.reg" or "userdef.reg").
std::string EmptyHiveText(const std::string& fileName = "system.reg");

}  // namespace sl::testing
