// Test support for the interoperability tests that run real Wine: shell
// commands inside a prefix, Wine's own reg tool, the regprobe program (a
// Windows program of ours built with mingw-w64, see win32/regprobe.cpp), and
// one booted prefix per test program that every test copies.
#pragma once

#include <string>

namespace sl::testing {

// Single-quotes a text for the shell.
std::string ShellQuote(const std::string& text);
// Runs a shell command (standard error dropped); its exit status, and its
// standard output when output is given.
int Shell(const std::string& command, std::string* output = nullptr);
// The command prefixed with the environment that points Wine at prefix.
std::string InPrefix(const std::string& prefix, const std::string& command);
// Runs the Wine loader with arguments inside prefix ("reg query ...").
int Wine(const std::string& prefix, const std::string& arguments, std::string* output = nullptr);
// Waits until the prefix's wineserver has saved the registry and gone.
void WaitForServer(const std::string& prefix);
// wine reg add KEY /v NAME /t TYPE /d DATA /f, with extra arguments such as "/reg:32".
int RegAdd(const std::string& prefix, const std::string& key, const std::string& name,
           const std::string& type, const std::string& data, const std::string& extra = "");

// The regprobe program's path; empty when the build could not make it (no
// mingw-w64 cross compiler).
std::string RegProbePath();
// Runs regprobe with arguments (each one quoted here) inside prefix; its
// output with plain line ends.
int RegProbe(const std::string& prefix, const std::initializer_list<std::string>& arguments,
             std::string* output = nullptr);

// Makes a prefix with wineboot -i at path and waits for its server; true when
// it holds system.reg and user.reg afterwards.
bool BootPrefix(const std::string& path);
// Replaces target by a copy of source (links kept as links).
bool CopyPrefix(const std::string& source, const std::string& target);

}  // namespace sl::testing
