// Whole files of the host, read and written by their Unix path, for tests
// that look at what a backend left on disk (hives, logs, locks).
#pragma once

#include <filesystem>
#include <string>

namespace sl::testing {

// The bytes of the file at path; empty when it cannot be read.
std::string ReadWholeFile(const std::filesystem::path& path);

// Replaces the file at path by text (created when missing).
void WriteWholeFile(const std::filesystem::path& path, const std::string& text);

}  // namespace sl::testing
