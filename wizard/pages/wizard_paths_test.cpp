// Drives the real wizard offscreen through every path a user can take, on a
// scratch copy of the demo machine, and checks what the run left in the
// machine's files and registry. Every test function runs in a process of
// its own (see wizard_tests.cmake): the kernel library keeps the registry it
// has read for the life of the process.
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

#include "kernel/platform/platform.h"
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

using namespace sl::wizard;
using sl::wizard::testing::MessageRecorder;
using sl::wizard::testing::ScratchMachine;

namespace {

constexpr uintptr_t kHkcu = sl::platform::kHkeyCurrentUser;
const char* const kWinampKey = "Software\\Winamp";
const char* const kWinampIni = "C:\\Program Files\\Winamp\\winamp.ini";
const char* const kPluginIni = "C:\\Program Files\\Winamp\\plugin.ini";  // ID 60
const char* const kBackupFolder = "C:\\Backup";
const char* const kPreRestore = "C:\\windows\\Stowlark.Bak";
const char* const kWinampIDs = "'57','58','59','60'";

QString Latin(const char* text) { return QString::fromLatin1(text); }

// The index of the entry whose title is " " + title; -1 when missing.
int EntryOf(ComponentCheckList* list, const char* title) {
    CheckListItemModel& items = list->Items();
    for (int i = 0; i < items.Count(); ++i) {
        if (items.Entry(i)->Text == std::string(" ") + title) return i;
    }
    return -1;
}

Qt::CheckState CheckOf(ComponentCheckList* list, int index) {
    return list->model()->index(index, 0).data(Qt::CheckStateRole).value<Qt::CheckState>();
}

// The user selects an entry and presses the space bar on it.
void Toggle(ComponentCheckList* list, int index) {
    list->setCurrentIndex(list->model()->index(index, 0));
    QTest::keyClick(list, Qt::Key_Space);
}

bool Contains(const std::string& list, const char* token) {
    return list.find(token) != std::string::npos;
}

}  // namespace

class WizardPathsTest : public QObject {
    Q_OBJECT

private:
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

    void backupTypical() {
        MessageRecorder messages;
        const auto registry = machine_->RegistryTree(kHkcu, kWinampKey);
        Start();
        QVERIFY(!sheet_->button(QWizard::BackButton)->isEnabled());
        QVERIFY(sheet_->WelcomePage()->BackupButton()->isChecked());
        ChooseMode(false);
        ChooseOption(0);
        // Typical jumps over the selection page.
        QCOMPARE(sheet_->currentId(), int(kFolderPage));
        QCOMPARE(sheet_->FolderPage()->PathEdit()->text(), QStringLiteral("C:\\Stowlark\\Settings"));
        QCOMPARE(sheet_->FolderPage()->Prompt()->text(), Latin(sl::strings::kFolderPromptBackup));
        messages.Queue(QMessageBox::Yes);
        sheet_->next();
        QCOMPARE(messages.Texts(),
                 QStringList{"The folder C:\\Stowlark\\Settings does not exist. Would you like to "
                             "create it?"});
        QCOMPARE(messages.Requests()[0].icon, QMessageBox::Question);
        QCOMPARE(messages.Requests()[0].caption, QStringLiteral("Quendara Stowlark"));
        QCOMPARE(sheet_->currentId(), int(kSummaryPage));
        const QString summary = sheet_->SummaryPage()->List()->toPlainText();
        QVERIFY(summary.startsWith(" Windows File Explorer Settings (Folder Browsing Options"));
        QVERIFY(summary.contains("\n Microsoft Office Settings\n     Microsoft Word Settings\n"
                                 "         Common Settings ("));
        QVERIFY(!summary.contains("Cache Files"));
        QVERIFY(!summary.contains("Auto-Launch List"));
        RunToFinish();
        QCOMPARE(sheet_->FinishPage()->Message()->text(),
                 Latin(sl::strings::kThanks) + Latin(sl::strings::kThanksBackup));
        QVERIFY(sheet_->FinishPage()->Report()->isHidden());

        // The folder holds the typical components, the INI file among its copies.
        const std::string saved = FolderIDs("C:\\Stowlark\\Settings", false);
        QVERIFY2(Contains(saved, "'58'") && Contains(saved, "'1'") && Contains(saved, "'10'"),
                 saved.c_str());
        QVERIFY2(!Contains(saved, "'38'") && !Contains(saved, "'55'"), saved.c_str());
        bool iniCopied = false;
        for (const std::string& name : machine_->FilesIn("C:\\Stowlark\\Settings")) {
            if (machine_->ReadFile("C:\\Stowlark\\Settings\\" + name) ==
                machine_->ReadFile(kWinampIni))
                iniCopied = true;
        }
        QVERIFY(iniCopied);
        QCOMPARE(machine_->RegistryTree(kHkcu, kWinampKey), registry);
        QVERIFY(!machine_->Exists(kPreRestore));
        // Close ends the wizard.
        sheet_->button(QWizard::CancelButton)->click();
        QVERIFY(!sheet_->isVisible());
    }

