// Test support for stowlark-cli: scratch copies of the demo machine, the
// real binary run as a child process, and snapshots of folder trees.
#pragma once

#include "kernel/testing/bookkeeping_file.h"

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace sl::testing {

struct CliResult {
    int status = -1;  // exit status; 128 + n when killed by signal n
    std::string out;
    std::string err;
};

// Runs stowlark-cli with args, stdout and stderr captured, stdin /dev/null.
// The child is killed after the timeout (status then 128 + SIGKILL).
CliResult RunCli(const std::vector<std::string>& args,
                 std::chrono::seconds timeout = std::chrono::seconds(120));

// A running stowlark-cli whose output is read while it runs.
class CliProcess {
public:
    // stdoutIsTerminal: stdout is the slave side of a pseudo-terminal.
    CliProcess(const std::vector<std::string>& args, bool stdoutIsTerminal = false);
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    // Reads stdout until it contains text; false after the timeout or at
    // the end of the output.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds timeout);
    void Signal(int signal);
    // Reads the rest of the output and waits for the exit.
    CliResult Finish(std::chrono::seconds timeout = std::chrono::seconds(120));

private:
    bool ReadSome(int timeoutMs);

    int pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    std::string out_;
    std::string err_;
};

// A new temporary folder (removed by RemoveTree).
std::string MakeTempFolder();
void RemoveTree(const std::string& path);

// Copies the demo machine to folder/name and returns the new prefix.
std::string CopyDemoMachine(const std::string& folder, const std::string& name);

// Every entry below root: relative path -> file content, "<dir>" for a
// folder, "-> target" for a symbolic link.
std::map<std::string, std::string> Snapshot(const std::string& root);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);

// The saved and restored ID lists of a backup folder (a Unix path inside
// the prefix's reach), read through the kernel's bookkeeping code; rc gets
// the load result.
using Bookkeeping = BookkeepingFile;
inline Bookkeeping ReadBookkeeping(const std::string& prefix, const std::string& unixFolder) {
    return ReadBookkeepingFile(prefix, unixFolder);
}

}  // namespace sl::testing
