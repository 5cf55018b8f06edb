#include "wizard/pages/property_sheet.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "wizard/pages/backup_option_page.h"
#include "wizard/pages/finish_page.h"
#include "wizard/pages/folder_page.h"
#include "wizard/pages/mnemonic.h"
#include "wizard/pages/pictures.h"
#include "wizard/pages/restore_choice_page.h"
#include "wizard/pages/run_page.h"
#include "wizard/pages/selection_page.h"
#include "wizard/pages/summary_page.h"
#include "wizard/pages/welcome_page.h"
#include "wizard/resources/strings.h"

namespace sl::wizard {

CMyPropertySheet::CMyPropertySheet(WizardContext& context, QWidget* parent)
    : QWizard(parent), context_(context), icon_(ProgramIcon()) {
    setWindowTitle(QString::fromLatin1(strings::kCaption));
    setObjectName(QStringLiteral("CMyPropertySheet"));
    // A wizard has no system menu or minimize box of its own.
    setWindowFlags(windowFlags() | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint);
    setWizardStyle(QWizard::ClassicStyle);
    setOption(QWizard::HaveHelpButton, false);
    setOption(QWizard::NoBackButtonOnStartPage, false);
    setWindowIcon(icon_);

    page9_ = new CMyPropertyPage9(context_);
    page1_ = new CMyPropertyPage1(context_);
    page2_ = new CMyPropertyPage2(context_);
    page3_ = new CMyPropertyPage3(context_);
    page4_ = new CMyPropertyPage4(context_);
    page5_ = new CMyPropertyPage5(context_);
    page6_ = new CMyPropertyPage6(context_);
    page7_ = new CMyPropertyPage7(context_);
    for (CSheetPage* page : std::initializer_list<CSheetPage*>{page9_, page1_, page2_, page3_,
                                                               page4_, page5_, page6_, page7_}) {
        setPage(page->TemplateId(), page);
    }
    setStartId(kWelcomePage);
    RebuildPages(0);

    // Back follows the pages' Back handlers, not only the visited pages.
    QAbstractButton* back = button(QWizard::BackButton);
    disconnect(back, nullptr, this, nullptr);
    connect(back, &QAbstractButton::clicked, this, &CMyPropertySheet::PressBack);
    connect(this, &QWizard::currentIdChanged, this, &CMyPropertySheet::OnCurrentIdChanged);
    setButtonText(QWizard::CancelButton, QStringLiteral("&Cancel"));
    resize(SizeForScreen(QGuiApplication::primaryScreen()));
}

QSize CMyPropertySheet::SizeForScreen(const QScreen* screen) const {
    QSize size(kPreferredWidth, kPreferredHeight);
    if (screen == nullptr) return size;
    // Room for the frame and title bar a window manager adds.
    const QSize room = screen->availableGeometry().size() - QSize(kFrameRoom, 3 * kFrameRoom);
    size = size.boundedTo(room);
    return size.expandedTo(minimumSizeHint().boundedTo(room));
}

void CMyPropertySheet::showEvent(QShowEvent* event) {
    if (!placed_) {
        // The screen is known now: fit the window to it and centre it there.
        placed_ = true;
        const QScreen* shownOn = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
        if (shownOn != nullptr) {
            resize(SizeForScreen(shownOn));
            const QRect available = shownOn->availableGeometry();
            QRect frame(QPoint(0, 0), size() + QSize(kFrameRoom, 3 * kFrameRoom) / 2);
            frame.moveCenter(available.center());
            move(std::max(frame.left(), available.left()), std::max(frame.top(), available.top()));
        }
    }
    QWizard::showEvent(event);
}

void CMyPropertySheet::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (enter && plain && currentId() == kFinishPage) {
        // Close is the only button left on the finish page.
        button(QWizard::CancelButton)->click();
        return;
    }
    QWizard::keyPressEvent(event);
}

CMyPropertySheet::~CMyPropertySheet() = default;

void CMyPropertySheet::RebuildPages(int mode) {
    if (mode == 0) {
        order_ = {kWelcomePage, kBackupOptionPage, kSelectionPage, kFolderPage,
                  kSummaryPage, kRunPage,          kFinishPage,    kRestoreChoicePage};
    } else {
        order_ = {kWelcomePage, kFolderPage, kRestoreChoicePage, kSelectionPage,
                  kSummaryPage, kRunPage,    kFinishPage,        kBackupOptionPage};
    }
}

void CMyPropertySheet::SetWizardButtons(int flags) {
    button(QWizard::BackButton)->setEnabled((flags & kWizardBack) != 0);
    button(QWizard::NextButton)->setEnabled((flags & kWizardNext) != 0);
}

void CMyPropertySheet::ShowCloseOnly() {
    setButtonLayout({QWizard::Stretch, QWizard::CancelButton});
    setButtonText(QWizard::CancelButton, WithMnemonic(strings::kClose, QLatin1Char('C')));
    QAbstractButton* close = button(QWizard::CancelButton);
    close->setEnabled(true);  // after a Cancel during the run
    if (auto* push = qobject_cast<QPushButton*>(close)) push->setDefault(true);
}

void CMyPropertySheet::SetPendingJump(int fromPage, int target) {
    pendingFrom_ = fromPage;
    pendingTarget_ = target;
}

int CMyPropertySheet::nextId() const {
    const int id = currentId();
    if (pendingFrom_ == id && pendingTarget_ > 0) return pendingTarget_;
    auto it = std::find(order_.begin(), order_.end(), id);
    if (it == order_.end() || it + 1 == order_.end()) return -1;
    return *(it + 1);
}

void CMyPropertySheet::PressBack() {
    CSheetPage* page = SheetPage(currentId());
    const int target = page != nullptr ? page->OnWizardBack() : 0;
    if (target == -1) return;
    const QList<int> visited = visitedIds();
    if (target == 0 || !visited.contains(target)) {
        // The previous page of the order is the previous page visited on
        // every path through the wizard.
        back();
        return;
    }
    while (currentId() != target && visitedIds().size() > 1) back();
}

void CMyPropertySheet::reject() {
    CSheetPage* page = SheetPage(currentId());
    if (page != nullptr && !page->OnQueryCancel()) return;
    QWizard::reject();
}

CSheetPage* CMyPropertySheet::SheetPage(int id) const {
    return qobject_cast<CSheetPage*>(page(id));
}

void CMyPropertySheet::OnCurrentIdChanged(int id) {
    pendingFrom_ = -1;
    pendingTarget_ = 0;
    if (active_ != nullptr) active_->OnKillActive();
    active_ = SheetPage(id);
    if (active_ != nullptr) active_->OnSetActive();
}

}  // namespace sl::wizard
