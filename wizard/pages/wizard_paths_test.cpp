// Drives the real wizard offscreen through the backup paths, on a scratch
// copy of the demo machine, and checks what the run left in the machine's
// files and registry.
#include "wizard/pages/testing/paths_fixture.h"

using namespace sl::wizard;
using namespace sl::wizard::testing;

class WizardPathsTest : public WizardPathsFixture {
    Q_OBJECT

private slots:
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
};

SL_WIZARD_TEST_CLASS(WizardPathsTest);

#include "wizard_paths_test.moc"
