#include "wizard/pages/selection_page.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "wizard/pages/check_list.h"
#include "wizard/pages/details_sheet.h"
#include "wizard/pages/message_box.h"
#include "wizard/pages/description_box.h"
#include "wizard/pages/mnemonic.h"
#include "wizard/pages/mode_words.h"
#include "wizard/pages/property_sheet.h"
#include "wizard/resources/strings.h"

namespace sl::wizard {

CMyPropertyPage2::CMyPropertyPage2(WizardContext& context, QWidget* parent)
    : CSheetPage(kSelectionPage, context, parent) {
    prompt_ = new QLabel;
    prompt_->setWordWrap(true);

    list_ = new ComponentCheckList;
    list_->setObjectName(QStringLiteral("checkList"));
    list_->setAccessibleName(QString::fromLatin1(strings::kComponentsName));
    list_->setAccessibleDescription(QString::fromLatin1(strings::kComponentsHelp));
    connect(list_, &ComponentCheckList::selectionChangedTo, this,
            &CMyPropertyPage2::OnSelectionChange);
    connect(list_, &ComponentCheckList::checkChanged, this, &CMyPropertyPage2::OnCheckChanged);

    details_ = new QPushButton(WithMnemonic(strings::kDetails, QLatin1Char('D')));
    // Return keeps pressing Next (or OK), even while Details has the focus.
    details_->setAutoDefault(false);
    details_->setObjectName(QStringLiteral("details"));
    details_->setEnabled(false);
    connect(details_, &QPushButton::clicked, this, &CMyPropertyPage2::OnDetails);

    QGroupBox* descriptionGroup = MakeDescriptionBox(36, &description_);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(details_);
    buttons->addStretch();
    auto* middle = new QHBoxLayout;
    middle->addWidget(list_, 1);
    middle->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt_);
    layout->addLayout(middle, 1);
    layout->addWidget(descriptionGroup);
}

void CMyPropertyPage2::OnSetActive() {
    const ModeWords words = WordsFor(State().WizardMode, State().RestoreMode);
    prompt_->setText(QString::asprintf(strings::kSelectionPrompt, words.verb, words.participle));
    if (State().Catalogue) {
        list_->Items().Fill(*State().Catalogue, menu_);
    } else {
        list_->Items().Clear();
    }
}

void CMyPropertyPage2::OnKillActive() { list_->Items().Clear(); }

void CMyPropertyPage2::OnSelectionChange(int index) {
    currentIndex_ = index;
    const CheckListEntry* entry = list_->Items().Entry(index);
    if (entry == nullptr || !State().Catalogue) return;
    const CatalogueItem* row = State().Catalogue->RowAt(menu_, entry->RowPosition);
    if (row == nullptr) return;
    description_->setText(QString::fromLatin1(row->Description));
    subMenu_ = row->SubMenuID;
    details_->setEnabled(subMenu_ >= 0);
}

void CMyPropertyPage2::OnCheckChanged(int index) {
    currentIndex_ = index;
    const CheckListEntry* entry = list_->Items().Entry(index);
    if (entry == nullptr || !State().Catalogue) return;
    State().Catalogue->SetCheckState(menu_, entry->RowPosition, entry->Check);
    // A change reaches the groups above and the rows below; show them all.
    list_->Items().Refresh(*State().Catalogue);
}

void CMyPropertyPage2::OnDetails() {
    if (subMenu_ < 0) return;
    CMyPropertySheet2 sheet(context_, subMenu_, window());
    connect(&sheet, &CMyPropertySheet2::opened, this,
            [this, &sheet] { emit detailsSheetOpened(&sheet); });
    sheet.DoModal();
    if (State().Catalogue) list_->Items().Refresh(*State().Catalogue);
    // Back from the sheet: in a "Details" sheet its OK, in the wizard the
    // list (where Return presses Next), never Details again.
    if (auto* owner = qobject_cast<CMyPropertySheet2*>(window())) {
        owner->OkButton()->setFocus();
    } else {
        list_->setFocus();
    }
}

int CMyPropertyPage2::OnWizardNext() {
    std::string ids;
    if (State().Catalogue) State().Catalogue->BuildIdList(ids);
    const ModeWords words = WordsFor(State().WizardMode, State().RestoreMode);
    if (ids.empty()) {
        MessageBox(this, QString::asprintf(strings::kSelectAtLeastOne, words.verb));
        return -1;
    }
    State().SelectedIDs = ids;
    if (State().WizardMode == session::WizardMode::Restore) {
        MessageBox(this, QString::fromLatin1(strings::kCloseAllApplications));
    }
    return 0;
}

}  // namespace sl::wizard
