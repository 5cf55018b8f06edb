#include "kernel/interface/running_kernel.h"

#include <mutex>

#include "kernel/interface/kernel.h"

namespace sl {
namespace {
std::mutex g_runningMutex;
CSLKernel* g_running = nullptr;
}  // namespace

void SetRunningKernel(CSLKernel* kernel) {
    std::lock_guard<std::mutex> lock(g_runningMutex);
    g_running = kernel;
}

void StopRunningKernel() {
    std::lock_guard<std::mutex> lock(g_runningMutex);
    if (g_running != nullptr) g_running->RequestStop();
}

}  // namespace sl