    void backupCustomWithDetails() {
        MessageRecorder messages;
        Start();
        ChooseMode(false);
        ChooseOption(1);
        QCOMPARE(sheet_->currentId(), int(kSelectionPage));
        ComponentCheckList* list = sheet_->SelectionPage()->CheckList();
        QVERIFY(sheet_->SelectionPage()->Prompt()->text().startsWith(
            "Please select components to backup."));
        const int office = EntryOf(list, "Microsoft Office Settings");
        const int internet = EntryOf(list, "Internet Settings");
        QVERIFY(office >= 0 && internet >= 0);
        QCOMPARE(CheckOf(list, office), Qt::Checked);
        QCOMPARE(CheckOf(list, internet), Qt::PartiallyChecked);
        // The user unchecks everything; a shaded entry becomes unchecked.
        for (int i = 0; i < list->Items().Count(); ++i) {
            if (CheckOf(list, i) != Qt::Unchecked) Toggle(list, i);
            QCOMPARE(CheckOf(list, i), Qt::Unchecked);
        }

        // Office, Details, Word, Details, check Common Settings, OK, OK.
        list->setCurrentIndex(list->model()->index(office, 0));
        QVERIFY(sheet_->SelectionPage()->DetailsButton()->isEnabled());
        QPoint officeSheetCorner, sheetCorner = sheet_->frameGeometry().topLeft();
        bool wordOpened = false;
        connect(sheet_->SelectionPage(), &CMyPropertyPage2::detailsSheetOpened, this,
                [&](QWidget* widget) {
                    auto* details = static_cast<CMyPropertySheet2*>(widget);
                    officeSheetCorner = details->frameGeometry().topLeft();
                    ComponentCheckList* officeList = details->Page()->CheckList();
                    const int word = EntryOf(officeList, "Microsoft Word Settings");
                    QVERIFY(word >= 0);
                    officeList->setCurrentIndex(officeList->model()->index(word, 0));
                    connect(details->Page(), &CMyPropertyPage2::detailsSheetOpened, this,
                            [&](QWidget* inner) {
                                auto* wordSheet = static_cast<CMyPropertySheet2*>(inner);
                                ComponentCheckList* wordList = wordSheet->Page()->CheckList();
                                const int common = EntryOf(wordList, "Common Settings");
                                Toggle(wordList, common);
                                QCOMPARE(CheckOf(wordList, common), Qt::Checked);
                                wordOpened = true;
                                QCOMPARE(WithoutMnemonic(wordSheet->OkButton()->text()),
                                         QStringLiteral("OK"));
                                QCOMPARE(wordSheet->OkButton()->geometry().topLeft(),
                                         QPoint(wordSheet->width() - 85,
                                                wordSheet->height() - 35));
                                wordSheet->OkButton()->click();
                            });
                    details->Page()->DetailsButton()->click();
                    // Back in the Office sheet: Word shows shaded now.
                    QCOMPARE(CheckOf(officeList, word), Qt::PartiallyChecked);
                    details->OkButton()->click();
                });
        sheet_->SelectionPage()->DetailsButton()->click();
        QVERIFY(wordOpened);
        QCOMPARE(officeSheetCorner, sheetCorner + QPoint(20, -20));
        QCOMPARE(CheckOf(list, office), Qt::PartiallyChecked);

        sheet_->next();
        QCOMPARE(State().SelectedIDs, std::string("'2','4','10'"));
        QVERIFY(messages.Texts().isEmpty());  // no warning to close applications in a backup
        QCOMPARE(sheet_->currentId(), int(kFolderPage));
        TypeFolder("C:\\Custom");
        sheet_->next();
        const QString summary = sheet_->SummaryPage()->List()->toPlainText();
        QVERIFY2(summary.startsWith(" Microsoft Office Settings\n     Microsoft Word Settings\n"
                                    "         Common Settings ("),
                 qPrintable(summary));
        QCOMPARE(summary.count('\n'), 2);
        RunToFinish();
        const std::string saved = FolderIDs("C:\\Custom", false);
        QVERIFY2(Contains(saved, "'10'"), saved.c_str());
        QVERIFY2(!Contains(saved, "'11'") && !Contains(saved, "'58'") && !Contains(saved, "'1'"),
                 saved.c_str());
        QVERIFY(machine_->Exists("C:\\Custom\\Stowlark.dat"));
    }

