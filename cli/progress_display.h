// Shows the library's progress messages (WM_SL_PROGRESS) of a run: a bar
// rewritten in place on a terminal, one plain line per step otherwise.
//
// The range follows the run page: a backup or an unrestore takes the count
// of the range message; a restore, which runs the library twice (the
// pre-restore backup, then the restore), takes twice the count of the first
// range message that arrives while nothing has been done yet, and keeps it.
// Every step advances by one, never past the range.
//
// The library sends its messages from the thread that runs it; Note() may be
// called from any other thread meanwhile. Output is serialized.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "kernel/interface/stowlark_kernel.h"

namespace sl::cli {

class ProgressDisplay {
public:
    using Writer = std::function<void(const std::string&)>;

    // terminal: draw a bar; otherwise plain lines. doubleRange: a restore.
    ProgressDisplay(Writer writer, bool terminal, bool doubleRange);

    // The window the library sends its messages to; valid while this lives.
    const SLProgressWindow* Window() const { return &window_; }

    // Handles one WM_SL_PROGRESS message: 1 range, 2 step, 3 done. Other
    // messages and codes are ignored. Returns 1 as the run page does.
    std::intptr_t Handle(std::uint32_t message, std::uintptr_t code, std::intptr_t count);

    // Writes a line of its own (ends the bar's line first on a terminal).
    void Note(const std::string& line);

    int Range() const;
    int Position() const;

    // The bar as drawn for position of range: "[#####.....]  5/10".
    static std::string Bar(int position, int range, int width);

private:
    static std::intptr_t Send(void* context, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam);
    void Draw();

    Writer writer_;
    bool terminal_;
    bool doubleRange_;
    SLProgressWindow window_{};
    mutable std::mutex mutex_;
    int range_ = 0;
    int position_ = 0;
    bool barOpen_ = false;  // a bar line is on screen without its newline
};

}  // namespace sl::cli
