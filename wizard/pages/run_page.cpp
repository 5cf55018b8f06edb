#include "wizard/pages/run_page.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>
#include <cstdlib>

#include "wizard/pages/property_sheet.h"
#include "wizard/resources/strings.h"
#include "common/session/run_sequence.h"

namespace sl::wizard {
namespace {

// The title of the component whose ID token ("'58'") is given; empty when
// the catalogue has no such component.
QString ComponentTitle(const ComponentCatalogue* catalogue, const std::string& token) {
    if (catalogue == nullptr || token.size() < 3) return {};
    const int id = std::atoi(token.c_str() + 1);
    for (int menu = 0; menu < catalogue->MenuCount(); ++menu) {
        for (int i = 0; i < catalogue->RowCount(menu); ++i) {
            const CatalogueItem* row = catalogue->RowAt(menu, i);
            if (row != nullptr && !row->IsGroup() && row->ItemID == id) {
                return QString::fromLatin1(row->Title).trimmed();
            }
        }
    }
    return {};
}

}  // namespace

QString ItemStatusText(const QString& title, const QString& path, uint32_t filesCopied) {
    const QString count = QString::asprintf(filesCopied == 1 ? strings::kOneFileCopied
                                                             : strings::kFilesCopied,
                                            QLocale().toString(filesCopied).toUtf8().constData());
    QString text = title.isEmpty() ? path : title + QStringLiteral(": ") + path;
    return text + QStringLiteral(" ") + count;
}

CMyPropertyPage5::CMyPropertyPage5(WizardContext& context, QWidget* parent)
    : CSheetPage(kRunPage, context, parent) {
    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("status"));
    status_->setWordWrap(true);
    bar_ = new QProgressBar;
    bar_->setObjectName(QStringLiteral("progress"));
    bar_->setTextVisible(false);
    // One line, elided in the middle, so that the page does not jump as
    // paths of every length go by.
    item_ = new QLabel;
    item_->setObjectName(QStringLiteral("item"));
    item_->setTextFormat(Qt::PlainText);
    item_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    item_->setMinimumHeight(item_->fontMetrics().height());
    bar_->setAccessibleName(QString::fromLatin1(strings::kProgressName));

    itemTimer_ = new QTimer(this);
    itemTimer_->setInterval(kItemRefreshMs);
    connect(itemTimer_, &QTimer::timeout, this, &CMyPropertyPage5::ShowLatestItem);

    auto* layout = new QVBoxLayout(this);
    layout->addSpacing(24);
    layout->addWidget(status_);
    layout->addSpacing(12);
    layout->addWidget(bar_);
    layout->addWidget(item_);
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
    // A worker may be waiting for this thread to handle a message it sent
    // just before closing_ was set: handle those until it has ended.
    while (worker_.joinable() && !workerDone_.load()) {
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    JoinWorker();
}

void CMyPropertyPage5::JoinWorker() {
    if (worker_.joinable()) worker_.join();
}

void CMyPropertyPage5::OnSetActive() {
    const char* doing = State().WizardMode == session::WizardMode::Backup   ? "backing-up"
                        : State().RestoreMode == session::RestoreMode::Restore ? "restoring"
                                                   : "unrestoring";
    status_->setText(QString::asprintf(strings::kRunStatus, doing));
    bar_->setRange(0, 100);
    bar_->setValue(0);
    stopping_ = false;
    itemText_.clear();
    item_->clear();
    {
        std::lock_guard<std::mutex> lock(itemMutex_);
        latest_ = LatestItem{};
    }
    shownSerial_ = 0;
    itemTimer_->start();

    JoinWorker();  // a worker of an earlier activation has already reported
    sequence_ = std::make_unique<session::RunSequence>(context_.services.kernel);
    running_.store(true);
    workerDone_.store(false);
    emit completeChanged();  // Next stays disabled while the worker runs
    if (CMyPropertySheet* sheet = Sheet()) sheet->SetWizardButtons(0);
    worker_ = std::thread(&CMyPropertyPage5::RunThreadProc, this);
}

bool CMyPropertyPage5::OnQueryCancel() {
    if (!running_.load()) return true;
    State().UserAborted = 1;
    sequence_->RequestStop();
    // Nothing more to press until the library has stopped.
    stopping_ = true;
    status_->setText(QString::fromLatin1(strings::kStopping));
    if (CMyPropertySheet* sheet = Sheet()) {
        sheet->SetWizardButtons(0);
        sheet->button(QWizard::CancelButton)->setEnabled(false);
    }
    return false;
}

void CMyPropertyPage5::KeepItem(const SLProgressItem& item) {
    std::lock_guard<std::mutex> lock(itemMutex_);
    latest_.id = item.id != nullptr ? item.id : "";
    latest_.path = item.path != nullptr ? item.path : "";
    latest_.filesCopied = item.filesCopied;
    ++latest_.serial;
}

void CMyPropertyPage5::ShowLatestItem() {
    LatestItem shown;
    {
        std::lock_guard<std::mutex> lock(itemMutex_);
        if (latest_.serial == shownSerial_) return;
        shown = latest_;
    }
    shownSerial_ = shown.serial;
    // Paths come from the ANSI code page the kernel works in.
    itemText_ = ItemStatusText(ComponentTitle(State().Catalogue.get(), shown.id),
                               QString::fromLatin1(shown.path), shown.filesCopied);
    ElideItemLine();
    emit itemShown(itemText_);
}

void CMyPropertyPage5::ElideItemLine() {
    item_->setText(item_->fontMetrics().elidedText(itemText_, Qt::ElideMiddle,
                                                   std::max(item_->width(), 40)));
    item_->setToolTip(itemText_);
}

void CMyPropertyPage5::resizeEvent(QResizeEvent* event) {
    CSheetPage::resizeEvent(event);
    if (!itemText_.isEmpty()) ElideItemLine();
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
    Send(this, WM_SL_PROGRESS, PROGRESS_DONE, 0);
    workerDone_.store(true);
}

intptr_t CMyPropertyPage5::Send(void* context, uint32_t message, uintptr_t wParam,
                                intptr_t lParam) {
    auto* page = static_cast<CMyPropertyPage5*>(context);
    if (message != WM_SL_PROGRESS || page->closing_.load()) return 0;
    if (wParam == PROGRESS_ITEM) {
        // Kept, not sent across: the interface thread shows the latest one.
        if (lParam != 0) page->KeepItem(*reinterpret_cast<const SLProgressItem*>(lParam));
        return 0;
    }
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
        case PROGRESS_RANGE: {
            const int limit = static_cast<int>(static_cast<uint16_t>(count));
            if (State().RestoreMode != session::RestoreMode::Restore) {
                bar_->setRange(0, limit);
            } else if (bar_->value() <= 0) {
                // A restore runs the library twice; the first run's count
                // sets the range for both.
                bar_->setRange(0, static_cast<int>(static_cast<uint16_t>(2 * count)));
            }
            break;
        }
        case PROGRESS_STEP:
            // The bar stops at its end instead of starting over.
            bar_->setValue(std::min(bar_->value() + 1, bar_->maximum()));
            break;
        case PROGRESS_DONE:
            itemTimer_->stop();
            ShowLatestItem();
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