    void backupAllThroughBrowse() {
        MessageRecorder messages;
        std::filesystem::create_directories(machine_->Prefix() + "/drive_c/Temp Backups");
        Start();
        QString browseTitle, browseStart;
        context_->services.chooseFolder = [&](QWidget*, const QString& title, const QString& start) {
            browseTitle = title;
            browseStart = start;
            return QString::fromStdString(machine_->Prefix() + "/drive_c/Temp Backups");
        };
        ChooseMode(false);
        ChooseOption(2);
        QCOMPARE(sheet_->currentId(), int(kFolderPage));
        TypeFolder("C:\\Program Files\\Winamp");
        sheet_->FolderPage()->BrowseButton()->click();
        QCOMPARE(browseTitle, Latin(sl::strings::kBrowseTitleBackup));
        QCOMPARE(browseStart, QString::fromStdString(machine_->Prefix() +
                                                     "/drive_c/Program Files/Winamp"));
        QCOMPARE(sheet_->FolderPage()->PathEdit()->text(), QStringLiteral("C:\\Temp Backups"));
        sheet_->next();
        QVERIFY(messages.Texts().isEmpty());  // the folder exists
        RunToFinish();
        const std::string saved = FolderIDs("C:\\Temp Backups", false);
        for (const char* id : {"'1'", "'38'", "'55'", "'56'", "'58'", "'59'", "'60'"}) {
            QVERIFY2(Contains(saved, id), (saved + " lacks " + id).c_str());
        }
        QVERIFY(sheet_->FinishPage()->Report()->isHidden());
    }

    void backFromTheFolderPage() {
        MessageRecorder messages;
        const std::string hive = HiveText();
        Start();
        // Restore path: the folder page is the second page.
        ChooseMode(true);
        QCOMPARE(sheet_->currentId(), int(kFolderPage));
        QCOMPARE(sheet_->FolderPage()->Prompt()->text(), Latin(sl::strings::kFolderPromptRestore));
        sheet_->PressBack();
        QCOMPARE(sheet_->currentId(), int(kWelcomePage));
        // Backup again: the order is rebuilt.
        ChooseMode(false);
        QCOMPARE(sheet_->currentId(), int(kBackupOptionPage));
        QCOMPARE(sheet_->BackupOptionPage()->Description()->text(),
                 Latin(sl::strings::kTypicalDescription));
        sheet_->BackupOptionPage()->OptionButton(2)->click();
        QCOMPARE(sheet_->BackupOptionPage()->Description()->text(),
                 Latin(sl::strings::kAllDescription));
        ChooseOption(0);
        QCOMPARE(sheet_->currentId(), int(kFolderPage));
        sheet_->PressBack();
        QCOMPARE(sheet_->currentId(), int(kBackupOptionPage));  // not the selection page
        ChooseOption(1);
        QCOMPARE(sheet_->currentId(), int(kSelectionPage));
        sheet_->next();
        QCOMPARE(sheet_->currentId(), int(kFolderPage));
        sheet_->PressBack();
        QCOMPARE(sheet_->currentId(), int(kSelectionPage));
        // The list was refilled from the catalogue on the way back.
        QVERIFY(sheet_->SelectionPage()->CheckList()->Items().Count() > 0);
        QVERIFY(messages.Texts().isEmpty());
        // Nothing was written.
        QVERIFY(!machine_->Exists("C:\\Stowlark"));
        QCOMPARE(HiveText(), hive);
    }

