// The Win32 backend's module calls: the file of the module that holds it
// (a program, or a DLL) and the log files beside it.
#include <gtest/gtest.h>

#include <string>

#include "kernel/platform/win32/testing/scratch_folder.h"
#include "kernel/platform/win32/win32_platform.h"
#include "kernel/platform/win32/windows_api.h"

namespace sl::platform::win32 {
namespace {

using testing::ReadText;
using testing::ScratchFolder;
using testing::WriteText;

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && Lower(text.substr(text.size() - tail.size())) == Lower(tail);
}

TEST(Win32ModuleTest, TheModuleIsTheFileHoldingTheBackend) {
    // Linked into this program: the program's own file.
    const std::string program = Win32Platform().ModuleFileName();
    EXPECT_TRUE(EndsWith(program, "\\test_platform_win32.exe")) << program;

    // Inside a DLL: the DLL's file, whoever asks; the answer comes back as a
    // std::string filled inside the DLL, which shares this program's runtime.
    HMODULE dll = ::LoadLibraryA(SL_PROBE_DLL);
    ASSERT_NE(nullptr, dll);
    using Probe = void (*)(std::string&);
    auto probe = reinterpret_cast<Probe>(
        reinterpret_cast<void*>(::GetProcAddress(dll, "SL_ProbeModuleFileName")));
    ASSERT_NE(nullptr, probe);
    std::string path;
    probe(path);
    char expected[MAX_PATH] = {};
    ASSERT_NE(0u, ::GetModuleFileNameA(dll, expected, MAX_PATH));
    EXPECT_EQ(std::string(expected), path);
    EXPECT_TRUE(EndsWith(path, std::string("\\") + SL_PROBE_DLL)) << path;
    ::FreeLibrary(dll);
}

TEST(Win32ModuleTest, LogEntriesGoBesideTheModuleOrElseToTheFallback) {
    ScratchFolder folder;
    Win32PlatformOptions options;
    options.logFolder = folder / "logs";
    options.fallbackLogFolder = folder / "fallback";
    ASSERT_TRUE(::CreateDirectoryA(options.logFolder.c_str(), nullptr));
    Win32Platform platform(options);

    EXPECT_EQ(folder / "logs\\Test.Log", platform.LogFilePath("Test.Log"));
    platform.AppendLogBytes("Test.Log", "first\r\n");
    platform.AppendLogBytes("Test.Log", "second\r\n");
    EXPECT_EQ("first\r\nsecond\r\n", ReadText(folder / "logs\\Test.Log"));

    // A log folder that cannot be: the entry goes to the fallback, made
    // on the way.
    ASSERT_TRUE(WriteText(folder / "plain", ""));
    options.logFolder = folder / "plain\\logs";
    Win32Platform elsewhere(options);
    EXPECT_EQ(folder / "fallback\\Test.Log", elsewhere.LogFilePath("Test.Log"));
    elsewhere.AppendLogBytes("Test.Log", "third\r\n");
    EXPECT_EQ("third\r\n", ReadText(folder / "fallback\\Test.Log"));
    EXPECT_EQ("first\r\nsecond\r\n", ReadText(folder / "logs\\Test.Log"));

    // Neither folder can take one: no path, and nothing is written.
    Win32PlatformOptions nowhere;
    nowhere.logFolder = folder / "plain\\logs";
    nowhere.fallbackLogFolder = folder / "plain\\fallback";
    EXPECT_EQ("", Win32Platform(nowhere).LogFilePath("Test.Log"));
    Win32Platform(nowhere).AppendLogBytes("Test.Log", "lost\r\n");
}

TEST(Win32ModuleTest, TheDefaultLogFolderIsTheModulesFolder) {
    Win32Platform platform;
    const std::string module = platform.ModuleFileName();
    const std::string path = platform.LogFilePath("Probe.Log");
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(module.substr(0, module.find_last_of('\\')) + "\\Probe.Log", path);
}

}  // namespace
}  // namespace sl::platform::win32
