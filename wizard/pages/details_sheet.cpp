#include "wizard/pages/details_sheet.h"

#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <QTimer>
#include <QVBoxLayout>

#include "wizard/pages/mnemonic.h"
#include "wizard/pages/pictures.h"
#include "wizard/pages/selection_page.h"
#include "wizard/resources/strings.h"

namespace sl::wizard {
namespace {
// The button sits 85 pixels left of the right edge and 35 above the bottom.
constexpr int kOkFromRight = 85;
constexpr int kOkFromBottom = 35;
constexpr int kOkWidth = 75;
// The sheet's top-left corner, relative to its owner's.
constexpr int kOffsetRight = 20;
constexpr int kOffsetUp = 20;
}  // namespace

CMyPropertySheet2::CMyPropertySheet2(WizardContext& context, int subMenu, QWidget* owner)
    : QDialog(owner), owner_(owner) {
    setObjectName(QStringLiteral("CMyPropertySheet2"));
    setWindowTitle(QString::fromLatin1(strings::kCaption));
    setWindowIcon(ProgramIcon());
    setModal(true);

    page_ = new CMyPropertyPage2(context, this);
    page_->SetMenu(subMenu);
    auto* layout = new QVBoxLayout(this);
    // Room at the bottom for the button, which is placed by hand.
    layout->setContentsMargins(12, 12, 12, kOkFromBottom + 12);
    layout->addWidget(page_);

    ok_ = new QPushButton(WithMnemonic(strings::kOK, QLatin1Char('O')), this);
    ok_->setObjectName(QStringLiteral("ok"));
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

    resize(owner != nullptr ? owner->window()->size() : QSize(620, 440));
}

CMyPropertySheet2::~CMyPropertySheet2() = default;

void CMyPropertySheet2::DoModal() {
    page_->OnSetActive();
    exec();
    page_->OnKillActive();
}

void CMyPropertySheet2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!placed_ && owner_ != nullptr) {
        const QPoint corner = owner_->window()->frameGeometry().topLeft();
        QRect frame(QPoint(corner.x() + kOffsetRight, corner.y() - kOffsetUp),
                    frameGeometry().size());
        // Moved back onto the screen where the offset would push it off
        // (a window that fills a small screen).
        if (const QScreen* shownOn = screen()) {
            const QRect available = shownOn->availableGeometry();
            frame.moveRight(std::min(frame.right(), available.right()));
            frame.moveBottom(std::min(frame.bottom(), available.bottom()));
            frame.moveLeft(std::max(frame.left(), available.left()));
            frame.moveTop(std::max(frame.top(), available.top()));
        }
        move(frame.topLeft());
        placed_ = true;
    }
    PlaceOkButton();
    QTimer::singleShot(0, this, &CMyPropertySheet2::opened);
}

void CMyPropertySheet2::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    PlaceOkButton();
}

void CMyPropertySheet2::PlaceOkButton() {
    ok_->setGeometry(width() - kOkFromRight, height() - kOkFromBottom, kOkWidth,
                     ok_->sizeHint().height());
}

}  // namespace sl::wizard