    void nothingChecked() {
        MessageRecorder messages;
        PrepareChangedMachine();
        const auto registry = machine_->RegistryTree(kHkcu, kWinampKey);
        Start();
        ChooseMode(false);
        ChooseOption(1);
        ComponentCheckList* list = sheet_->SelectionPage()->CheckList();
        for (int i = 0; i < list->Items().Count(); ++i) {
            if (CheckOf(list, i) != Qt::Unchecked) Toggle(list, i);
        }
        sheet_->next();
        QCOMPARE(messages.Texts(),
                 QStringList{"Please select at least one component to backup."});
        QCOMPARE(sheet_->currentId(), int(kSelectionPage));

        // In a restore nothing starts checked.
        messages.Clear();
        sheet_->PressBack();
        sheet_->PressBack();
        QCOMPARE(sheet_->currentId(), int(kWelcomePage));
        OpenBackupFolder(false);
        QCOMPARE(sheet_->SelectionPage()->CheckList()->Items().Count(), 1);  // WinAmp only
        sheet_->next();
        QCOMPARE(messages.Texts(),
                 QStringList{"Please select at least one component to restore."});
        QCOMPARE(sheet_->currentId(), int(kSelectionPage));
        QVERIFY(!machine_->Exists(kPreRestore));
        QCOMPARE(machine_->RegistryTree(kHkcu, kWinampKey), registry);
    }

    void restoreFolderWithoutBackupFiles() {
        MessageRecorder messages;
        Start();
        ChooseMode(true);
        TypeFolder("C:\\windows");
        sheet_->next();
        QCOMPARE(messages.Texts(), QStringList{Latin(sl::strings::kNoBackupFiles)});
        QCOMPARE(messages.Requests()[0].icon, QMessageBox::Critical);
        QCOMPARE(sheet_->currentId(), int(kFolderPage));
        QCOMPARE(State().BackupFolder, std::string("C:\\windows"));
        // The same folder is fine as a backup destination.
        messages.Clear();
        sheet_->PressBack();
        ChooseMode(false);
        ChooseOption(0);
        QCOMPARE(sheet_->FolderPage()->PathEdit()->text(), QStringLiteral("C:\\windows"));
        sheet_->next();
        QVERIFY(messages.Texts().isEmpty());
        QCOMPARE(sheet_->currentId(), int(kSummaryPage));
        QVERIFY(!machine_->Exists("C:\\windows\\Stowlark.dat"));
    }

    void restore() {
        MessageRecorder messages;
        const auto original = machine_->RegistryTree(kHkcu, kWinampKey);
        const std::string ini = machine_->ReadFile(kWinampIni);
        const std::string plugins = machine_->ReadFile(kPluginIni);
        PrepareChangedMachine();
        const auto changed = machine_->RegistryTree(kHkcu, kWinampKey);
        QVERIFY(changed != original);

        bool programsRunning = true;
        Start();
        context_->services.windowsProgramsRunning = [&](const std::string&) { return programsRunning; };
        ChooseMode(true);
        TypeFolder(kBackupFolder);
        sheet_->next();
        QCOMPARE(sheet_->currentId(), int(kRestoreChoicePage));
        // Nothing was restored from this folder yet.
        QVERIFY(!sheet_->RestoreChoicePage()->UnrestoreButton()->isEnabled());
        QCOMPARE(sheet_->RestoreChoicePage()->Description()->text(),
                 Latin(sl::strings::kRestoreDescription));
        sheet_->next();
        ComponentCheckList* list = sheet_->SelectionPage()->CheckList();
        QCOMPARE(list->Items().Count(), 1);
        const int winamp = EntryOf(list, "WinAmp");
        QCOMPARE(CheckOf(list, winamp), Qt::Unchecked);
        Toggle(list, winamp);
        sheet_->next();
        QCOMPARE(messages.Texts(), QStringList{Latin(sl::strings::kCloseAllApplications)});
        QCOMPARE(sheet_->SummaryPage()->Heading()->text(), Latin(sl::strings::kSummaryRestore));
        // Windows programs still run: the run does not start.
        sheet_->next();
        QCOMPARE(sheet_->currentId(), int(kSummaryPage));
        QVERIFY(messages.Texts().last().startsWith("Windows programs are still running"));
        // The prefix is a line of its own, never broken by the box's wrapping.
        QVERIFY(messages.Texts().last().contains(
            "\n" + QString::fromStdString(machine_->Prefix()) + "\n"));
        programsRunning = false;
        RunToFinish();
        QCOMPARE(sheet_->FinishPage()->Message()->text(),
                 Latin(sl::strings::kThanks) + Latin(sl::strings::kThanksRestore));
        QVERIFY(sheet_->FinishPage()->Report()->isHidden());

        QCOMPARE(machine_->RegistryTree(kHkcu, kWinampKey), original);
        QCOMPARE(machine_->ReadFile(kWinampIni), ini);
        QCOMPARE(machine_->ReadFile(kPluginIni), plugins);
        // The settings before the restore were saved as the undo copy.
        const std::string undo = FolderIDs(kPreRestore, false);
        QVERIFY2(Contains(undo, "'58'") && Contains(undo, "'60'"), undo.c_str());
        bool changedIniSaved = false;
        for (const std::string& name : machine_->FilesIn(kPreRestore)) {
            if (machine_->ReadFile(std::string(kPreRestore) + "\\" + name) ==
                "[Winamp]\r\nchanged=1\r\n")
                changedIniSaved = true;
        }
        QVERIFY(changedIniSaved);
        QVERIFY(Contains(FolderIDs(kBackupFolder, true), "'58'"));
    }

