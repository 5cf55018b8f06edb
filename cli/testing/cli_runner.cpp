#include "cli/testing/cli_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>


extern char** environ;

namespace fs = std::filesystem;

namespace sl::testing {
namespace {

int StatusOf(int raw) {
    if (WIFEXITED(raw)) return WEXITSTATUS(raw);
    if (WIFSIGNALED(raw)) return 128 + WTERMSIG(raw);
    return -1;
}

}  // namespace

CliProcess::CliProcess(const std::vector<std::string>& args, bool stdoutIsTerminal) {
    int outPipe[2];
    int errPipe[2];
    int childOut = -1;
    if (stdoutIsTerminal) {
        int master = -1;
        int slave = -1;
        if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
            throw std::runtime_error("openpty failed");
        }
        outPipe[0] = master;
        outPipe[1] = slave;
    } else if (::pipe(outPipe) != 0) {
        throw std::runtime_error("pipe failed");
    }
    childOut = outPipe[1];
    if (::pipe(errPipe) != 0) throw std::runtime_error("pipe failed");

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, childOut, 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    posix_spawn_file_actions_addclose(&actions, outPipe[0]);
    posix_spawn_file_actions_addclose(&actions, errPipe[0]);

    // The child starts with SIGINT at its default action, whatever ours is.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::vector<std::string> all;
    all.push_back(SL_CLI_BINARY);
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    int rc = ::posix_spawn(&pid, SL_CLI_BINARY, &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(childOut);
    ::close(errPipe[1]);
    if (rc != 0) throw std::runtime_error("cannot start " SL_CLI_BINARY);
    pid_ = pid;
    outFd_ = outPipe[0];
    errFd_ = errPipe[0];
}

CliProcess::~CliProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        int raw = 0;
        ::waitpid(pid_, &raw, 0);
    }
    if (outFd_ >= 0) ::close(outFd_);
    if (errFd_ >= 0) ::close(errFd_);
}

bool CliProcess::ReadSome(int timeoutMs) {
    pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    int n = ::poll(fds, 2, timeoutMs);
    if (n <= 0) return false;
    bool any = false;
    char buffer[4096];
    for (int i = 0; i < 2; ++i) {
        int& fd = i == 0 ? outFd_ : errFd_;
        if (fd < 0 || (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            (i == 0 ? out_ : err_).append(buffer, static_cast<std::size_t>(got));
            any = true;
        } else {
            // End of output (a pseudo-terminal reports EIO once the child closed it).
            ::close(fd);
            fd = -1;
            fds[i].fd = -1;
        }
    }
    return any || outFd_ >= 0 || errFd_ >= 0;
}

bool CliProcess::WaitForOutput(const std::string& text, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (out_.find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() >= end) return false;
        if (outFd_ < 0) return false;
        ReadSome(20);
    }
    return true;
}

void CliProcess::Signal(int signal) {
    if (pid_ > 0) ::kill(pid_, signal);
}

CliResult CliProcess::Finish(std::chrono::seconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while ((outFd_ >= 0 || errFd_ >= 0) && std::chrono::steady_clock::now() < end) ReadSome(50);
    CliResult result;
    int raw = 0;
    if (outFd_ >= 0 || errFd_ >= 0) ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &raw, 0);
    pid_ = -1;
    result.status = StatusOf(raw);
    result.out = out_;
    result.err = err_;
    return result;
}

CliResult RunCli(const std::vector<std::string>& args, std::chrono::seconds timeout) {
    CliProcess process(args);
    return process.Finish(timeout);
}

std::string MakeTempFolder() {
    std::string pattern = (fs::temp_directory_path() / "stowlark-cli-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return pattern;
}

void RemoveTree(const std::string& path) {
    std::error_code ec;
    fs::remove_all(path, ec);
}

std::string CopyDemoMachine(const std::string& folder, const std::string& name) {
    const std::string target = folder + "/" + name;
    fs::copy(SL_DEMO_PREFIX, target, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    return target;
}

std::map<std::string, std::string> Snapshot(const std::string& root) {
    std::map<std::string, std::string> entries;
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(root, ec))) return entries;
    for (auto it = fs::recursive_directory_iterator(root, ec); it != fs::end(it);
         it.increment(ec)) {
        const fs::path& path = it->path();
        const std::string relative = fs::relative(path, root).string();
        if (fs::is_symlink(it->symlink_status())) {
            entries[relative] = "-> " + fs::read_symlink(path).string();
        } else if (it->is_directory()) {
            entries[relative] = "<dir>";
        } else {
            entries[relative] = ReadFile(path.string());
        }
    }
    return entries;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& content) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

}  // namespace sl::testing
