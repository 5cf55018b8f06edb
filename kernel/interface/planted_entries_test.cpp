// Backup folders with links, FIFOs and devices planted where the library
// reads or writes its own files (the bookkeeping file, its lock, registry
// archives, file copies and their temporaries), built for real on the demo
// machine. Whatever is planted, no file outside the folder changes, nothing
// the links point to is copied in, and no run waits for ever.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "kernel/interface/e2e_test_support.h"
#include "kernel/interface/kernel.h"
#include "kernel/interface/stowlark_kernel.h"

namespace sl {
namespace {

namespace fs = std::filesystem;
using platform::kHkeyCurrentUser;

// Excel's toolbars and menus: two registry archives and the *.XLB files of
// the Windows folder as file copies; and its recent files, one archive.
const char kIds[] = "'13''19'";
const char kMenusKey[] = "Software\\Microsoft\\Office\\8.0\\Excel\\Init Menus";
constexpr auto kPatience = std::chrono::seconds(30);

class PlantedEntriesTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::LoadDemoMachine(machine);
        machine.WriteFile("C:\\windows\\Second.xlb", "second toolbar file");
        victim = machine.Root() + "/victim.txt";
        WriteUnix(victim, kVictimText);
        secret = machine.Root() + "/secret.txt";
        WriteUnix(secret, "not for the prefix");
        // What an untouched folder holds after a backup: the names to plant.
        fs::create_directories(Unix("clean"));
        EXPECT_EQ(Run(Dos("clean"), SL_MODE_BACKUP), 1);
        for (const auto& entry : fs::directory_iterator(Unix("clean"))) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
    }

    static constexpr const char* kVictimText = "the user's own file";

