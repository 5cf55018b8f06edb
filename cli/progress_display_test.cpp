#include "cli/progress_display.h"

#include <gtest/gtest.h>

#include "kernel/interface/stowlark_kernel.h"

namespace sl::cli {
namespace {

struct Screen {
    std::string text;
    ProgressDisplay::Writer Writer() {
        return [this](const std::string& part) { text += part; };
    }
};

void Send(ProgressDisplay& display, std::uint32_t code, std::intptr_t count) {
    const SLProgressWindow* window = display.Window();
    EXPECT_EQ(window->send(window->context, WM_SL_PROGRESS, code, count), 1);
}

TEST(ProgressDisplayTest, BackupTakesTheRangeOfTheRun) {
    Screen screen;
    ProgressDisplay display(screen.Writer(), false, false);
    Send(display, PROGRESS_RANGE, 3);
    for (int i = 0; i < 4; ++i) Send(display, PROGRESS_STEP, i + 1);
    EXPECT_EQ(display.Range(), 3);
    EXPECT_EQ(display.Position(), 3) << "never past the range";
    EXPECT_EQ(screen.text, "Progress: 1 of 3\nProgress: 2 of 3\nProgress: 3 of 3\nProgress: 3 of 3\n");
}

TEST(ProgressDisplayTest, RestoreDoublesTheFirstRangeAndKeepsIt) {
    Screen screen;
    ProgressDisplay display(screen.Writer(), false, true);
    Send(display, PROGRESS_RANGE, 4);  // the pre-restore backup
    Send(display, PROGRESS_STEP, 1);
    Send(display, PROGRESS_RANGE, 5);  // the restore: range kept
    EXPECT_EQ(display.Range(), 8);

    // A pre-restore run that did nothing leaves the restore's range doubled.
    ProgressDisplay idle(screen.Writer(), false, true);
    Send(idle, PROGRESS_RANGE, 0);
    Send(idle, PROGRESS_RANGE, 3);
    EXPECT_EQ(idle.Range(), 6);
}

TEST(ProgressDisplayTest, TerminalRedrawsOneLineAndEndsItWhenDone) {
    Screen screen;
    ProgressDisplay display(screen.Writer(), true, false);
    Send(display, PROGRESS_RANGE, 2);
    Send(display, PROGRESS_STEP, 1);
    display.Note("Stopping");
    Send(display, PROGRESS_STEP, 2);
    Send(display, PROGRESS_DONE, 0);
    const std::string empty = "\r" + ProgressDisplay::Bar(0, 2, 40);
    const std::string half = "\r" + ProgressDisplay::Bar(1, 2, 40);
    const std::string full = "\r" + ProgressDisplay::Bar(2, 2, 40);
    EXPECT_EQ(screen.text, empty + half + "\nStopping\n" + full + "\n");
    EXPECT_EQ(display.Handle(1031, PROGRESS_STEP, 1), 0) << "other messages are not progress";
    EXPECT_EQ(display.Position(), 2);
}

TEST(ProgressDisplayTest, BarFillsInProportion) {
    EXPECT_EQ(ProgressDisplay::Bar(0, 4, 8), "[........] 0/4");
    EXPECT_EQ(ProgressDisplay::Bar(1, 4, 8), "[##......] 1/4");
    EXPECT_EQ(ProgressDisplay::Bar(3, 12, 4), "[#...]  3/12");
    EXPECT_EQ(ProgressDisplay::Bar(9, 4, 8), "[########] 4/4");
    EXPECT_EQ(ProgressDisplay::Bar(0, 0, 4), "[....] 0/0");
}

}  // namespace
}  // namespace sl::cli
