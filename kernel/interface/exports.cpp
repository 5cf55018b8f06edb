// The seven exports. Each builds its own CSLKernel, works, and destroys it;
// no failure crosses the library boundary except as a result.
#include "kernel/interface/stowlark_kernel.h"

#include <exception>

#include "kernel/interface/kernel.h"
#include "kernel/log/log.h"
#include "kernel/interface/running_kernel.h"

using sl::CSLKernel;

namespace {
const char* OrEmpty(const char* text) { return text != nullptr ? text : ""; }

// Runs one getter of the bookkeeping file; ids is assigned on every path.
template <typename Getter>
int32_t RunGetter(const char* folder, std::string& ids, Getter getter) {
    try {
        CSLKernel kernel;
        kernel.SetFolder(OrEmpty(folder));
        return (kernel.*getter)(ids);
    } catch (...) {
        ids.clear();
        return sl::kArchiveOtherFailure;
    }
}
}  // namespace

extern "C" {

SL_EXPORT int32_t SL_RunInstructions(const char* ids, const char* folder, int32_t mode,
                                     std::string& badIDs, const SLProgressWindow* window) {
    int32_t result = 0;
    try {
        CSLKernel kernel;
        kernel.Mode = mode;
        kernel.ProgressWindow = window;
        {
            sl::RunningKernelScope running(&kernel);
            kernel.SetFolder(OrEmpty(folder));
            try {
                result = kernel.RunInstructions(OrEmpty(ids));
            } catch (const std::exception& error) {
                kernel.Report(sl::Format("RunInstructions failed: %s\n", error.what()));
                result = 0;
            }
        }
        badIDs = kernel.BadIDs;
        if (!kernel.ErrorText.empty()) {
            sl::AppendLog("Summary of Errors:\r\n" + kernel.ErrorText, sl::kLogName);
        }
    } catch (...) {
        result = 0;
    }
    return result;
}

SL_EXPORT void SL_StopRunInstructions() { sl::StopRunningKernel(); }

SL_EXPORT int32_t SL_DoesPathContainSLFiles(const char* folder) {
    try {
        return sl::DoesPathContainSLFiles(OrEmpty(folder));
    } catch (...) {
        return 0;
    }
}

SL_EXPORT int32_t SL_GetSavedIDs(const char* folder, std::string& ids) {
    return RunGetter(folder, ids, &CSLKernel::GetSavedIDs);
}

SL_EXPORT int32_t SL_GetSavedBadIDs(const char* folder, std::string& ids) {
    return RunGetter(folder, ids, &CSLKernel::GetSavedBadIDs);
}

SL_EXPORT int32_t SL_GetRestoredIDs(const char* folder, std::string& ids) {
    return RunGetter(folder, ids, &CSLKernel::GetRestoredIDs);
}

SL_EXPORT std::string SL_GetInstalledIDsN(const char* filter) {
    try {
        CSLKernel kernel;
        return kernel.GetInstalledIDsN(OrEmpty(filter));
    } catch (...) {
        return std::string();
    }
}

}  // extern "C"