    void unrestore() {
        MessageRecorder messages;
        PrepareChangedMachine();
        const auto changed = machine_->RegistryTree(kHkcu, kWinampKey);
        const std::string changedPlugins = machine_->ReadFile(kPluginIni);
        // A restore made earlier: the undo copy first, then the restore.
        std::filesystem::create_directories(machine_->Unix("C:\\windows") + "/Stowlark.Bak");
        QCOMPARE(sl::wizard::testing::RunKernelInChild(machine_->Prefix(), kWinampIDs,
                                                       kPreRestore, 1),
                 1);
        QCOMPARE(sl::wizard::testing::RunKernelInChild(machine_->Prefix(), kWinampIDs,
                                                       kBackupFolder, 0),
                 1);
        QVERIFY(machine_->RegistryTree(kHkcu, kWinampKey) != changed);

        Start();
        ChooseMode(true);
        TypeFolder(kBackupFolder);
        sheet_->next();
        QVERIFY(sheet_->RestoreChoicePage()->UnrestoreButton()->isEnabled());
        sheet_->RestoreChoicePage()->UnrestoreButton()->click();
        QCOMPARE(sheet_->RestoreChoicePage()->Description()->text(),
                 Latin(sl::strings::kUnrestoreDescription));
        sheet_->next();
        QVERIFY(sheet_->SelectionPage()->Prompt()->text().startsWith(
            "Please select components to unrestore."));
        ComponentCheckList* list = sheet_->SelectionPage()->CheckList();
        Toggle(list, EntryOf(list, "WinAmp"));
        sheet_->next();
        QCOMPARE(messages.Texts(), QStringList{Latin(sl::strings::kCloseAllApplications)});
        QCOMPARE(sheet_->SummaryPage()->Heading()->text(), Latin(sl::strings::kSummaryUnrestore));
        RunToFinish();
        QCOMPARE(sheet_->FinishPage()->Message()->text(),
                 Latin(sl::strings::kThanks) + Latin(sl::strings::kThanksUnrestore));
        // The settings from before the restore are back.
        QCOMPARE(machine_->RegistryTree(kHkcu, kWinampKey), changed);
        QCOMPARE(machine_->ReadFile(kWinampIni), std::string("[Winamp]\r\nchanged=1\r\n"));
        QCOMPARE(machine_->ReadFile(kPluginIni), changedPlugins);
    }

    void cancelDuringRun() {
        MessageRecorder messages;
        const auto registry = machine_->RegistryTree(kHkcu, kWinampKey);
        Start();
        ChooseMode(false);
        ChooseOption(2);
        TypeFolder("C:\\Stopped");
        sheet_->next();
        int steps = 0;
        bool stayedOpen = false;
        bool stoppingShown = false;
        bool buttonsDisabled = false;
        connect(sheet_->RunPage(), &CMyPropertyPage5::progressHandled, this,
                [&](int code, int) {
                    if (code != 2 || ++steps != 1) return;
                    sheet_->reject();  // Cancel while the library works
                    stayedOpen = sheet_->isVisible() && sheet_->currentId() == kRunPage;
                    stoppingShown = sheet_->RunPage()->Status()->text() ==
                                    Latin(sl::strings::kStopping);
                    buttonsDisabled = !sheet_->button(QWizard::CancelButton)->isEnabled() &&
                                      !sheet_->button(QWizard::NextButton)->isEnabled() &&
                                      !sheet_->button(QWizard::BackButton)->isEnabled();
                    // A second Cancel (Escape, the close box) changes nothing.
                    sheet_->reject();
                    stayedOpen = stayedOpen && sheet_->isVisible();
                });
        RunToFinish();
        QVERIFY(stayedOpen);
        QVERIFY(stoppingShown);
        QVERIFY(buttonsDisabled);
        QVERIFY(sheet_->button(QWizard::CancelButton)->isEnabled());  // Close
        QCOMPARE(State().UserAborted, 1);
        QCOMPARE(sheet_->FinishPage()->Report()->toPlainText(), QStringLiteral("User Abort"));
        QVERIFY(sheet_->FinishPage()->Report()->isVisible());
        // The first sentence says what happened; a stopped backup does not
        // claim that the settings are safe.
        const QString closing = sheet_->FinishPage()->ReportMessage()->text();
        QVERIFY2(closing.startsWith("The backup was stopped before it finished.\n"),
                 qPrintable(closing));
        QVERIFY(!closing.contains(Latin(sl::strings::kThanksBackup)));
        // The run stopped early: the last components were never saved.
        const std::string saved = FolderIDs("C:\\Stopped", false);
        QVERIFY2(!Contains(saved, "'60'"), saved.c_str());
        QVERIFY(sheet_->RunPage()->Bar()->value() < sheet_->RunPage()->Bar()->maximum());
        QCOMPARE(machine_->RegistryTree(kHkcu, kWinampKey), registry);
    }

