// RunningKernel: the kernel of the run in progress, so that another thread
// can ask it to stop. Publishing, clearing and stopping exclude one another,
// so a stop request never reaches a kernel that is being destroyed.
#pragma once

namespace sl {

class CSLKernel;

void SetRunningKernel(CSLKernel* kernel);
// Calls RequestStop on the running kernel, if there is one.
void StopRunningKernel();

}  // namespace sl
