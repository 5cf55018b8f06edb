// The inspect exports run one at a time: the reading ones put a read-only
// view in place of the module's platform for their duration, which a call
// from another thread (a folder created by the run's worker) must not see.
#pragma once

#include <mutex>

namespace sl::inspect {

// Held for the whole of one export.
inline std::unique_lock<std::mutex> OneCallAtATime() {
    static std::mutex mutex;
    return std::unique_lock<std::mutex>(mutex);
}

}  // namespace sl::inspect
