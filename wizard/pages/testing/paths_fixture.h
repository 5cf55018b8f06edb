// What the tests that drive the real wizard offscreen through every path a
// user can take share: a scratch copy of the demo machine, the sheet, and
// the steps a user takes on its pages. Every test function runs in a
// process of its own (see wizard_tests.cmake): the kernel library keeps the
// registry it has read for the life of the process.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "wizard/pages/about_box.h"
#include "wizard/pages/backup_option_page.h"
#include "wizard/pages/check_list.h"
#include "wizard/pages/details_sheet.h"
#include "wizard/pages/finish_page.h"
#include "wizard/pages/folder_page.h"
#include "wizard/pages/mnemonic.h"
#include "wizard/pages/prefix_dialog.h"
#include "wizard/pages/property_sheet.h"
#include "wizard/pages/restore_choice_page.h"
#include "wizard/pages/run_page.h"
#include "wizard/pages/selection_page.h"
#include "wizard/pages/summary_page.h"
#include "wizard/pages/testing/test_main.h"
#include "wizard/pages/testing/wizard_fixture.h"
#include "wizard/pages/welcome_page.h"
#include "wizard/resources/strings.h"
#include "common/session/prefix_choice.h"

namespace sl::wizard::testing {

inline constexpr uintptr_t kHkcu = 0x80000001u;  // HKEY_CURRENT_USER
inline const char* const kWinampKey = "Software\\Winamp";
inline const char* const kWinampIni = "C:\\Program Files\\Winamp\\winamp.ini";
inline const char* const kPluginIni = "C:\\Program Files\\Winamp\\plugin.ini";  // ID 60
inline const char* const kBackupFolder = "C:\\Backup";
inline const char* const kPreRestore = "C:\\windows\\Stowlark.Bak";
inline const char* const kWinampIDs = "'57','58','59','60'";

inline QString Latin(const char* text) { return QString::fromLatin1(text); }

// The index of the entry whose title is " " + title; -1 when missing.
inline int EntryOf(ComponentCheckList* list, const char* title) {
    CheckListItemModel& items = list->Items();
    for (int i = 0; i < items.Count(); ++i) {
        if (items.Entry(i)->Text == std::string(" ") + title) return i;
    }
    return -1;
}

inline Qt::CheckState CheckOf(ComponentCheckList* list, int index) {
    return list->model()->index(index, 0).data(Qt::CheckStateRole).value<Qt::CheckState>();
}

// The user selects an entry and presses the space bar on it.
inline void Toggle(ComponentCheckList* list, int index) {
    list->setCurrentIndex(list->model()->index(index, 0));
    QTest::keyClick(list, Qt::Key_Space);
}

inline bool Contains(const std::string& list, const char* token) {
    return list.find(token) != std::string::npos;
}

class WizardPathsFixture : public QObject {
    Q_OBJECT

protected:
    ScratchMachine* machine_ = nullptr;
    std::unique_ptr<WizardContext> context_;
    std::unique_ptr<CMyPropertySheet> sheet_;

    const sl::session::KernelApi& Api() { return sl::wizard::testing::Kernel().Api(); }
    WizardState& State() { return context_->state; }

    void Start() {
        context_ = sl::wizard::testing::MakeContext(machine_->Prefix());
        sheet_ = std::make_unique<CMyPropertySheet>(*context_);
        sheet_->show();
    }
    void ChooseMode(bool restore) {
        QCOMPARE(sheet_->currentId(), int(kWelcomePage));
        (restore ? sheet_->WelcomePage()->RestoreButton() : sheet_->WelcomePage()->BackupButton())
            ->click();
        sheet_->next();
    }
    void ChooseOption(int option) {
        QCOMPARE(sheet_->currentId(), int(kBackupOptionPage));
        sheet_->BackupOptionPage()->OptionButton(option)->click();
        sheet_->next();
    }
    void TypeFolder(const char* folder) {
        QCOMPARE(sheet_->currentId(), int(kFolderPage));
        sheet_->FolderPage()->PathEdit()->setText(Latin(folder));
    }
    void RunToFinish() {
        QCOMPARE(sheet_->currentId(), int(kSummaryPage));
        sheet_->next();
        QCOMPARE(sheet_->currentId(), int(kRunPage));
        QTRY_COMPARE_WITH_TIMEOUT(sheet_->currentId(), int(kFinishPage), 120000);
        QVERIFY(!sheet_->RunPage()->Running());
        QCOMPARE(WithoutMnemonic(sheet_->button(QWizard::CancelButton)->text()),
                 Latin(sl::strings::kClose));
        QVERIFY(!sheet_->button(QWizard::NextButton)->isVisible());
        QVERIFY(!sheet_->button(QWizard::BackButton)->isVisible());
    }
    // Restore-path start: welcome, folder, restore choice.
    void OpenBackupFolder(bool unrestore) {
        ChooseMode(true);
        TypeFolder(kBackupFolder);
        sheet_->next();
        QCOMPARE(sheet_->currentId(), int(kRestoreChoicePage));
        (unrestore ? sheet_->RestoreChoicePage()->UnrestoreButton()
                   : sheet_->RestoreChoicePage()->RestoreButton())
            ->click();
        sheet_->next();
        QCOMPARE(sheet_->currentId(), int(kSelectionPage));
    }
    // A backup of the WinAmp components into C:\Backup, made by another
    // process, and then changed settings on the machine.
    void PrepareChangedMachine() {
        std::filesystem::create_directories(machine_->Unix(kBackupFolder));
        QCOMPARE(sl::wizard::testing::RunKernelInChild(machine_->Prefix(), kWinampIDs,
                                                       kBackupFolder, 1),
                 1);
        QVERIFY(machine_->SetRegistryString(kHkcu, kWinampKey, "Language", "changed"));
        machine_->WriteFile(kWinampIni, "[Winamp]\r\nchanged=1\r\n");
        machine_->WriteFile(kPluginIni, "[plugins]\r\nchanged=1\r\n");
    }
    std::string HiveText() {
        std::ifstream in(machine_->Prefix() + "/user.reg", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string FolderIDs(const char* folder, bool restored) {
        std::string ids;
        const int rc = restored ? Api().GetRestoredIDs(folder, ids) : Api().GetSavedIDs(folder, ids);
        return rc == 0 ? ids : "(unreadable)";
    }

private slots:
    void initTestCase() {
        machine_ = new ScratchMachine;
        if (!machine_->Ready()) QSKIP("the demo machine examples/demo-prefix is missing");
        QVERIFY2(sl::wizard::testing::Kernel().Loaded(),
                 sl::wizard::testing::Kernel().Error().c_str());
    }
    void cleanup() {
        sheet_.reset();
        context_.reset();
    }
    void cleanupTestCase() { delete machine_; }
};

}  // namespace sl::wizard::testing
