// The fixture of the WineFiles tests: a temporary prefix, the files of its
// drive and helpers that list folders through them.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "kernel/platform/wine/wine_files.h"
#include "kernel/testing/temp_prefix.h"

namespace sl::platform::wine {

class WineFilesTest : public ::testing::Test {
protected:
    // Every entry of a search, or the error of its first call.
    std::vector<FindData> List(const std::string& pattern, DWORD* error) {
        std::vector<FindData> entries;
        FindHandle handle = 0;
        FindData data;
        *error = files_.FindFirstFile(pattern, &handle, &data);
        if (*error != 0) return entries;
        do {
            entries.push_back(data);
        } while ((*error = files_.FindNextFile(handle, &data)) == 0);
        EXPECT_EQ(files_.FindClose(handle), 0u);
        return entries;
    }
    std::vector<std::string> Names(const std::string& pattern) {
        DWORD error = 0;
        std::vector<std::string> names;
        for (const FindData& entry : List(pattern, &error)) names.push_back(entry.name);
        if (error != kErrorNoMoreFiles) names.push_back("error " + std::to_string(error));
        return names;
    }
    mode_t Mode(const std::string& dos) {
        struct stat st {};
        ::stat(prefix_.UnixPath(dos).c_str(), &st);
        return st.st_mode & 07777;
    }
    std::vector<std::string> FolderEntries(const std::string& dos) {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(prefix_.UnixPath(dos))) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    sl::testing::TempPrefix prefix_{false};
    WineFiles files_{prefix_.PrefixPath()};
};

}  // namespace sl::platform::wine
