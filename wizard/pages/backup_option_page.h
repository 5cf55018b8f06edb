// The backup-option page (template 104): Typical, Custom or All. Its Next
// builds a fresh catalogue with the matching preset; Typical and All jump
// over the selection page to the folder page.
#pragma once

#include "wizard/pages/sheet_page.h"

class QLabel;
class QRadioButton;

namespace sl::wizard {

class CMyPropertyPage1 : public CSheetPage {
    Q_OBJECT
public:
    explicit CMyPropertyPage1(WizardContext& context, QWidget* parent = nullptr);

    int Option() const { return option_; }  // 0 Typical, 1 Custom, 2 All

    void OnSetActive() override;
    int OnWizardNext() override;

    QRadioButton* OptionButton(int option) const { return options_[option]; }
    QLabel* Description() const { return description_; }

private:
    int option_ = 0;
    QRadioButton* options_[3];
    QLabel* description_;
};

}  // namespace sl::wizard