    static void WriteUnix(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    std::string Unix(const std::string& folder) const { return machine.Root() + "/" + folder; }
    std::string Dos(const std::string& folder) const { return testing::ZPath(Unix(folder)); }

    static std::int32_t Run(const std::string& folder, std::int32_t mode,
                            std::string* bad = nullptr) {
        std::string badIDs;
        std::int32_t result = SL_RunInstructions(kIds, folder.c_str(), mode, badIDs, nullptr);
        if (bad != nullptr) *bad = badIDs;
        return result;
    }

    // Runs body in a child process and fails when it has not ended within
    // kPatience (the child is then killed, so a hang cannot stop the tests).
    // The child's exit status, or -1.
    template <typename Body>
    static int InChild(Body&& body) {
        pid_t child = ::fork();
        if (child == 0) _exit(body());
        const auto until = std::chrono::steady_clock::now() + kPatience;
        int status = 0;
        while (::waitpid(child, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > until) {
                ::kill(child, SIGKILL);
                ::waitpid(child, &status, 0);
                ADD_FAILURE() << "the run did not end";
                return -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // A copy of the clean backup folder under another name.
    void CopyClean(const std::string& folder) {
        fs::copy(Unix("clean"), Unix(folder), fs::copy_options::recursive);
    }

    testing::TempPrefix machine;
    std::string victim, secret;
    std::vector<std::string> names;  // of the clean backup folder
};

TEST_F(PlantedEntriesTest, LinksWhereABackupWritesAreReplacedNotWrittenThrough) {
    ASSERT_GE(names.size(), 5u);  // three archives, two copies, the bookkeeping file
    // Every name a backup writes, and the fixed temporary names older
    // versions used, is a link to the user's file before the backup starts.
    fs::create_directories(Unix("linked"));
    std::vector<std::string> planted;
    for (const std::string& name : names) {
        if (name == "Stowlark.dat" || name == "Stowlark.lck") continue;
        planted.push_back(name);
        planted.push_back(name + ".tmp");
    }
    planted.push_back("Stowlark.dat.tmp");
    for (const std::string& name : planted) fs::create_symlink(victim, Unix("linked/" + name));

    EXPECT_EQ(Run(Dos("linked"), SL_MODE_BACKUP), 1);
    EXPECT_EQ(testing::ReadUnix(victim), kVictimText);
    for (const std::string& name : names) {
        if (name == "Stowlark.lck") continue;
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(Unix("linked/" + name)))) << name;
        EXPECT_EQ(testing::ReadUnix(Unix("linked/" + name)), testing::ReadUnix(Unix("clean/" + name)))
            << name;
    }
    // The folder restores as well as the clean one.
    std::string bad = "unset";
    EXPECT_EQ(Run(Dos("linked"), SL_MODE_RESTORE, &bad), 1);
    EXPECT_EQ(bad, "");
    EXPECT_EQ(testing::ReadUnix(victim), kVictimText);
}

TEST_F(PlantedEntriesTest, ALinkedBookkeepingFileStopsTheRunAndAPlantedLockFileIsIgnored) {
    // The bookkeeping file as a link to a valid bookkeeping file elsewhere:
    // it is not read, and not replaced through the link.
    const std::string outside = Unix("outside.dat");
    fs::copy_file(Unix("clean/Stowlark.dat"), outside);
    const std::string outsideBytes = testing::ReadUnix(outside);
    CopyClean("linked-dat");
    fs::remove(Unix("linked-dat/Stowlark.dat"));
    fs::create_symlink(outside, Unix("linked-dat/Stowlark.dat"));
    std::string ids;
    EXPECT_NE(SL_GetSavedIDs(Dos("linked-dat").c_str(), ids), 0);
    EXPECT_EQ(Run(Dos("linked-dat"), SL_MODE_BACKUP), 0);
    EXPECT_EQ(Run(Dos("linked-dat"), SL_MODE_RESTORE), 0);
    EXPECT_EQ(testing::ReadUnix(outside), outsideBytes);
    EXPECT_TRUE(fs::is_symlink(Unix("linked-dat/Stowlark.dat")));

    // The run locks the folder itself and makes no lock file: one planted
    // as a link to the user's file is neither opened nor followed.
    for (std::int32_t mode : {SL_MODE_BACKUP, SL_MODE_RESTORE}) {
        CopyClean("linked-lck");
        EXPECT_FALSE(fs::exists(fs::symlink_status(Unix("linked-lck/Stowlark.lck"))));
        fs::create_symlink(victim, Unix("linked-lck/Stowlark.lck"));
        EXPECT_EQ(Run(Dos("linked-lck"), mode), 1) << mode;
        EXPECT_EQ(testing::ReadUnix(victim), kVictimText) << mode;
        EXPECT_TRUE(fs::is_symlink(Unix("linked-lck/Stowlark.lck"))) << mode;
        fs::remove_all(Unix("linked-lck"));
    }
}

TEST_F(PlantedEntriesTest, FifosAndDevicesWhereARunReadsFailWithoutWaiting) {
    // The Excel toolbar file on the machine before the restore.
    const auto filesBefore = testing::SnapshotFiles(machine);
    std::vector<std::string> bins, dats;
    for (const std::string& name : names) {
        if (name.ends_with(".bin")) bins.push_back(name);
        if (name.ends_with(".dat") && name != "Stowlark.dat") dats.push_back(name);
    }
    ASSERT_EQ(bins.size(), 3u);
    ASSERT_EQ(dats.size(), 2u);

    // Every archive and copy replaced: a FIFO, a link to /dev/zero, a link
    // to a file outside, a device itself (through its link), a FIFO again.
    CopyClean("planted");
    for (const std::string& name : bins) fs::remove(Unix("planted/" + name));
    for (const std::string& name : dats) fs::remove(Unix("planted/" + name));
    ASSERT_EQ(::mkfifo(Unix("planted/" + bins[0]).c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", Unix("planted/" + bins[1]));
    fs::create_symlink(secret, Unix("planted/" + bins[2]));
    fs::create_symlink("/dev/zero", Unix("planted/" + dats[0]));
    ASSERT_EQ(::mkfifo(Unix("planted/" + dats[1]).c_str(), 0600), 0);

    const std::string folder = Dos("planted");
    const int status = InChild([&] {
        std::string bad;
        const std::int32_t result = Run(folder, SL_MODE_RESTORE, &bad);
        // Failed components are reported, and the run as failed.
        const bool named = bad.find("'13'") != std::string::npos &&
                           bad.find("'19'") != std::string::npos;
        return result == 0 && named ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    machine.ReloadPlatform();
    // Nothing came into the prefix: no zeros, no outside file, no change.
    EXPECT_EQ(testing::SnapshotFiles(machine), filesBefore);
    const std::string log = machine.LogText();
    EXPECT_NE(log.find("1920"), std::string::npos) << log;
    EXPECT_NE(log.find("1921"), std::string::npos) << log;

    // The bookkeeping file as a FIFO: lists, backups and restores fail at
    // once. A FIFO where an older version kept its lock file is not opened
    // at all: the runs go on.
    for (const char* name : {"Stowlark.dat", "Stowlark.lck"}) {
        CopyClean("fifo");
        fs::remove(Unix(std::string("fifo/") + name));
        ASSERT_EQ(::mkfifo(Unix(std::string("fifo/") + name).c_str(), 0600), 0);
        const std::string fifoFolder = Dos("fifo");
        const bool isBookkeeping = std::string(name) == "Stowlark.dat";
        EXPECT_EQ(InChild([&] {
                      std::string ids;
                      const bool listed = SL_GetSavedIDs(fifoFolder.c_str(), ids) == 0;
                      const std::int32_t backup = Run(fifoFolder, SL_MODE_BACKUP);
                      const std::int32_t restore = Run(fifoFolder, SL_MODE_RESTORE);
                      const std::int32_t expected = isBookkeeping ? 0 : 1;
                      return listed != isBookkeeping && backup == expected && restore == expected ? 0 : 1;
                  }),
                  0)
            << name;
        fs::remove_all(Unix("fifo"));
    }
}

TEST_F(PlantedEntriesTest, FifosAndLinksInTheApplicationsFoldersAreNotBackedUp) {
    const std::string windows = machine.UnixPath("C:\\windows");
    ASSERT_EQ(::mkfifo((windows + "/Waiting.xlb").c_str(), 0600), 0);
    fs::create_symlink(secret, windows + "/Secret.xlb");
    fs::create_symlink("/dev/zero", windows + "/Zero.xlb");
    fs::create_directories(Unix("fresh"));
    const std::string folder = Dos("fresh");
    std::string bad;
    EXPECT_EQ(InChild([&] { return Run(folder, SL_MODE_BACKUP) == 1 ? 0 : 1; }), 0);
    for (const auto& entry : fs::directory_iterator(Unix("fresh"))) {
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(entry.path()))) << entry.path();
        EXPECT_NE(testing::ReadUnix(entry.path().string()), "not for the prefix") << entry.path();
        EXPECT_LT(fs::file_size(entry.path()), 1u << 20) << entry.path();
    }
}

// A section of user.reg far deeper than Windows allows used to overflow the
// stack of every run that read or wrote the hive. Runs now work, and the
// section stays in the file as it was.
TEST_F(PlantedEntriesTest, AHiveWithAKeyDeeperThanWindowsAllowsStillBacksUpAndRestores) {
    std::string deep = "[Software";
    for (int level = 0; level < 300000; ++level) deep += "\\\\k";
    deep += "] 1700000000\n\"v\"=\"deep\"\n";
    machine.WriteHive("user.reg", machine.ReadHive("user.reg") + "\n" + deep);
    machine.ReloadPlatform();

    fs::create_directories(Unix("deep"));
    std::string bad;
    EXPECT_EQ(Run(Dos("deep"), SL_MODE_BACKUP, &bad), 1);
    EXPECT_EQ(bad, "");
    EXPECT_EQ(Run(Dos("deep"), SL_MODE_RESTORE, &bad), 1);
    EXPECT_EQ(bad, "");
    EXPECT_EQ(SL_GetInstalledIDsN(""), "");  // every application still found installed
    machine.ReloadPlatform();
    EXPECT_NE(machine.ReadHive("user.reg").find(deep), std::string::npos);
}

// Copies on a read-only medium (a CD, a folder copied from one) are 0444: the
// restored files take the rights of the files they replace, or of a new
// file, so the next restore can replace them again.
TEST_F(PlantedEntriesTest, ReadOnlyCopiesRestoreAsFilesTheNextRestoreCanReplace) {
    for (const auto& entry : fs::directory_iterator(Unix("clean"))) {
        if (entry.path().filename().string().starts_with("Stowlark.")) continue;
        fs::permissions(entry.path(), fs::perms::owner_read | fs::perms::group_read |
                                          fs::perms::others_read);
    }
    const std::string toolbars = machine.UnixPath("C:\\windows\\Second.xlb");
    fs::remove(toolbars);  // made new by the restore
    std::string bad;
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(Run(Dos("clean"), SL_MODE_RESTORE, &bad), 1) << round;
        EXPECT_EQ(bad, "") << round;
    }
    const auto perms = fs::status(toolbars).permissions();
    EXPECT_NE(perms & fs::perms::owner_write, fs::perms::none);
    EXPECT_EQ(perms & fs::perms::others_write, fs::perms::none);
}

// A run killed half way leaves temporaries in the backup folder and in the
// prefix; the next backup neither copies them as settings nor keeps them.
TEST_F(PlantedEntriesTest, TemporariesOfKilledRunsAreNeitherBackedUpNorKept) {
    // WinAmp's skins are copied whatever their names (*.*).
    const std::string skins = machine.UnixPath("C:\\Program Files\\Winamp\\Skins\\Neon");
    for (const char* name : {".sl-tmp-pledit.txt-Ab12Cd", ".pledit.txt.sl-Xy34Zw"}) {
        WriteUnix(skins + "/" + name, "half a skin");
    }
    CopyClean("again");
    for (const char* name : {".sl-tmp-Stowlark.dat-q1w2e3", "Stowlark.dat.tmp", "1.bin.tmp"}) {
        WriteUnix(Unix(std::string("again/") + name), "half a file");
    }
    // Another component, so that the folder's bookkeeping file is written again.
    std::string bad;
    std::string ids = "'19'";
    EXPECT_EQ(SL_RunInstructions(ids.c_str(), Dos("again").c_str(), SL_MODE_BACKUP, bad, nullptr), 1);
    std::set<std::string> now;
    for (const auto& entry : fs::directory_iterator(Unix("again"))) {
        now.insert(entry.path().filename().string());
    }
    EXPECT_EQ(now, std::set<std::string>(names.begin(), names.end()));

    fs::create_directories(Unix("second"));
    const std::string skinIds = "'59'";
    EXPECT_EQ(SL_RunInstructions(skinIds.c_str(), Dos("second").c_str(), SL_MODE_BACKUP, bad,
                                 nullptr),
              1);
    CSLKernel kernel;
    kernel.SetFolder(Dos("second"));
    ASSERT_EQ(kernel.Load(kernel.Folder), 0);
    std::size_t copied = 0;
    for (const auto& item : kernel.FileItems) {
        for (const std::string& source : item->SourceFiles) {
            EXPECT_EQ(source.find("sl-"), std::string::npos) << source;
            ++copied;
        }
    }
    EXPECT_GT(copied, 2u);  // the skins themselves
}

}  // namespace
}  // namespace sl
