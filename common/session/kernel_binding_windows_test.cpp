// The Windows side of loading the kernel library: LoadLibrary and
// GetProcAddress behind the same search and messages as on Linux, the
// library taken from the program's own folder (these tests sit beside the
// built DLLs), and a library that is not ours let go again.
#if defined(_WIN32)
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/session/kernel_binding.h"

namespace fs = std::filesystem;

namespace sl::session {
namespace {

class TempFolder {
public:
    TempFolder() {
        // Wine hands process numbers out again: the clock keeps names apart,
        // and whatever an earlier run left under the name goes first.
        static int count = 0;
        path_ = (fs::temp_directory_path() /
                 ("sl-binding-" + std::to_string(::GetCurrentProcessId()) + "-" +
                  std::to_string(::GetTickCount64()) + "-" + std::to_string(++count)))
                    .string();
        std::error_code ignored;
        fs::remove_all(path_, ignored);
        fs::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

TEST(KernelBindingWindows, BindsEveryExportOfTheDllBesideTheProgram) {
    TempFolder empty;
    KernelBinding binding;
    ASSERT_TRUE(binding.Load({empty.Path(), ProgramFolder()})) << binding.Error();
    EXPECT_TRUE(binding.Api().Complete());
    EXPECT_EQ(binding.LibraryPath(), ProgramFolder() + "\\StowlarkKernel.dll");
    EXPECT_EQ(LoadedKernelFolder(), ProgramFolder());
    // The bound functions are the library's own.
    EXPECT_EQ(binding.Api().DoesPathContainSLFiles("Q:\\nowhere"), 0);
    EXPECT_EQ(binding.Api().GetInstalledIDsN("'9999'"), "");
}

TEST(KernelBindingWindows, SaysWhereItLookedWhenTheDllIsMissing) {
    TempFolder a, b;
    KernelBinding binding;
    EXPECT_FALSE(binding.Load({a.Path(), b.Path()}));
    EXPECT_FALSE(binding.Loaded());
    EXPECT_NE(binding.Error().find("StowlarkKernel.dll"), std::string::npos);
    EXPECT_NE(binding.Error().find(a.Path() + "\\StowlarkKernel.dll (not there)"), std::string::npos)
        << binding.Error();
    EXPECT_NE(binding.Error().find(b.Path()), std::string::npos);
}

TEST(KernelBindingWindows, AForeignDllIsNamedAndLetGo) {
    // The backend's probe DLL under the kernel's name lacks the exports.
    TempFolder folder;
    const std::string copy = folder.Path() + "\\StowlarkKernel.dll";
    fs::copy_file(ProgramFolder() + "\\sl_win32_probe.dll", copy);
    KernelBinding binding;
    EXPECT_FALSE(binding.Load({folder.Path(), ProgramFolder()}));
    EXPECT_NE(binding.Error().find("SL_RunInstructions"), std::string::npos) << binding.Error();
    EXPECT_NE(binding.Error().find("SL_GetInstalledIDsN"), std::string::npos);
    // A loaded DLL cannot be deleted: the failed load unloaded it.
    EXPECT_NE(::DeleteFileA(copy.c_str()), 0) << ::GetLastError();
}

TEST(KernelBindingWindows, LooksInTheProgramsOwnFolderFirst) {
    const std::vector<std::string> folders = KernelBinding::DefaultFolders();
    ASSERT_EQ(folders.size(), 1u);  // nothing is installed elsewhere on Windows
    EXPECT_EQ(folders.front(), ProgramFolder());
    EXPECT_TRUE(fs::exists(ProgramFolder() + "\\test_session.exe"));
}

TEST(KernelBindingWindows, ALoadAfterALoadLetsTheFirstGo) {
    KernelBinding binding;
    ASSERT_TRUE(binding.Load({ProgramFolder()})) << binding.Error();
    // Loading anew unloads first; a failed load leaves nothing bound.
    TempFolder empty;
    EXPECT_FALSE(binding.Load({empty.Path()}));
    EXPECT_FALSE(binding.Loaded());
    EXPECT_FALSE(binding.Api().Complete());
    ASSERT_TRUE(binding.Load({ProgramFolder()})) << binding.Error();
    EXPECT_TRUE(binding.Api().Complete());
}

}  // namespace
}  // namespace sl::session
#endif
