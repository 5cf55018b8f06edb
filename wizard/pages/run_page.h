// The run page (template 108): starts the program's one worker thread, which
// runs the kernel library (RunSequence) and reports when it is done. The
// library's progress messages reach the page as synchronous calls onto the
// interface thread: the worker waits until each one is handled. Cancel asks
// the library to stop after the item in progress; the wizard stays open and
// moves on to the finish page once the worker is done.
//
// Under the bar a status line names the component and the file or registry
// key in progress, with the count of files copied. The library names each
// item (progress code 4) from the worker; the page keeps only the latest one
// and shows it a few times a second, so a component of thousands of files
// does not wait on the interface thread for each of them.
#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "kernel/interface/stowlark_kernel.h"
#include "wizard/pages/sheet_page.h"

class QLabel;
class QProgressBar;
class QTimer;

namespace sl::session {
class RunSequence;
}

namespace sl::wizard {

// How often the status line shows the latest item, in milliseconds.
inline constexpr int kItemRefreshMs = 100;

// The status line's text: "title: path (N files copied)"; the title is left
// out when empty.
QString ItemStatusText(const QString& title, const QString& path, uint32_t filesCopied);

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
    // The line naming the item in progress, and its full (not elided) text.
    QLabel* ItemLine() const { return item_; }
    const QString& ItemText() const { return itemText_; }
    // True once Cancel was pressed during the run in progress.
    bool Stopping() const { return stopping_; }

signals:
    // A progress message was handled (code, count); the bar shows it.
    void progressHandled(int code, int count);
    // The status line shows a new item (its full text).
    void itemShown(const QString& text);

private:
    static intptr_t Send(void* context, uint32_t message, uintptr_t wParam, intptr_t lParam);
    void RunThreadProc();
    void JoinWorker();
    // Worker side of code 4: keeps a copy of the item.
    void KeepItem(const SLProgressItem& item);
    // Interface side: shows the latest item kept, if it changed.
    void ShowLatestItem();
    void resizeEvent(QResizeEvent* event) override;
    void ElideItemLine();

    QLabel* status_;
    QProgressBar* bar_;
    QLabel* item_;
    QTimer* itemTimer_;
    QString itemText_;
    bool stopping_ = false;

    struct LatestItem {
        std::string id;
        std::string path;
        uint32_t filesCopied = 0;
        uint64_t serial = 0;  // raised with every item kept
    };
    std::mutex itemMutex_;
    LatestItem latest_;
    uint64_t shownSerial_ = 0;
    SLProgressWindow window_;
    std::unique_ptr<session::RunSequence> sequence_;
    std::thread worker_;
    std::atomic<bool> running_{false};
    std::atomic<bool> closing_{false};
    std::atomic<bool> workerDone_{false};
};

}  // namespace sl::wizard