    void runWithFailedComponents() {
        MessageRecorder messages;
        const std::string plugins = machine_->ReadFile(kPluginIni);
        const std::string ini = machine_->ReadFile(kWinampIni);
        PrepareChangedMachine();
        const auto changed = machine_->RegistryTree(kHkcu, kWinampKey);
        // The registry archive of WinAmp's settings is lost from the folder.
        int removed = 0;
        for (const std::string& name : machine_->FilesIn(kBackupFolder)) {
            if (name.size() > 4 && name.substr(name.size() - 4) == ".bin") {
                std::filesystem::remove(machine_->Unix(std::string(kBackupFolder) + "\\" + name));
                ++removed;
            }
        }
        QVERIFY(removed > 0);
        Start();
        OpenBackupFolder(false);
        ComponentCheckList* list = sheet_->SelectionPage()->CheckList();
        Toggle(list, EntryOf(list, "WinAmp"));
        sheet_->next();
        RunToFinish();
        QVERIFY2(Contains(State().LastBadIDs, "'58'"), ("bad IDs: " + State().LastBadIDs).c_str());
        QVERIFY(!Contains(State().LastBadIDs, "'60'"));
        const std::string report = sheet_->FinishPage()->ReportText();
        QVERIFY2(report.rfind("Error(s) occured with the following components :\r\n"
                              "\t(see end of list for recommended course of action)\r\n"
                              " WinAmp\r\n    * WinAmp Settings (",
                              0) == 0,
                 report.c_str());
        QVERIFY(report.find("Try the following recommendation to fix the errors:\r\n"
                            "1. Close *all* applications") != std::string::npos);
        QVERIFY(report.find("3. Ensure you have enough space") != std::string::npos);
        QVERIFY(sheet_->FinishPage()->Report()->isVisible());
        QVERIFY(sheet_->FinishPage()->Message()->isHidden());
        QCOMPARE(sheet_->FinishPage()->ReportMessage()->text(),
                 "The restore did not complete: the components listed below failed.\n" +
                     Latin(sl::strings::kThanks) + Latin(sl::strings::kThanksRestore));
        // The registry stayed as it was; every file came back.
        QCOMPARE(machine_->RegistryTree(kHkcu, kWinampKey), changed);
        QCOMPARE(machine_->ReadFile(kWinampIni), ini);
        QCOMPARE(machine_->ReadFile(kPluginIni), plugins);
    }

    void restoreWithoutUndoCopy() {
        MessageRecorder messages;
        const std::string plugins = machine_->ReadFile(kPluginIni);
        PrepareChangedMachine();
        // A file where the pre-restore folder belongs.
        machine_->WriteFile(kPreRestore, "not a folder");
        Start();
        OpenBackupFolder(false);
        ComponentCheckList* list = sheet_->SelectionPage()->CheckList();
        Toggle(list, EntryOf(list, "WinAmp"));
        sheet_->next();
        RunToFinish();
        QVERIFY(State().UndoCopyMissing);
        QVERIFY(State().LastBadIDs.empty());
        const QString report = sheet_->FinishPage()->Report()->toPlainText();
        QVERIFY2(report.contains("no undo copy"), qPrintable(report));
        QVERIFY(report.contains("C:\\windows\\Stowlark.Bak"));
        QVERIFY(sheet_->FinishPage()->Report()->isVisible());
        // The restore ran nevertheless.
        QCOMPARE(machine_->ReadFile(kPluginIni), plugins);
        QCOMPARE(machine_->ReadFile(kPreRestore), std::string("not a folder"));
    }

