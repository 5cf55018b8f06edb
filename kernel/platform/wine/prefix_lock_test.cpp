// One writer per prefix: two registries on one prefix (as two processes
// would have) never interleave their writes, and the lock file cannot be
// turned against the user.
#include "kernel/platform/wine/prefix_lock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "kernel/platform/wine/wine_registry.h"
#include "kernel/testing/host_files.h"

namespace sl::platform::wine {
namespace {

namespace fs = std::filesystem;
using sl::testing::ReadWholeFile;
using std::chrono::milliseconds;

const char kUser[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n"
    "\n"
    "#arch=win32\n"
    "\n"
    "[Software\\\\App] 1796618213\n"
    "\"Name\"=\"user\"\n";

class PrefixLockTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string templ = (fs::temp_directory_path() / "sllockXXXXXX").string();
        ASSERT_NE(::mkdtemp(templ.data()), nullptr);
        dir_ = templ;
        const std::string system = "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n";
        std::ofstream(dir_ / "system.reg", std::ios::binary) << system;
        std::ofstream(dir_ / "user.reg", std::ios::binary) << kUser;
        std::ofstream(dir_ / "userdef.reg", std::ios::binary) << kUser;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::unique_ptr<WineRegistry> Registry() {
        return std::make_unique<WineRegistry>(dir_.string(), [] { return false; }, milliseconds(150));
    }
    static LONG Set(WineRegistry& reg, const char* name, const char* data) {
        HKEY h = 0;
        LONG rc = reg.RegOpenKeyEx(kHkeyCurrentUser, "Software\\App", kKeyAllAccess, &h);
        if (rc) return rc;
        rc = reg.RegSetValueEx(h, name, kRegSz, reinterpret_cast<const std::uint8_t*>(data),
                               static_cast<DWORD>(std::strlen(data) + 1));
        reg.RegCloseKey(h);
        return rc;
    }

    fs::path dir_;
};

TEST_F(PrefixLockTest, TheSecondWriterWaitsAndThenSeesTheFirstOnesWrites) {
    auto first = Registry();
    auto second = Registry();
    // Both read the prefix before either writes.
    HKEY h = 0;
    ASSERT_EQ(second->RegOpenKeyEx(kHkeyCurrentUser, "Software\\App", kKeyAllAccess, &h), 0);
    ASSERT_EQ(Set(*first, "First", "1"), 0);
    // While the first has unwritten changes, the second's writes give up after the wait.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Set(*second, "Second", "2"), 33);
    EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(150));
    HKEY created = 0;
    EXPECT_EQ(second->RegCreateKeyEx(kHkeyCurrentUser, "Software\\New", nullptr, 0, kKeyAllAccess, &created,
                                     nullptr),
              33);
    ASSERT_EQ(first->FlushAll(), 0);
    // Now the second writes, on top of what the first wrote.
    ASSERT_EQ(Set(*second, "Second", "2"), 0);
    ASSERT_EQ(second->RegCreateKeyEx(kHkeyCurrentUser, "Software\\New", nullptr, 0, kKeyAllAccess, &created,
                                     nullptr),
              0);
    // ...and holds the lock until it flushed in turn.
    EXPECT_EQ(Set(*first, "Third", "3"), 33);
    ASSERT_EQ(second->FlushAll(), 0);
    EXPECT_EQ(Set(*first, "Third", "3"), 0);
    ASSERT_EQ(first->FlushAll(), 0);
    const std::string hive = ReadWholeFile(dir_ / "user.reg");
    EXPECT_NE(hive.find("\"First\"=\"1\""), std::string::npos) << hive;
    EXPECT_NE(hive.find("\"Second\"=\"2\""), std::string::npos) << hive;
    EXPECT_NE(hive.find("\"Third\"=\"3\""), std::string::npos) << hive;
    EXPECT_NE(hive.find("[Software\\\\New]"), std::string::npos) << hive;
}

// Two writers flushing as fast as they can, each in its own registry: every
// value either of them set is in the hive at the end, and no write failed.
TEST_F(PrefixLockTest, RacingWritersLoseNothing) {
    constexpr int kRounds = 60;
    auto run = [this](const char* side, std::vector<LONG>* errors) {
        auto reg = std::make_unique<WineRegistry>(dir_.string(), [] { return false; }, std::chrono::seconds(20));
        for (int i = 0; i < kRounds; ++i) {
            const std::string name = side + std::to_string(i);
            LONG rc = Set(*reg, name.c_str(), "v");
            if (!rc) rc = reg->FlushAll();
            if (rc) errors->push_back(rc);
        }
    };
    std::vector<LONG> errorsA, errorsB;
    std::thread a(run, "A", &errorsA);
    std::thread b(run, "B", &errorsB);
    a.join();
    b.join();
    EXPECT_TRUE(errorsA.empty() && errorsB.empty()) << errorsA.size() << " and " << errorsB.size() << " failed";
    const std::string hive = ReadWholeFile(dir_ / "user.reg");
    int missing = 0;
    for (const char* side : {"A", "B"}) {
        for (int i = 0; i < kRounds; ++i) {
            if (hive.find("\"" + std::string(side) + std::to_string(i) + "\"=") == std::string::npos) ++missing;
        }
    }
    EXPECT_EQ(missing, 0);
}

TEST_F(PrefixLockTest, ReadsAndAClosedRegistryDoNotHoldIt) {
    auto reader = Registry();
    HKEY h = 0;
    ASSERT_EQ(reader->RegOpenKeyEx(kHkeyCurrentUser, "Software\\App", kKeyRead, &h), 0);
    {
        auto writer = Registry();
        ASSERT_EQ(Set(*writer, "Gone", "x"), 0);
        // Destroyed with unwritten changes: the lock goes with it.
    }
    auto writer = Registry();
    EXPECT_EQ(Set(*writer, "Kept", "y"), 0);
}

TEST_F(PrefixLockTest, ALockFileThatIsNoRegularFileIsRefused) {
    const fs::path lock = dir_ / kPrefixLockName;
    std::ofstream(dir_ / "precious", std::ios::binary) << "keep me";
    fs::create_symlink(dir_ / "precious", lock);
    auto reg = Registry();
    EXPECT_EQ(Set(*reg, "Name", "z"), 5);
    EXPECT_EQ(ReadWholeFile(dir_ / "precious"), "keep me");

    fs::remove(lock);
    ASSERT_EQ(::mkfifo(lock.c_str(), 0600), 0);
    EXPECT_EQ(Set(*reg, "Name", "z"), 5);  // returns, never blocks on the FIFO

    fs::remove(lock);
    EXPECT_EQ(Set(*reg, "Name", "z"), 0);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(lock)));
    PrefixLock missing((dir_ / "missing").string(), milliseconds(0));
    EXPECT_EQ(missing.Acquire(), 3);
}

}  // namespace
}  // namespace sl::platform::wine
