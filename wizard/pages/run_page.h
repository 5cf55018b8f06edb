// The run page (template 108): starts the program's one worker thread, which
// runs the kernel library (RunSequence) and reports when it is done. The
// library's progress messages reach the page as synchronous calls onto the
// interface thread: the worker waits until each one is handled. Cancel asks
// the library to stop after the item in progress; the wizard stays open and
// moves on to the finish page once the worker is done.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "kernel/interface/stowlark_kernel.h"
#include "wizard/pages/sheet_page.h"

class QLabel;
class QProgressBar;

namespace sl::session {
class RunSequence;
}

namespace sl::wizard {

// Progress message and its codes (wParam); lParam is a count.
inline constexpr uint32_t kProgressMessage = 1033;
inline constexpr uintptr_t kProgressRange = 1;
inline constexpr uintptr_t kProgressStep = 2;
inline constexpr uintptr_t kProgressDone = 3;

class CMyPropertyPage5 : public CSheetPage {
    Q_OBJECT
public:
    explicit CMyPropertyPage5(WizardContext& context, QWidget* parent = nullptr);
    ~CMyPropertyPage5() override;

    void OnSetActive() override;
    bool OnQueryCancel() override;
    bool isComplete() const override { return !running_.load(); }

    // Handles one progress message on the interface thread; returns 1.
    intptr_t OnProgress(uintptr_t code, intptr_t count);
    bool Running() const { return running_.load(); }

    QLabel* Status() const { return status_; }
    QProgressBar* Bar() const { return bar_; }

signals:
    // A progress message was handled (code, count); the bar shows it.
    void progressHandled(int code, int count);

private:
    static intptr_t Send(void* context, uint32_t message, uintptr_t wParam, intptr_t lParam);
    void RunThreadProc();
    void JoinWorker();

    QLabel* status_;
    QProgressBar* bar_;
    SLProgressWindow window_;
    std::unique_ptr<session::RunSequence> sequence_;
    std::thread worker_;
    std::atomic<bool> running_{false};
    std::atomic<bool> closing_{false};
};

}  // namespace sl::wizard
