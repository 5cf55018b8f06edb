#include "cli/interruptible_run.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <pthread.h>
#include <signal.h>
#endif

#include <atomic>
#include <ctime>
#include <thread>

#include "kernel/interface/stowlark_kernel.h"

namespace sl::cli {

#if defined(_WIN32)
namespace {
// Set by the console's Ctrl-C handler (a thread of its own), read here.
std::atomic<bool> g_interrupt{false};

BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    g_interrupt.store(true);
    return TRUE;  // the program goes on: the run stops after its item
}
}  // namespace

InterruptibleOutcome RunInterruptibly(session::RunSequence& sequence,
                                      const session::RunRequest& request,
                                      ProgressDisplay& display) {
    InterruptibleOutcome result;
    g_interrupt.store(false);
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);

    std::atomic<bool> finished{false};
    std::thread worker([&] {
        result.outcome = sequence.Run(request, display.Window());
        const SLProgressWindow* window = display.Window();
        window->send(window->context, WM_SL_PROGRESS, PROGRESS_DONE, 0);
        finished.store(true);
    });
    while (!finished.load()) {
        ::Sleep(50);
        if (g_interrupt.exchange(false) && !finished.load()) {
            if (!result.interrupted) {
                result.interrupted = true;
                display.Note("Stopping after the item in progress ...");
            }
            sequence.RequestStop();
        }
    }
    worker.join();
    // A Ctrl-C that came too late to stop anything is dropped with the handler.
    ::SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    g_interrupt.store(false);
    return result;
}
#else
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
#endif

}  // namespace sl::cli
