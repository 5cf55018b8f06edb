#include "kernel/testing/temp_prefix.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "kernel/platform/wine/paths/dos_paths.h"

namespace sl::testing {
namespace {

namespace fs = std::filesystem;

void WriteUnixFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    EXPECT_TRUE(out.good()) << "cannot write " << path;
}

std::string ReadUnixFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

std::string EmptyHiveText(const std::string& fileName) {
    std::string root = fileName == "user.reg"      ? "User\\\\S-1-5-21-0-0-0-1000"
                       : fileName == "userdef.reg" ? "User\\\\.Default"
                                                   : "Machine";
    return "WINE REGISTRY Version 2\n"
           ";; All keys relative to REGISTRY\\\\" + root + "\n"
           "\n"
           "#arch=win64\n";
}

TempPrefix::TempPrefix(bool install) : serverRunning_(std::make_shared<bool>(false)) {
    std::string base = fs::temp_directory_path().string() + "/sl-prefix-XXXXXX";
    if (::mkdtemp(base.data()) == nullptr) {
        ADD_FAILURE() << "cannot create a temporary folder";
    }
    root_ = base;
    fs::create_directories(DriveC() + "/windows/system32");
    fs::create_directories(PrefixPath() + "/dosdevices");
    fs::create_directory_symlink("../drive_c", PrefixPath() + "/dosdevices/c:");
    fs::create_directories(LogFolder());
    for (const char* hive : {"system.reg", "user.reg", "userdef.reg"}) {
        WriteHive(hive, EmptyHiveText(hive));
    }
    MakePlatform();
    if (install) {
        previous_ = platform::Install(platform_);
        installed_ = true;
    }
}

TempPrefix::~TempPrefix() {
    if (installed_) platform::Install(previous_);
    platform_.reset();
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

std::string TempPrefix::PrefixPath() const { return root_ + "/prefix"; }
std::string TempPrefix::DriveC() const { return root_ + "/prefix/drive_c"; }
std::string TempPrefix::LogFolder() const { return root_ + "/log"; }

void TempPrefix::MakePlatform() {
    platform::wine::WinePlatformOptions options;
    options.logFolder = LogFolder();
    options.fallbackLogFolder = root_ + "/fallback-log";
    options.serverRunning = [flag = serverRunning_] { return *flag; };
    platform_ = std::make_shared<platform::wine::WinePlatform>(PrefixPath(), std::move(options));
}

void TempPrefix::ReloadPlatform() {
    MakePlatform();
    if (installed_) platform::Install(platform_);
}

void TempPrefix::SimulateWineServer(bool running) { *serverRunning_ = running; }

std::string TempPrefix::UnixPath(const std::string& dosPath) const {
    std::string unixPath;
    platform::DWORD error = platform::wine::DosToUnixPath(PrefixPath(), dosPath, &unixPath);
    EXPECT_EQ(error, 0u) << "cannot map " << dosPath;
    return error == 0 ? unixPath : std::string();
}

void TempPrefix::WriteFile(const std::string& dosPath, const std::string& bytes) const {
    std::string path = UnixPath(dosPath);
    if (path.empty()) return;
    fs::create_directories(fs::path(path).parent_path());
    WriteUnixFile(path, bytes);
}

std::string TempPrefix::ReadFile(const std::string& dosPath) const {
    std::string path = UnixPath(dosPath);
    return path.empty() ? std::string() : ReadUnixFile(path);
}

bool TempPrefix::Exists(const std::string& dosPath) const {
    std::string path = UnixPath(dosPath);
    std::error_code ignored;
    return !path.empty() && fs::exists(fs::symlink_status(path, ignored));
}

void TempPrefix::MakeFolder(const std::string& dosPath) const {
    std::string path = UnixPath(dosPath);
    if (!path.empty()) fs::create_directories(path);
}

void TempPrefix::WriteHive(const std::string& fileName, const std::string& text) const {
    WriteUnixFile(PrefixPath() + "/" + fileName, text);
}

std::string TempPrefix::ReadHive(const std::string& fileName) const {
    return ReadUnixFile(PrefixPath() + "/" + fileName);
}

std::string TempPrefix::LogText(const std::string& logName) const {
    return ReadUnixFile(platform_->LogFilePath(logName));
}

}  // namespace sl::testing
