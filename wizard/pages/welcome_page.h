// The welcome page (template 112): backup or restore, and the About box.
// Its Next sets the page order of the chosen mode.
#pragma once

#include "wizard/pages/sheet_page.h"

class QLabel;
class QPushButton;
class QRadioButton;

namespace sl::wizard {

class CMyPropertyPage9 : public CSheetPage {
    Q_OBJECT
public:
    explicit CMyPropertyPage9(WizardContext& context, QWidget* parent = nullptr);

    int Choice() const { return choice_; }  // 0 Backup, 1 Restore

    void OnSetActive() override;
    void OnKillActive() override;
    int OnWizardNext() override;
    void OnAbout();

    QRadioButton* BackupButton() const { return backup_; }
    QRadioButton* RestoreButton() const { return restore_; }
    QPushButton* AboutButton() const { return about_; }
    QLabel* DemoNote() const { return demoNote_; }

private:
    int choice_ = 0;
    QRadioButton* backup_;
    QRadioButton* restore_;
    QPushButton* about_;
    QLabel* demoNote_;
};

}  // namespace sl::wizard
