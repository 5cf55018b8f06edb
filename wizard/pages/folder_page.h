// The folder page (template 106): the backup folder, typed as a DOS path or
// chosen with "Browse". In a backup a missing folder is created on request;
// in a restore the folder must hold Stowlark backup files.
#pragma once

#include "wizard/pages/sheet_page.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace sl::wizard {

class CMyPropertyPage3 : public CSheetPage {
    Q_OBJECT
public:
    explicit CMyPropertyPage3(WizardContext& context, QWidget* parent = nullptr);

    void OnSetActive() override;
    int OnWizardNext() override;
    int OnWizardBack() override;
    void OnBrowse();

    QLineEdit* PathEdit() const { return pathEdit_; }
    QLabel* Prompt() const { return prompt_; }
    QPushButton* BrowseButton() const { return browse_; }

private:
    std::string ReadPath() const;

    std::string path_;
    QLabel* prompt_;
    QLineEdit* pathEdit_;
    QPushButton* browse_;
};

}  // namespace sl::wizard
