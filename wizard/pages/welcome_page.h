// The welcome page (template 112): backup or restore, and the About box.
// Its Next sets the page order of the chosen mode. It also names the Wine
// prefix the wizard works on and lets the user choose another one, which
// the library works on from its next call and which is remembered for the
// next start; Next waits until there is a prefix. "Windows disk..." makes a
// mounted Windows installation (and one of its user profiles) the machine
// instead, to back up from; Restore is not offered while it is.
#pragma once

#include <vector>

#include "wizard/pages/sheet_page.h"
#include "common/session/prefix_finder.h"

class QLabel;
class QPushButton;
class QRadioButton;

class QGroupBox;

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
    // "Change...": the prefix chooser; a folder that is no prefix is
    // refused with a message and changes nothing.
    void OnChangePrefix();
    // "Windows disk...": the folder dialog, then the profile list when the
    // disk has several profiles. A folder that is no Windows installation
    // or a profile that cannot be read is refused with a message naming
    // why, and changes nothing.
    void OnChooseWindowsDisk();

    QRadioButton* BackupButton() const { return backup_; }
    QRadioButton* RestoreButton() const { return restore_; }
    QPushButton* AboutButton() const { return about_; }
    QLabel* DemoNote() const { return demoNote_; }
    QLabel* PrefixLabel() const { return prefixLabel_; }
    QPushButton* ChangePrefixButton() const { return changePrefix_; }
    QPushButton* WindowsDiskButton() const { return chooseDisk_; }
    QLabel* DiskNote() const { return diskNote_; }

private:
    QGroupBox* MakeMachineGroup();
    void ShowPrefix();
    // Offers Restore, and shows the note, as the machine allows.
    void ShowMachineChoices();

    int choice_ = 0;
    std::vector<session::FoundPrefix> found_;  // as the chooser last saw them
    QLabel* prefixLabel_;
    QPushButton* changePrefix_;
    QPushButton* chooseDisk_;
    QLabel* diskNote_;
    QRadioButton* backup_;
    QRadioButton* restore_;
    QPushButton* about_;
    QLabel* demoNote_;
};

}  // namespace sl::wizard
