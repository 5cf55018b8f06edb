#include "wizard/pages/testing/wizard_fixture.h"

#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <QCoreApplication>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "kernel/platform/wine/paths/dos_paths.h"
#include "kernel/testing/prefix_registry.h"
#include "common/session/prefix_choice.h"

extern char** environ;
namespace fs = std::filesystem;

namespace sl::wizard::testing {
namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

ScratchMachine::ScratchMachine() {
    if (!fs::is_directory(SL_DEMO_PREFIX)) return;
    std::string error;
    prefix_ = session::MakeScratchPrefix(SL_DEMO_PREFIX, "", &error);
    if (!prefix_.empty()) ::setenv("WINEPREFIX", prefix_.c_str(), 1);
}

ScratchMachine::~ScratchMachine() {
    std::error_code ec;
    if (!prefix_.empty() && !std::getenv("SL_KEEP_SCRATCH")) fs::remove_all(prefix_, ec);
}

std::string ScratchMachine::Unix(const std::string& dosPath) const {
    std::string unixPath;
    platform::wine::DosToUnixPath(prefix_, dosPath, &unixPath);
    return unixPath;
}

bool ScratchMachine::Exists(const std::string& dosPath) const {
    std::error_code ec;
    return fs::exists(Unix(dosPath), ec);
}

std::string ScratchMachine::ReadFile(const std::string& dosPath) const {
    std::ifstream in(Unix(dosPath), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void ScratchMachine::WriteFile(const std::string& dosPath, const std::string& bytes) const {
    const std::string path = Unix(dosPath);
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ScratchMachine::FindFile(const std::string& name) const {
    const fs::path driveC = fs::path(prefix_) / "drive_c";
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(driveC, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_regular_file() && Lower(it->path().filename().string()) == Lower(name)) {
            return platform::wine::UnixToDosPath(prefix_, it->path().string());
        }
    }
    return {};
}

std::vector<std::string> ScratchMachine::FilesIn(const std::string& dosFolder) const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(Unix(dosFolder), ec)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::map<std::string, std::string> ScratchMachine::RegistryTree(uintptr_t root,
                                                                const std::string& key) const {
    return sl::testing::PrefixRegistryTree(prefix_, root, key);
}

bool ScratchMachine::SetRegistryString(uintptr_t root, const std::string& key,
                                       const std::string& name, const std::string& value) const {
    return sl::testing::SetPrefixRegistryString(prefix_, root, key, name, value);
}

session::KernelBinding& Kernel() {
    static session::KernelBinding binding;
    if (!binding.Loaded()) binding.Load({SL_KERNEL_BIN_DIR});
    return binding;
}

int RunKernelInChild(const std::string& prefix, const std::string& ids,
                     const std::string& folder, int mode) {
    const std::string self = QCoreApplication::applicationFilePath().toStdString();
    const std::string modeText = std::to_string(mode);
    std::vector<char*> args = {const_cast<char*>(self.c_str()),
                               const_cast<char*>("--kernel-run"),
                               const_cast<char*>(prefix.c_str()),
                               const_cast<char*>(ids.c_str()),
                               const_cast<char*>(folder.c_str()),
                               const_cast<char*>(modeText.c_str()),
                               nullptr};
    pid_t child = 0;
    if (::posix_spawn(&child, self.c_str(), nullptr, nullptr, args.data(), environ) != 0) {
        return -1;
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int KernelRunChildMain(int argc, char** argv) {
    if (argc < 6) return 100;
    ::setenv("WINEPREFIX", argv[2], 1);
    session::KernelBinding binding;
    if (!binding.Load({SL_KERNEL_BIN_DIR})) return 101;
    std::string bad;
    return binding.Api().RunInstructions(argv[3], argv[4], std::atoi(argv[5]), bad, nullptr);
}

MessageRecorder::MessageRecorder() {
    SetMessageBoxFunction([this](const MessageRequest& request) {
        requests_.push_back(request);
        if (!answers_.empty()) {
            QMessageBox::StandardButton answer = answers_.front();
            answers_.pop_front();
            return answer;
        }
        return request.buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
    });
}

MessageRecorder::~MessageRecorder() { SetMessageBoxFunction({}); }

QStringList MessageRecorder::Texts() const {
    QStringList texts;
    for (const MessageRequest& request : requests_) texts << request.text;
    return texts;
}

std::unique_ptr<WizardContext> MakeContext(const std::string& prefix) {
    auto context = std::make_unique<WizardContext>();
    context->services = MakeDefaultServices(Kernel().Api(), prefix, false);
    context->services.logPath = session::KernelLogPath(Kernel().LibraryPath());
    context->services.windowsProgramsRunning = [](const std::string&) { return false; };
    // The tests' choices never reach the user's own settings.
    context->services.rememberPrefix = [](const std::string&) {};
    context->services.findPrefixes = [] { return std::vector<session::FoundPrefix>{}; };
    return context;
}

}  // namespace sl::wizard::testing
