// Runs killed with SIGKILL at random moments (during a backup, during a
// restore and so during its hive flushes): afterwards the bookkeeping file,
// every registry archive and every hive is the old one or the new one, never
// a half, and the next run completes. Each scenario repeats for a bounded time.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <thread>

#include "kernel/interface/kernel.h"
#include "kernel/platform/wine/text/hive.h"
#include "kernel/storage/reg_save_restore.h"
#include "kernel/testing/registry_values.h"
#include "kernel/testing/temp_prefix.h"

namespace sl {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kScenarioTime = std::chrono::seconds(8);
constexpr int kMinimumRounds = 6;
constexpr int kValuesPerKey = 150;

// Excel's toolbars and menus (component 13: two keys and the *.XLB files)
// and its recent files (component 19: one key).
const char* const kKeys[] = {"Software\\Microsoft\\Office\\8.0\\Excel\\Init Menus",
                             "Software\\Microsoft\\Office\\8.0\\Excel\\Init Commands",
                             "Software\\Microsoft\\Office\\8.0\\Excel\\Recent File List"};
const char kIds[] = "'13''19'";

class KillRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A hive large enough that writing it takes a while.
        for (int i = 0; i < 3000; ++i) {
            testing::SetString(*prefix.Platform(), platform::kHkeyCurrentUser, "Software\\Filler",
                               "F" + std::to_string(i), std::string(40, 'f'));
        }
        for (int i = 0; i < 6; ++i) {
            prefix.WriteFile("C:\\windows\\Tool" + std::to_string(i) + ".xlb",
                             std::string(200000, static_cast<char>('a' + i)));
        }
        SetAll("new");
        ASSERT_EQ(prefix.Platform()->FlushRegistry(), 0);
    }

    void SetAll(const std::string& state) {
        for (const char* key : kKeys) {
            for (int i = 0; i < kValuesPerKey; ++i) {
                testing::SetString(*prefix.Platform(), platform::kHkeyCurrentUser, key,
                                   "V" + std::to_string(i), state + std::to_string(i));
            }
        }
    }
    // "old" or "new" when every value of the key holds that state, else "".
    std::string StateOf(const char* path) {
        std::string seen;
        platform::HKEY key = 0;
        if (prefix.Platform()->RegOpenKeyEx(platform::kHkeyCurrentUser, path,
                                            platform::kKeyRead, &key) != 0) {
            return "";
        }
        for (int i = 0; i < kValuesPerKey; ++i) {
            char data[64] = {};
            platform::DWORD size = sizeof data;
            std::string name = "V" + std::to_string(i);
            prefix.Platform()->RegQueryValueEx(key, name.c_str(), nullptr,
                                               reinterpret_cast<std::uint8_t*>(data), &size);
            std::string text(data);
            std::string state = text.substr(0, 3);
            if (text != state + std::to_string(i) || (!seen.empty() && seen != state)) {
                seen = "mixed";
                break;
            }
            seen = state;
        }
        prefix.Platform()->RegCloseKey(key);
        return seen;
    }

    // Runs mode on ids in a child process, killed after delay (or left to
    // finish when delay is negative). True when the child was killed.
    bool RunChild(std::int32_t mode, const std::string& folder, std::chrono::microseconds delay) {
        pid_t pid = ::fork();
        if (pid == 0) {
            CSLKernel kernel;
            kernel.Mode = mode;
            kernel.SetFolder(folder);
            _exit(kernel.RunInstructions(kIds));
        }
        if (delay.count() >= 0) {
            std::this_thread::sleep_for(delay);
            ::kill(pid, SIGKILL);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFSIGNALED(status);
    }

    // The bookkeeping file of folder loads completely, and so does every
    // registry archive it names.
    void ExpectWholeFolder(const std::string& folder, CSLKernel& loaded) {
        ASSERT_EQ(loaded.Load(folder), 0) << folder;
        for (const auto& record : loaded.RegItems) {
            RegRecordList records;
            class List : public SerializableObject {
            public:
                explicit List(RegRecordList& r) : r_(r) {}
                const RuntimeClass* GetRuntimeClass() const override { return nullptr; }
                void Serialize(Archive& a) override { SerializeObjectList(a, r_); }
                RegRecordList& r_;
            } list(records);
            EXPECT_EQ(ArchiveXfer(list, WithSlash(folder) + record->FileName, 0), 0)
                << record->FileName;
            if (std::string(kIds).find(record->ID) != std::string::npos) {
                EXPECT_EQ(records.size(), static_cast<std::size_t>(kValuesPerKey))
                    << record->FileName;
            }
        }
    }
    static std::string WithSlash(const std::string& folder) { return folder + "\\"; }

    // The hive the restore writes reads as a Wine hive that writes back to
    // itself (a torn file would not end where a section ends); the hive it
    // never writes is as it was.
    void ExpectWholeHives(const std::string& systemBefore) {
        const std::string text = prefix.ReadHive("user.reg");
        auto hive = platform::wine::Hive::FromText(text);
        EXPECT_EQ(hive->status(), platform::wine::Hive::Status::Loaded);
        EXPECT_EQ(hive->Write(), text);
        EXPECT_EQ(prefix.ReadHive("system.reg"), systemBefore);
    }

    // Measures how long an undisturbed run takes, to spread the kills over it.
    std::chrono::microseconds TimeOneRun(std::int32_t mode, const std::string& folder) {
        auto start = Clock::now();
        RunChild(mode, folder, std::chrono::microseconds(-1));
        return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
    }

    testing::TempPrefix prefix;
    std::mt19937 random{20240607u};
};

