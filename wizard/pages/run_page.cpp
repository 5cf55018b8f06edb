#include "wizard/pages/run_page.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QThread>
#include <QVBoxLayout>
#include <chrono>

#include "wizard/pages/property_sheet.h"
#include "wizard/resources/strings.h"
#include "wizard/session/run_sequence.h"

namespace sl::wizard {

CMyPropertyPage5::CMyPropertyPage5(WizardContext& context, QWidget* parent)
    : CSheetPage(kRunPage, context, parent) {
    status_ = new QLabel;
    status_->setWordWrap(true);
    bar_ = new QProgressBar;
    bar_->setObjectName(QStringLiteral("progress"));
    bar_->setTextVisible(false);

    auto* layout = new QVBoxLayout(this);
    layout->addSpacing(24);
    layout->addWidget(status_);
    layout->addSpacing(12);
    layout->addWidget(bar_);
    layout->addStretch();

    window_.send = &CMyPropertyPage5::Send;
    window_.context = this;
}

CMyPropertyPage5::~CMyPropertyPage5() {
    // The program ends while a run is still going (it cannot be closed
    // through the wizard then): stop it and let the worker finish without
    // waiting for this page any more.
    closing_.store(true);
    if (sequence_ && running_.load()) sequence_->RequestStop();
    JoinWorker();
}

void CMyPropertyPage5::JoinWorker() {
    if (worker_.joinable()) worker_.join();
}

void CMyPropertyPage5::OnSetActive() {
    const char* doing = State().WizardMode == 0   ? "backing-up"
                        : State().RestoreMode == 0 ? "restoring"
                                                   : "unrestoring";
    status_->setText(QString::asprintf(strings::kRunStatus, doing));
    bar_->setRange(0, 100);
    bar_->setValue(0);

    JoinWorker();  // a worker of an earlier activation has already reported
    sequence_ = std::make_unique<session::RunSequence>(context_.services.kernel);
    running_.store(true);
    emit completeChanged();  // Next stays disabled while the worker runs
    if (CMyPropertySheet* sheet = Sheet()) sheet->SetWizardButtons(0);
    worker_ = std::thread(&CMyPropertyPage5::RunThreadProc, this);
}

bool CMyPropertyPage5::OnQueryCancel() {
    if (!running_.load()) return true;
    State().UserAborted = 1;
    sequence_->RequestStop();
    return false;
}

void CMyPropertyPage5::RunThreadProc() {
    session::RunRequest request;
    request.wizardMode = State().WizardMode;
    request.restoreMode = State().RestoreMode;
    request.backupFolder = State().BackupFolder;
    request.selectedIDs = State().SelectedIDs;
    session::RunOutcome outcome = sequence_->Run(request, &window_);

    // Written before the done message; the finish page reads them after it.
    State().LastBadIDs = outcome.badIDs;
    State().UndoCopyMissing = outcome.undoCopyMissing;
    State().RunFailedUnnamed = outcome.result == 0 && outcome.badIDs.empty() && !outcome.skipped;
    State().UndoCopyError = outcome.undoCopyError;
    State().UndoFolder = outcome.undoCopyMissing ? session::PreRestoreFolder() : std::string();
    running_.store(false);
    Send(this, kProgressMessage, kProgressDone, 0);
}

intptr_t CMyPropertyPage5::Send(void* context, uint32_t message, uintptr_t wParam,
                                intptr_t lParam) {
    auto* page = static_cast<CMyPropertyPage5*>(context);
    if (message != kProgressMessage || page->closing_.load()) return 0;
    if (QThread::currentThread() == page->thread()) return page->OnProgress(wParam, lParam);
    intptr_t result = 0;
    QMetaObject::invokeMethod(
        page, [page, wParam, lParam, &result] { result = page->OnProgress(wParam, lParam); },
        Qt::BlockingQueuedConnection);
    return result;
}

intptr_t CMyPropertyPage5::OnProgress(uintptr_t code, intptr_t count) {
    if (closing_.load()) return 1;
    switch (code) {
        case kProgressRange: {
            const int limit = static_cast<int>(static_cast<uint16_t>(count));
            if (State().RestoreMode != 0) {
                bar_->setRange(0, limit);
            } else if (bar_->value() <= 0) {
                // A restore runs the library twice; the first run's count
                // sets the range for both.
                bar_->setRange(0, static_cast<int>(static_cast<uint16_t>(2 * count)));
            }
            break;
        }
        case kProgressStep:
            // The bar stops at its end instead of starting over.
            bar_->setValue(std::min(bar_->value() + 1, bar_->maximum()));
            break;
        case kProgressDone:
            emit progressHandled(static_cast<int>(code), static_cast<int>(count));
            emit completeChanged();
            if (CMyPropertySheet* sheet = Sheet()) sheet->PressNext();
            return 1;
        default:
            return 1;
    }
    emit progressHandled(static_cast<int>(code), static_cast<int>(count));
    return 1;
}

}  // namespace sl::wizard
