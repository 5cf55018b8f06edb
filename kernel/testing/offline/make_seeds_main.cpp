// Writes the seed inputs of the two hive fuzz targets from the test support's
// builders: make_offline_seeds FUZZ_CORPUS_FOLDER (fills nt_hive_fuzz/ and
// creg_hive_fuzz/ below it).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "kernel/testing/offline/creg_hive_writer.h"
#include "kernel/testing/offline/nt_hive_writer.h"
#include "kernel/testing/offline/windows_layouts.h"

using namespace sl::testing::offline;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_offline_seeds FUZZ_CORPUS_FOLDER\n");
        return 2;
    }
    namespace fs = std::filesystem;
    fs::path nt = fs::path(argv[1]) / "nt_hive_fuzz";
    fs::path creg = fs::path(argv[1]) / "creg_hive_fuzz";
    fs::create_directories(nt);
    fs::create_directories(creg);
    std::string error;
    bool ok = WriteNtHive((nt / "user").string(), NtUserHive("bob", "C:\\Program Files\\Winamp"), &error) &&
              WriteNtHive((nt / "seven_software").string(), SevenSoftware({"bob"}), &error) &&
              WriteCregHive((creg / "system").string(), NinetyEightSystem({"bob"}), &error) &&
              WriteCregHive((creg / "user").string(), NinetyEightUser("bob"), &error);
    if (ok) {
        std::ofstream((nt / "empty").string(), std::ios::binary) << MinimalNtHive("ROOT");
        std::string bytes = CregHiveBytes(NinetyEightUser("bob"));
        std::ofstream((creg / "truncated").string(), std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    }
    if (!ok) std::fprintf(stderr, "make_offline_seeds: %s\n", error.c_str());
    return ok ? 0 : 1;
}