TEST_F(KillRunTest, KilledBackupLeavesOldOrNewBookkeeping) {
    prefix.MakeFolder("C:\\Timing");
    const auto full = TimeOneRun(SL_MODE_BACKUP, "C:\\Timing");
    std::uniform_int_distribution<long> at(0, full.count() + full.count() / 10);
    int rounds = 0;
    int killed = 0;
    for (auto end = Clock::now() + kScenarioTime; rounds < kMinimumRounds || Clock::now() < end;
         ++rounds) {
        const std::string folder = "C:\\Backup" + std::to_string(rounds);
        prefix.MakeFolder(folder);
        // The folder already holds a backup of another component.
        CSLKernel earlier;
        earlier.Mode = SL_MODE_BACKUP;
        earlier.SetFolder(folder);
        ASSERT_EQ(earlier.RunInstructions("'26'"), 0);  // its key is missing: an empty archive
        const std::string old = prefix.ReadFile(folder + "\\Stowlark.dat");

        killed += RunChild(SL_MODE_BACKUP, folder, std::chrono::microseconds(at(random)));
        const std::string now = prefix.ReadFile(folder + "\\Stowlark.dat");
        CSLKernel loaded;
        if (now == old) {
            ASSERT_EQ(loaded.Load(folder), 0);
        } else {
            ExpectWholeFolder(folder, loaded);
            EXPECT_EQ(loaded.SavedIDs, "'26'" + std::string(kIds));
        }
        // The next run completes and the folder is whole.
        CSLKernel next;
        next.Mode = SL_MODE_BACKUP;
        next.SetFolder(folder);
        EXPECT_EQ(next.RunInstructions(kIds), 1) << next.ErrorText;
        CSLKernel after;
        ExpectWholeFolder(folder, after);
        EXPECT_EQ(after.SavedIDs, "'26'" + std::string(kIds));
        if (HasFailure()) break;
    }
    EXPECT_GT(killed, 0);
    RecordProperty("rounds", rounds);
}

TEST_F(KillRunTest, KilledRestoreLeavesEveryArchiveOldOrNewInTheHive) {
    prefix.MakeFolder("C:\\Backup");
    ASSERT_TRUE(!RunChild(SL_MODE_BACKUP, "C:\\Backup", std::chrono::microseconds(-1)));
    CSLKernel saved;
    ExpectWholeFolder("C:\\Backup", saved);
    const std::string bookkeeping = prefix.ReadFile("C:\\Backup\\Stowlark.dat");
    const std::string systemBefore = prefix.ReadHive("system.reg");

    auto resetRegistry = [&] {
        SetAll("old");
        ASSERT_EQ(prefix.Platform()->FlushRegistry(), 0);
        prefix.WriteFile("C:\\Backup\\Stowlark.dat", bookkeeping);
    };
    resetRegistry();
    const auto full = TimeOneRun(SL_MODE_RESTORE, "C:\\Backup");
    std::uniform_int_distribution<long> at(0, full.count() + full.count() / 10);

    int rounds = 0;
    int killed = 0;
    for (auto end = Clock::now() + kScenarioTime; rounds < kMinimumRounds || Clock::now() < end;
         ++rounds) {
        prefix.ReloadPlatform();
        resetRegistry();
        killed += RunChild(SL_MODE_RESTORE, "C:\\Backup", std::chrono::microseconds(at(random)));

        prefix.ReloadPlatform();
        ExpectWholeHives(systemBefore);
        for (const char* key : kKeys) {
            const std::string state = StateOf(key);
            EXPECT_TRUE(state == "old" || state == "new") << key << ": " << state;
        }
        CSLKernel loaded;
        ExpectWholeFolder("C:\\Backup", loaded);

        // The next restore completes and brings everything back.
        CSLKernel next;
        next.Mode = SL_MODE_RESTORE;
        next.SetFolder("C:\\Backup");
        EXPECT_EQ(next.RunInstructions(kIds), 1) << next.ErrorText;
        prefix.ReloadPlatform();
        for (const char* key : kKeys) EXPECT_EQ(StateOf(key), "new") << key;
        if (HasFailure()) break;
    }
    EXPECT_GT(killed, 0);
    RecordProperty("rounds", rounds);
}

TEST_F(KillRunTest, KilledHiveFlushLeavesOneGenerationOnDisk) {
    // The child writes generation after generation of the key's values and
    // flushes each; killed at any moment, the hive on disk holds one whole
    // generation.
    const char* key = kKeys[0];
    std::uniform_int_distribution<long> at(0, 150000);
    int rounds = 0;
    for (auto end = Clock::now() + kScenarioTime; rounds < kMinimumRounds || Clock::now() < end;
         ++rounds) {
        prefix.ReloadPlatform();
        pid_t pid = ::fork();
        if (pid == 0) {
            for (int generation = 0;; ++generation) {
                SetAll(generation % 2 == 0 ? "old" : "new");
                if (prefix.Platform()->FlushRegistry() != 0) _exit(2);
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(at(random)));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));

        prefix.ReloadPlatform();
        const std::string text = prefix.ReadHive("user.reg");
        EXPECT_EQ(platform::wine::Hive::FromText(text)->Write(), text);
        for (const char* other : kKeys) {
            const std::string state = StateOf(other);
            EXPECT_TRUE(state == "old" || state == "new") << other << ": " << state;
        }
        EXPECT_EQ(StateOf(key), StateOf(kKeys[2]));  // one flush wrote both
        if (HasFailure()) break;
    }
    RecordProperty("rounds", rounds);
}

}  // namespace
}  // namespace sl
