// Runs the library the way the run page's worker does, on a thread of its
// own, while this thread waits for Ctrl-C. Ctrl-C (SIGINT) asks the run to
// stop after the item in progress, like the wizard's Cancel: the library
// still saves the folder's bookkeeping file, and no further library run
// starts. The signal is taken with sigtimedwait on this thread, never in a
// handler, so the stop request may take locks safely.
#pragma once

#include "cli/progress_display.h"
#include "common/session/run_sequence.h"

namespace sl::cli {

struct InterruptibleOutcome {
    session::RunOutcome outcome;
    bool interrupted = false;  // Ctrl-C arrived while the run was in progress
};

// Runs request through sequence with display as the progress window, sends
// the closing progress message (done) to display when the run has ended,
// and returns the outcome. SIGINT is blocked for the whole call and any
// pending one is consumed before it returns.
InterruptibleOutcome RunInterruptibly(session::RunSequence& sequence,
                                      const session::RunRequest& request,
                                      ProgressDisplay& display);

}  // namespace sl::cli
