#include "kernel/testing/wine_runner.h"

#include <array>
#include <cstdio>
#include <filesystem>

namespace sl::testing {

namespace fs = std::filesystem;

std::string ShellQuote(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out.push_back(c);
        }
    }
    return out + "'";
}

int Shell(const std::string& command, std::string* output) {
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return -1;
    std::array<char, 4096> buffer;
    std::string text;
    while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) text.append(buffer.data(), n);
    int status = ::pclose(pipe);
    if (output) *output = text;
    return status;
}

std::string InPrefix(const std::string& prefix, const std::string& command) {
    return "env -u DISPLAY WINEPREFIX=" + ShellQuote(prefix) + " WINEDEBUG=-all " + command;
}

namespace {

// Debian installs the 64-bit loader outside the PATH; "wine" finds it.
std::string WineLoader() {
    if (Shell("command -v wine64 >/dev/null") == 0) return "wine64";
    if (fs::exists("/usr/lib/wine/wine64")) return "/usr/lib/wine/wine64";
    return "wine";
}

}  // namespace

int Wine(const std::string& prefix, const std::string& arguments, std::string* output) {
    return Shell(InPrefix(prefix, WineLoader() + " " + arguments), output);
}

void WaitForServer(const std::string& prefix) { Shell(InPrefix(prefix, "wineserver -w")); }

int RegAdd(const std::string& prefix, const std::string& key, const std::string& name,
           const std::string& type, const std::string& data, const std::string& extra) {
    return Wine(prefix, "reg add " + ShellQuote(key) + " /v " + ShellQuote(name) + " /t " + type +
                            " /d " + ShellQuote(data) + " /f " + extra);
}

std::string RegProbePath() {
#ifdef SL_REGPROBE_EXE
    if (fs::exists(SL_REGPROBE_EXE)) return SL_REGPROBE_EXE;
#endif
    return "";
}

int RegProbe(const std::string& prefix, const std::initializer_list<std::string>& arguments,
             std::string* output) {
    std::string command = ShellQuote(RegProbePath());
    for (const std::string& argument : arguments) command += " " + ShellQuote(argument);
    int status = Wine(prefix, command, output);
    // Wine's console writes line ends as CR LF.
    if (output) std::erase(*output, '\r');
    return status;
}

bool BootPrefix(const std::string& path) {
    int status = Shell(InPrefix(path, "wineboot -i") + " >/dev/null");
    WaitForServer(path);
    return status == 0 && fs::exists(path + "/system.reg") && fs::exists(path + "/user.reg");
}

bool CopyPrefix(const std::string& source, const std::string& target) {
    std::error_code ignored;
    fs::remove_all(target, ignored);
    return Shell("cp -a " + ShellQuote(source) + " " + ShellQuote(target)) == 0;
}

}  // namespace sl::testing
