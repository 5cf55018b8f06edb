// The summary page (template 107): the components the run will handle, as
// an indented list the user can scroll and copy but not change. In a restore
// or unrestore its Next first makes sure that no Windows program is running
// in the prefix, since the run writes the prefix's registry.
#pragma once

#include "wizard/pages/sheet_page.h"

class QLabel;
class QPlainTextEdit;

namespace sl::wizard {

class CMyPropertyPage4 : public CSheetPage {
    Q_OBJECT
public:
    explicit CMyPropertyPage4(WizardContext& context, QWidget* parent = nullptr);

    void OnSetActive() override;
    int OnWizardNext() override;

    QLabel* Heading() const { return heading_; }
    QPlainTextEdit* List() const { return list_; }

private:
    QLabel* heading_;
    QPlainTextEdit* list_;
};

}  // namespace sl::wizard
