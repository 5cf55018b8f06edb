// GetInstalledIDsN: runs the installed tests and lists the components whose
// application is missing.
#include "kernel/interface/kernel.h"
#include "kernel/log/log.h"
#include "kernel/resolve/reg_key.h"
#include "kernel/script/instruction_list.h"

namespace sl {
namespace {
constexpr std::uint32_t kInstalledTestsScript = 1004;
}  // namespace

std::string CSLKernel::GetInstalledIDsN(const std::string& filter) {
    CSLInstructionList list(filter, kInstalledTestsScript, ErrorText);
    std::string notInstalled;
    CSLRegKey key;
    for (const auto& item : list.Items) {
        const CSLInstruction& test = *item;
        bool missing = false;
        switch (test.Kind) {
            case KIND_REGKEY_EXISTS: {
                const RegKeyTest empty;
                const RegKeyTest& keyTest = test.KeyTest() ? *test.KeyTest() : empty;
                missing = key.Open(keyTest.Root, keyTest.KeyPath, false) != 0;
                break;
            }
            case KIND_FILE_EXISTS: {
                const FileTest empty;
                const FileTest& fileTest = test.FileExists() ? *test.FileExists() : empty;
                std::string path = ResolvePathID(fileTest.PathID);
                if (!fileTest.SubPath.empty()) path += fileTest.SubPath + "\\";
                path += fileTest.FileName;
                platform::DWORD attributes = 0;
                missing = platform::Current().GetFileAttributes(path, &attributes) != 0;
                break;
            }
            case KIND_SPECIAL_EXISTS:
                missing = CheckSpecialExists(test.SpecialExistsID) == 0;
                break;
            default:
                Report(Format("GetInstalledIDsN enum #%i not found \n", test.Kind));
                break;
        }
        if (missing) notInstalled += test.ID;
    }
    key.Close();
    return notInstalled;
}

}  // namespace sl
