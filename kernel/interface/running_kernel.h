// RunningKernel: the kernel of the run in progress, so that another thread
// can ask it to stop. Publishing, clearing and stopping exclude one another,
// so a stop request never reaches a kernel that is being destroyed.
#pragma once

namespace sl {

class CSLKernel;

void SetRunningKernel(CSLKernel* kernel);
// Calls RequestStop on the running kernel, if there is one.
void StopRunningKernel();

// Publishes a kernel for its lifetime. Declared after the kernel it
// publishes, it is destroyed first, so the kernel is never reachable while it
// is being destroyed, also when an exception unwinds both.
class RunningKernelScope {
public:
    explicit RunningKernelScope(CSLKernel* kernel) { SetRunningKernel(kernel); }
    ~RunningKernelScope() { SetRunningKernel(nullptr); }
    RunningKernelScope(const RunningKernelScope&) = delete;
    RunningKernelScope& operator=(const RunningKernelScope&) = delete;
};

}  // namespace sl
