#include "cli/interruptible_run.h"

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <ctime>
#include <thread>

#include "kernel/interface/stowlark_kernel.h"

namespace sl::cli {

InterruptibleOutcome RunInterruptibly(session::RunSequence& sequence,
                                      const session::RunRequest& request,
                                      ProgressDisplay& display) {
    InterruptibleOutcome result;
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    sigset_t previous;
    // Blocked before the worker starts, so the worker inherits the mask and
    // the signal can only be taken here.
    pthread_sigmask(SIG_BLOCK, &interrupt, &previous);

    std::atomic<bool> finished{false};
    std::thread worker([&] {
        result.outcome = sequence.Run(request, display.Window());
        const SLProgressWindow* window = display.Window();
        window->send(window->context, WM_SL_PROGRESS, PROGRESS_DONE, 0);
        finished.store(true);
    });

    while (!finished.load()) {
        timespec wait{0, 50 * 1000 * 1000};
        if (sigtimedwait(&interrupt, nullptr, &wait) == SIGINT && !finished.load()) {
            if (!result.interrupted) {
                result.interrupted = true;
                display.Note("Stopping after the item in progress ...");
            }
            sequence.RequestStop();
        }
    }
    worker.join();

    // A Ctrl-C that came too late to stop anything must not end the program
    // once the signal is unblocked again.
    timespec none{0, 0};
    while (sigtimedwait(&interrupt, nullptr, &none) == SIGINT) {
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return result;
}

}  // namespace sl::cli
