#include "wizard/pages/backup_option_page.h"

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
namespace {
const char* const kOptionDescriptions[3] = {strings::kTypicalDescription,
                                            strings::kCustomDescription,
                                            strings::kAllDescription};
}  // namespace

CMyPropertyPage1::CMyPropertyPage1(WizardContext& context, QWidget* parent)
    : CSheetPage(kBackupOptionPage, context, parent) {
    // A new option page starts without a cancelled run behind it.
    State().UserAborted = 0;

    auto* text = new QLabel(QString::fromLatin1(strings::kBackupOptionText));
    text->setWordWrap(true);

    auto* group = new QGroupBox(QString::fromLatin1(strings::kBackupOptionGroup));
    auto* groupLayout = new QVBoxLayout(group);
    auto* radios = new QButtonGroup(this);
    const char* const names[3] = {strings::kTypical, strings::kCustom, strings::kAll};
    // Alt+C is the wizard's Cancel.
    const char letters[3] = {'T', 'u', 'A'};
    for (int i = 0; i < 3; ++i) {
        options_[i] = new QRadioButton(WithMnemonic(names[i], QLatin1Char(letters[i])));
        options_[i]->setObjectName(QString::fromLatin1(names[i]).toLower());
        radios->addButton(options_[i], i);
        groupLayout->addWidget(options_[i]);
        connect(options_[i], &QRadioButton::clicked, this, [this, i] {
            description_->setText(QString::fromLatin1(kOptionDescriptions[i]));
        });
    }
    options_[0]->setChecked(true);

    QGroupBox* descriptionGroup = MakeDescriptionBox(80, &description_);

    LayOutChoicePage(this, text, group, descriptionGroup);
}

void CMyPropertyPage1::OnSetActive() {
    // The option chosen before stays chosen (also after Back), and the
    // description is the one of that option.
    options_[option_]->setChecked(true);
    options_[option_]->setFocus();
    description_->setText(QString::fromLatin1(kOptionDescriptions[option_]));
}

int CMyPropertyPage1::OnWizardNext() {
    option_ = options_[2]->isChecked() ? 2 : options_[1]->isChecked() ? 1 : 0;
    State().BackupOption = option_;
    context_.RebuildCatalogue();
    ComponentCatalogue& catalogue = *State().Catalogue;
    if (option_ == 1) {
        // The typical rows start checked; the user changes them next.
        catalogue.ApplyPreset(0);
        return 0;
    }
    catalogue.ApplyPreset(option_ == 2 ? 1 : 0);
    std::string ids;
    catalogue.BuildIdList(ids);
    State().SelectedIDs = ids;
    return kFolderPage;
}

}  // namespace sl::wizard
