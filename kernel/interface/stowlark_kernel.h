// The public interface of the StowlarkKernel library: seven exports with C
// linkage. Callers outside the project rely on these exact signatures.
//
// SL_RunInstructions  ids: ID list ('3','5' or '3''5'); folder: DOS path of the
//                     backup folder; mode: 1 backup, 0 restore; badIDs: set to
//                     the failed IDs; window: receives WM_SL_PROGRESS (1033,
//                     wParam 1 range, 2 step, 3 done, 4 item), may be null.
//                     Returns 1 success, 0 failure.
//                     Code 4 comes before each registry key and each file
//                     the run handles; its lParam points to an
//                     SLProgressItem valid only during that call. A window
//                     that knows only codes 1 to 3 ignores it.
// SL_StopRunInstructions  asks the run in progress to stop after its item.
// SL_DoesPathContainSLFiles  1 when folder holds "Stowlark.dat", else 0.
// SL_GetSavedIDs / SL_GetSavedBadIDs / SL_GetRestoredIDs  assign the list to
//                     ids on every path; return 0 or the read's failure code.
// SL_GetInstalledIDsN  the IDs (among those filter selects; "" selects all)
//                     whose application is not installed.
#pragma once

#include <cstdint>
#include <string>

#include "kernel/log/log_name.h"  // sl::kLogName, the log's file name

namespace sl {

// The mode of SL_RunInstructions.
inline constexpr int32_t SL_MODE_RESTORE = 0;
inline constexpr int32_t SL_MODE_BACKUP = 1;

// The progress message a run sends its window, and its codes (wParam).
inline constexpr uint32_t WM_SL_PROGRESS = 1033;
inline constexpr uint32_t PROGRESS_RANGE = 1;  // lParam: the number of steps
inline constexpr uint32_t PROGRESS_STEP = 2;   // lParam: the steps done
inline constexpr uint32_t PROGRESS_DONE = 3;
// Sent before each registry key and each file, lParam an SLProgressItem*.
inline constexpr uint32_t PROGRESS_ITEM = 4;

}  // namespace sl

struct SLProgressWindow {                      // stands in for the window handle
    intptr_t (*send)(void* context, uint32_t message, uintptr_t wParam, intptr_t lParam);
    void* context;                             // send() returns only once the message is handled
};

// What progress code 4 names: the item in progress, and how many files the
// call has copied so far (backed up or put back).
struct SLProgressItem {
    const char* id;        // ID token of the instruction in progress ("'15'")
    const char* path;      // the file (DOS path) or registry key being handled
    uint32_t filesCopied;  // files copied by this call before this item
};

#if defined(_WIN32)
#define SL_EXPORT __declspec(dllexport)
#else
#define SL_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
SL_EXPORT int32_t SL_RunInstructions(const char* ids, const char* folder, int32_t mode,
                                     std::string& badIDs, const SLProgressWindow* window);
SL_EXPORT void SL_StopRunInstructions();
SL_EXPORT int32_t SL_DoesPathContainSLFiles(const char* folder);
SL_EXPORT int32_t SL_GetSavedIDs(const char* folder, std::string& ids);
SL_EXPORT int32_t SL_GetSavedBadIDs(const char* folder, std::string& ids);
SL_EXPORT int32_t SL_GetRestoredIDs(const char* folder, std::string& ids);
SL_EXPORT std::string SL_GetInstalledIDsN(const char* filter);
}