    void backupIntoUnreadableFolder() {
        MessageRecorder messages;
        // Something that is not a bookkeeping file stands in its place, so
        // the run fails without a component to blame.
        machine_->WriteFile("C:\\Broken\\Stowlark.dat\\x", "not a bookkeeping file");
        Start();
        ChooseMode(false);
        ChooseOption(0);
        TypeFolder("C:\\Broken");
        sheet_->next();
        QCOMPARE(sheet_->currentId(), int(kSummaryPage));
        RunToFinish();
        QVERIFY(State().LastBadIDs.empty());
        const QString report = sheet_->FinishPage()->Report()->toPlainText();
        QVERIFY2(report.contains(sl::strings::kRunIncompleteReport), qPrintable(report));
        QVERIFY(sheet_->FinishPage()->Report()->isVisible());
        QVERIFY(sheet_->FinishPage()->ReportMessage()->text().startsWith(
            "The backup did not complete.\n"));
    }

    // The welcome page names the machine and switches to another one: a
    // folder that is no prefix is refused, a prefix is worked on from then
    // on (the catalogue shows what is installed there) and remembered.
    void choosePrefix() {
        MessageRecorder messages;
        const QString settings = QString::fromStdString(machine_->Prefix()) + "-settings";
        qputenv("XDG_CONFIG_HOME", settings.toLocal8Bit());
        std::string error;
        const std::string other = std::filesystem::canonical(
            sl::session::MakeScratchPrefix(SL_DEMO_PREFIX, "", &error)).string();
        QVERIFY2(!other.empty(), error.c_str());
        // WinAmp is not installed on the other machine.
        std::filesystem::remove(other + "/drive_c/Program Files/Winamp/winamp.ini");
        const std::string empty = other + "-empty";
        std::filesystem::create_directories(empty + "/drive_c");

        Start();
        std::vector<std::string> answers = {"", empty, other};
        std::vector<std::string> offeredCurrent;
        context_->services.findPrefixes = [&] {
            return std::vector<sl::session::FoundPrefix>{{"winetricks:other", "win32", other}};
        };
        context_->services.choosePrefix = [&](QWidget*, const auto& found, const std::string& current) {
            offeredCurrent.push_back(current + " of " + std::to_string(found.size()));
            std::string answer = answers.front();
            answers.erase(answers.begin());
            return answer;
        };
        context_->services.rememberPrefix = RememberPrefix;
        CMyPropertyPage9* welcome = sheet_->WelcomePage();
        QCOMPARE(welcome->PrefixLabel()->text(), QString::fromStdString(machine_->Prefix()));

        // Cancelled, then a folder without system.reg: nothing changes.
        welcome->ChangePrefixButton()->click();
        welcome->ChangePrefixButton()->click();
        QCOMPARE(messages.Texts(),
                 QStringList{QString::fromStdString("The Wine prefix " + empty +
                                                    " is not a Wine prefix: it holds no system.reg.")});
        QCOMPARE(context_->services.prefixPath, machine_->Prefix());
        QCOMPARE(qgetenv("WINEPREFIX").toStdString(), machine_->Prefix());
        QCOMPARE(RememberedPrefix(), std::string());

        welcome->ChangePrefixButton()->click();
        QCOMPARE(offeredCurrent.size(), size_t(3));
        QCOMPARE(offeredCurrent[2], machine_->Prefix() + " of 1");
        QCOMPARE(context_->services.prefixPath, other);
        QCOMPARE(welcome->PrefixLabel()->text(),
                 QString::fromStdString("winetricks:other (win32)\n" + other));
        QCOMPARE(RememberedPrefix(), other);
        QVERIFY(QFileInfo::exists(settings + "/Quendara/Stowlark.conf"));

        // The library works on the chosen machine: no WinAmp to back up.
        ChooseMode(false);
        ChooseOption(1);
        QCOMPARE(sheet_->currentId(), int(kSelectionPage));
        QCOMPARE(EntryOf(sheet_->SelectionPage()->CheckList(), "WinAmp"), -1);
        QVERIFY(EntryOf(sheet_->SelectionPage()->CheckList(), "Windows File Explorer Settings") >= 0);

        // The next start takes the remembered prefix when WINEPREFIX is unset.
        qunsetenv("WINEPREFIX");
        QCOMPARE(sl::session::ChoosePrefix({}, "", RememberedPrefix()).path, other);
        std::filesystem::remove_all(other);
        std::filesystem::remove_all(empty);
        std::filesystem::remove_all(settings.toStdString());
    }

