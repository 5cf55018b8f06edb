#include "kernel/platform/posix/atomic_replace.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "kernel/platform/posix/write_all.h"

namespace sl::platform::posix {
namespace {

namespace fs = std::filesystem;

class AtomicReplaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/sl-replace-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        target_ = dir_ + "/target.dat";
        std::ofstream(target_) << "old";
        ::chmod(target_.c_str(), 0640);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Read(const std::string& path) {
        std::ifstream in(path);
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }
    std::size_t Entries() {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
    }

    std::string dir_;
    std::string target_;
};

TEST_F(AtomicReplaceTest, CommitGivesTheTargetTheWholeNewContentAndMode) {
    const std::string big(1 << 20, 'x');
    {
        AtomicReplace replace(target_, 0600);
        ASSERT_TRUE(replace.ok());
        EXPECT_EQ(WriteAll(replace.fd(), big.data(), big.size()), 0);
        EXPECT_EQ(Read(target_), "old");  // untouched until the rename
        const mode_t mode = 0644;
        struct stat written {};
        EXPECT_EQ(replace.Commit(&mode, true, &written), 0);
        EXPECT_EQ(written.st_size, static_cast<off_t>(big.size()));
    }
    EXPECT_EQ(Read(target_), big);
    struct stat st {};
    ASSERT_EQ(::stat(target_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    EXPECT_EQ(Entries(), 1u);  // no temporary left beside it
}

TEST_F(AtomicReplaceTest, AReplaceGivenUpLeavesTheTargetAndNoTemporary) {
    {
        AtomicReplace replace(target_, 0600);
        ASSERT_TRUE(replace.ok());
        EXPECT_EQ(WriteAll(replace.fd(), "half", 4), 0);
        EXPECT_EQ(Entries(), 2u);
    }
    EXPECT_EQ(Read(target_), "old");
    EXPECT_EQ(Entries(), 1u);
}

TEST_F(AtomicReplaceTest, AFailedRenameKeepsTheTargetAndReportsTheErrno) {
    fs::remove(target_);
    fs::create_directory(target_);  // a folder in the target's place
    fs::create_directory(target_ + "/inside");
    {
        AtomicReplace replace(target_, 0600);
        ASSERT_TRUE(replace.ok());
        const int error = replace.Commit(nullptr, false);
        EXPECT_TRUE(error == EISDIR || error == ENOTEMPTY || error == EEXIST) << error;
    }
    EXPECT_TRUE(fs::is_directory(target_ + "/inside"));
    EXPECT_EQ(Entries(), 1u);
}

TEST_F(AtomicReplaceTest, AMissingFolderIsAMissingPath) {
    AtomicReplace replace(dir_ + "/no/such/file", 0600);
    EXPECT_FALSE(replace.ok());
    EXPECT_EQ(replace.createError(), kErrorPathNotFound);
}

TEST(WriteAllTest, ReportsTheErrnoOfAFailedWrite) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ::close(fds[0]);
    auto previous = ::signal(SIGPIPE, SIG_IGN);
    EXPECT_EQ(WriteAll(fds[1], "x", 1), EPIPE);
    ::signal(SIGPIPE, previous);
    ::close(fds[1]);
    EXPECT_EQ(WriteAll(-1, "x", 1), EBADF);
    EXPECT_EQ(WriteAll(-1, "", 0), 0);  // nothing to write: nothing done
}

}  // namespace
}  // namespace sl::platform::posix
