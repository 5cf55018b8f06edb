// The restore-choice page (template 110): restore or unrestore. Its Next
// builds a fresh catalogue cut down to the components the backup folder
// holds (restore) or that were restored from it (unrestore).
#pragma once

#include "wizard/pages/sheet_page.h"

class QLabel;
class QRadioButton;

namespace sl::wizard {

class CMyPropertyPage7 : public CSheetPage {
    Q_OBJECT
public:
    explicit CMyPropertyPage7(WizardContext& context, QWidget* parent = nullptr);

    int Choice() const { return choice_; }  // 0 restore, 1 unrestore

    void OnSetActive() override;
    int OnWizardNext() override;

    QRadioButton* RestoreButton() const { return restore_; }
    QRadioButton* UnrestoreButton() const { return unrestore_; }
    QLabel* Description() const { return description_; }

private:
    int choice_ = 0;
    QRadioButton* restore_;
    QRadioButton* unrestore_;
    QLabel* description_;
};

}  // namespace sl::wizard
