// The exports of the StowlarkKernel library as the program calls them: one
// function pointer per export, filled by KernelBinding (or by a test).
#pragma once

#include <cstdint>
#include <string>

#include "kernel/interface/stowlark_kernel.h"

namespace sl::session {

struct KernelApi {
    using RunInstructionsFn = int32_t (*)(const char* ids, const char* folder, int32_t mode,
                                          std::string& badIDs, const SLProgressWindow* window);
    using StopRunInstructionsFn = void (*)();
    using DoesPathContainSLFilesFn = int32_t (*)(const char* folder);
    using GetIDsFn = int32_t (*)(const char* folder, std::string& ids);
    using GetInstalledIDsNFn = std::string (*)(const char* filter);

    RunInstructionsFn RunInstructions = nullptr;
    StopRunInstructionsFn StopRunInstructions = nullptr;
    DoesPathContainSLFilesFn DoesPathContainSLFiles = nullptr;
    GetIDsFn GetSavedIDs = nullptr;
    GetIDsFn GetRestoredIDs = nullptr;
    GetInstalledIDsNFn GetInstalledIDsN = nullptr;

    // True when every export the program uses is bound.
    bool Complete() const {
        return RunInstructions && StopRunInstructions && DoesPathContainSLFiles && GetSavedIDs &&
               GetRestoredIDs && GetInstalledIDsN;
    }
};

}  // namespace sl::session
