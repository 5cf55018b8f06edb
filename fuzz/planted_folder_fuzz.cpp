// Fuzz target: a whole backup folder, read and written for real on a scratch
// Wine prefix. The input says, for each name the library reads or writes in
// a backup folder, what stands there: nothing, a plain file with bytes from
// the input, a link to a file outside, a FIFO, a link to /dev/zero, a second
// (hard) name of the outside file, or a folder. A restore from the folder
// and a backup into it then run. The file outside must stay as it was, and
// no run may wait (libFuzzer's -timeout reports one that does).
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "kernel/interface/kernel.h"
#include "kernel/platform/platform.h"
#include "kernel/platform/wine/wine_platform.h"

namespace {

namespace fs = std::filesystem;

const char* const kNames[] = {"Stowlark.dat", "Stowlark.lck", "1.bin",     "2.bin",
                              "3.dat",        "4.dat",        "5.bin.tmp", "Stowlark.dat.tmp"};
const char kVictimText[] = "a file of the user's, outside the folder";

struct Scratch {
    std::string root, prefix, folder, victim;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// One prefix for the whole run: a C: drive, the Z: drive on /, empty hives,
// WinAmp's folder and settings so that a backup has something to copy.
const Scratch& Setup() {
    static const Scratch scratch = [] {
        Scratch s;
        std::string templ = (fs::temp_directory_path() / "sl-planted-XXXXXX").string();
        if (::mkdtemp(templ.data()) == nullptr) std::abort();
        s.root = templ;
        s.prefix = s.root + "/prefix";
        s.folder = s.root + "/backup";
        s.victim = s.root + "/victim.txt";
        fs::create_directories(s.prefix + "/dosdevices");
        fs::create_directories(s.prefix + "/drive_c/windows/system32");
        fs::create_directories(s.prefix + "/drive_c/Program Files/Winamp");
        fs::create_directory_symlink("../drive_c", s.prefix + "/dosdevices/c:");
        fs::create_directory_symlink("/", s.prefix + "/dosdevices/z:");
        WriteAll(s.prefix + "/drive_c/Program Files/Winamp/winamp.ini", "[Winamp]\r\n");
        for (const char* hive : {"system.reg", "user.reg", "userdef.reg"}) {
            WriteAll(s.prefix + "/" + hive, "WINE REGISTRY Version 2\n");
        }
        sl::platform::wine::WinePlatformOptions options;
        options.logFolder = s.root + "/log";
        options.fallbackLogFolder = s.root + "/log";
        fs::create_directories(options.logFolder);
        sl::platform::Install(
            std::make_shared<sl::platform::wine::WinePlatform>(s.prefix, options));
        return s;
    }();
    // The scratch folder goes when the fuzzer ends normally.
    static const struct Remover {
        ~Remover() {
            std::error_code ignored;
            fs::remove_all(scratch.root, ignored);
        }
    } remover;
    return scratch;
}

// The DOS form of a Unix path through Z:.
std::string ZPath(const std::string& unixPath) {
    std::string dos = "Z:" + unixPath;
    for (char& c : dos) {
        if (c == '/') c = '\\';
    }
    return dos;
}

// Plants what the input asks for; returns where the input's bytes stop.
std::size_t Plant(const Scratch& s, const std::uint8_t* data, std::size_t size) {
    std::size_t at = 0;
    auto next = [&]() -> std::uint8_t { return at < size ? data[at++] : 0; };
    for (const char* name : kNames) {
        const std::string path = s.folder + "/" + name;
        switch (next() % 7) {
            case 0: break;
            case 1: {
                std::size_t length = next();
                length = length * 4 < size - at ? length * 4 : size - at;
                WriteAll(path, std::string(reinterpret_cast<const char*>(data + at), length));
                at += length;
                break;
            }
            case 2: fs::create_symlink(s.victim, path); break;
            case 3: ::mkfifo(path.c_str(), 0600); break;
            case 4: fs::create_symlink("/dev/zero", path); break;
            case 5: fs::create_hard_link(s.victim, path); break;
            case 6: fs::create_directory(path); break;
        }
    }
    return at;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Scratch& s = Setup();
    fs::remove_all(s.folder);  // never follows the links planted in it
    fs::create_directories(s.folder);
    WriteAll(s.victim, kVictimText);
    ::chmod(s.victim.c_str(), 0644);
    Plant(s, data, size);

    const std::string folder = ZPath(s.folder);
    {
        sl::CSLKernel reader;
        reader.SetFolder(folder);
        if (sl::DoesPathContainSLFiles(reader.Folder) == 1) reader.Load(reader.Folder);
    }
    {
        sl::CSLKernel restore;
        restore.Mode = sl::SL_MODE_RESTORE;
        restore.SetFolder(folder);
        restore.RunInstructions("");
    }
    {
        sl::CSLKernel backup;
        backup.Mode = sl::SL_MODE_BACKUP;
        backup.SetFolder(folder);
        backup.RunInstructions("'58'");
    }

    struct stat st;
    if (::lstat(s.victim.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) std::abort();
    if (ReadAll(s.victim) != kVictimText) std::abort();
    return 0;
}
