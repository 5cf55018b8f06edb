#include "common/session/kernel_binding.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace sl::session {
namespace {

class TempFolder {
public:
    TempFolder() {
        std::string pattern = fs::temp_directory_path().string() + "/sl-binding-XXXXXX";
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempFolder() { fs::remove_all(path_); }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

TEST(KernelBinding, BindsEveryExportOfTheBuiltLibrary) {
    TempFolder empty;
    KernelBinding binding;
    // The first folder has no library; the second has the real one.
    ASSERT_TRUE(binding.Load({empty.Path(), SL_KERNEL_BIN_DIR})) << binding.Error();
    EXPECT_TRUE(binding.Api().Complete());
    EXPECT_EQ(binding.LibraryPath(), std::string(SL_KERNEL_BIN_DIR) + "/libStowlarkKernel.so");
    EXPECT_TRUE(binding.Error().empty());
    // The bound functions are the library's: a folder without bookkeeping
    // file holds no backup files.
    EXPECT_EQ(binding.Api().DoesPathContainSLFiles("Q:\\nowhere"), 0);
}

TEST(KernelBinding, SaysWhereItLookedWhenTheLibraryIsMissing) {
    TempFolder a, b;
    KernelBinding binding;
    EXPECT_FALSE(binding.Load({a.Path(), b.Path()}));
    EXPECT_FALSE(binding.Loaded());
    EXPECT_FALSE(binding.Api().Complete());
    EXPECT_NE(binding.Error().find("libStowlarkKernel.so"), std::string::npos);
    EXPECT_NE(binding.Error().find(a.Path()), std::string::npos);
    EXPECT_NE(binding.Error().find(b.Path()), std::string::npos);
}

TEST(KernelBinding, NamesTheMissingExports) {
    // Any other shared library under the kernel's name lacks the exports.
    const char* candidates[] = {"/lib/x86_64-linux-gnu/libm.so.6", "/usr/lib/x86_64-linux-gnu/libm.so.6",
                                "/lib64/libm.so.6"};
    std::string other;
    for (const char* candidate : candidates) {
        if (fs::exists(candidate)) {
            other = candidate;
            break;
        }
    }
    if (other.empty()) GTEST_SKIP() << "no libm.so.6 to stand in for a foreign library";
    TempFolder folder;
    fs::copy_file(other, folder.Path() + "/libStowlarkKernel.so");
    KernelBinding binding;
    EXPECT_FALSE(binding.Load({folder.Path()}));
    EXPECT_FALSE(binding.Loaded());
    EXPECT_NE(binding.Error().find("SL_RunInstructions"), std::string::npos);
    EXPECT_NE(binding.Error().find("SL_GetInstalledIDsN"), std::string::npos);
}

TEST(KernelBinding, LooksInTheProgramsOwnFolderFirst) {
    const std::vector<std::string> folders = KernelBinding::DefaultFolders();
    ASSERT_FALSE(folders.empty());
    EXPECT_EQ(folders.front(), ProgramFolder());
    EXPECT_TRUE(fs::exists(ProgramFolder() + "/test_session"));
}

}  // namespace
}  // namespace sl::session