    // A WINEPREFIX that is no prefix: the welcome page says so and Next
    // waits until another prefix is chosen.
    void noPrefixAtStart() {
        MessageRecorder messages;
        const std::string problem = "The Wine prefix /nowhere named by WINEPREFIX does not exist.";
        context_ = sl::wizard::testing::MakeContext("");
        context_->services.prefixProblem = problem;
        context_->services.findPrefixes = [] { return std::vector<sl::session::FoundPrefix>{}; };
        context_->services.choosePrefix = [&](QWidget*, const auto&, const std::string& current) {
            return current.empty() ? machine_->Prefix() : std::string();
        };
        sheet_ = std::make_unique<CMyPropertySheet>(*context_);
        sheet_->show();
        QCOMPARE(sheet_->WelcomePage()->PrefixLabel()->text(),
                 Latin(sl::strings::kPrefixNone) + "\n" + QString::fromStdString(problem));
        sheet_->next();
        QCOMPARE(messages.Texts(), QStringList{Latin(sl::strings::kChoosePrefixFirst)});
        QCOMPARE(sheet_->currentId(), int(kWelcomePage));
        QVERIFY(!State().Catalogue);
        sheet_->WelcomePage()->ChangePrefixButton()->click();
        QCOMPARE(sheet_->WelcomePage()->PrefixLabel()->text(),
                 QString::fromStdString(machine_->Prefix()));
        ChooseMode(false);
        QCOMPARE(sheet_->currentId(), int(kBackupOptionPage));
        QCOMPARE(messages.Texts().size(), 1);
    }

    // The chooser: the current prefix selected, OK only with a row, and
    // "Other folder..." for any folder.
    void prefixDialog() {
        const std::vector<sl::session::FoundPrefix> found = {
            {"wine:default", "win64", "/home/me/.wine"},
            {"steam:220", "win32", "/games/steamapps/compatdata/220/pfx"}};
        {
            CPrefixDialog dialog(found, "/games/steamapps/compatdata/220/pfx", {});
            QCOMPARE(dialog.List()->topLevelItemCount(), 2);
            QVERIFY(dialog.List()->currentItem() != nullptr);
            QCOMPARE(dialog.List()->currentItem()->text(0), QStringLiteral("steam:220"));
            QCOMPARE(dialog.List()->currentItem()->text(1), QStringLiteral("win32"));
            QVERIFY(dialog.OkButton()->isEnabled());
            QVERIFY(dialog.OtherFolderButton()->isHidden());
            dialog.List()->setCurrentItem(dialog.List()->topLevelItem(0));
            dialog.OkButton()->click();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(dialog.ChosenFolder(), std::string("/home/me/.wine"));
        }
        {
            QString askedStart;
            CPrefixDialog dialog(found, "/elsewhere", [&](QWidget*, const QString&, const QString& start) {
                askedStart = start;
                return QStringLiteral("/chosen/folder");
            });
            QVERIFY(dialog.List()->currentItem() == nullptr);
            QVERIFY(!dialog.OkButton()->isEnabled());
            dialog.accept();  // Enter with nothing selected chooses nothing
            QCOMPARE(dialog.ChosenFolder(), std::string());
            dialog.OtherFolderButton()->click();
            QCOMPARE(askedStart, QStringLiteral("/elsewhere"));
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(dialog.ChosenFolder(), std::string("/chosen/folder"));
        }
        {
            CPrefixDialog dialog({}, "", [](QWidget*, const QString&, const QString&) { return QString(); });
            QVERIFY(dialog.List()->isHidden());
            dialog.OtherFolderButton()->click();  // the folder dialog cancelled
            QCOMPARE(dialog.ChosenFolder(), std::string());
            QVERIFY(dialog.result() != int(QDialog::Accepted));
        }
    }

    void aboutBox() {
        MessageRecorder messages;
        Start();
        sheet_->WelcomePage()->AboutButton()->click();
        QCOMPARE(messages.Requests().size(), size_t(1));
        QCOMPARE(messages.Requests()[0].caption, QStringLiteral("About Quendara Stowlark"));
        QVERIFY(messages.Requests()[0].text.contains("Version " + ProgramVersion()));
        // Closing at the first page ends the wizard and frees nothing yet built.
        sheet_->reject();
        QVERIFY(!sheet_->isVisible());
        QVERIFY(!State().Catalogue);
    }
};

SL_WIZARD_TEST_CLASS(WizardPathsTest);

#include "wizard_paths_test.moc"
