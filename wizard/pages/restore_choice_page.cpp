#include "wizard/pages/restore_choice_page.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "wizard/pages/description_box.h"
#include "wizard/pages/mnemonic.h"
#include "wizard/pages/property_sheet.h"
#include "wizard/resources/strings.h"

namespace sl::wizard {

CMyPropertyPage7::CMyPropertyPage7(WizardContext& context, QWidget* parent)
    : CSheetPage(kRestoreChoicePage, context, parent) {
    auto* text = new QLabel(QString::fromLatin1(strings::kRestoreChoiceText));
    text->setWordWrap(true);

    auto* group = new QGroupBox(QString::fromLatin1(strings::kRestoreChoiceGroup));
    restore_ = new QRadioButton(WithMnemonic(strings::kRestoreComponents, QLatin1Char('R')));
    unrestore_ = new QRadioButton(WithMnemonic(strings::kUnrestoreComponents, QLatin1Char('U')));
    restore_->setObjectName(QStringLiteral("restoreComponents"));
    unrestore_->setObjectName(QStringLiteral("unrestoreComponents"));
    auto* radios = new QButtonGroup(this);
    radios->addButton(restore_, 0);
    radios->addButton(unrestore_, 1);
    restore_->setChecked(true);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(restore_);
    groupLayout->addWidget(unrestore_);

    QGroupBox* descriptionGroup = MakeDescriptionBox(80, &description_);

    connect(restore_, &QRadioButton::clicked, this, [this] {
        description_->setText(QString::fromLatin1(strings::kRestoreDescription));
    });
    connect(unrestore_, &QRadioButton::clicked, this, [this] {
        description_->setText(QString::fromLatin1(strings::kUnrestoreDescription));
    });

    LayOutChoicePage(this, text, group, descriptionGroup);
}

void CMyPropertyPage7::OnSetActive() {
    std::string restored;
    const auto& kernel = context_.services.kernel;
    if (kernel.GetRestoredIDs(State().BackupFolder.c_str(), restored) == 0) {
        restore_->setEnabled(true);
        unrestore_->setEnabled(!restored.empty());
    }
    // The choice made before stays (also after Back), unless the folder
    // has nothing left to unrestore.
    const bool unrestore = choice_ == 1 && unrestore_->isEnabled();
    (unrestore ? unrestore_ : restore_)->setChecked(true);
    (unrestore ? unrestore_ : restore_)->setFocus();
    description_->setText(QString::fromLatin1(unrestore ? strings::kUnrestoreDescription
                                                        : strings::kRestoreDescription));
}

int CMyPropertyPage7::OnWizardNext() {
    choice_ = unrestore_->isChecked() ? 1 : 0;
    State().RestoreMode = static_cast<session::RestoreMode>(choice_);
    context_.RebuildCatalogue();
    const auto& kernel = context_.services.kernel;
    std::string list;
    const char* folder = State().BackupFolder.c_str();
    const int32_t rc =
        choice_ == 0 ? kernel.GetSavedIDs(folder, list) : kernel.GetRestoredIDs(folder, list);
    if (rc == 0) {
        ComponentCatalogue& catalogue = *State().Catalogue;
        catalogue.ApplyIdList(list, 1);
        catalogue.PropagateAvailability();
        catalogue.RemoveHidden();
    }
    return 0;
}

}  // namespace sl::wizard
