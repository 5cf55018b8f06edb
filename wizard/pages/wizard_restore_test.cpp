// Drives the real wizard offscreen through the restore and unrestore paths,
// on a scratch copy of the demo machine backed up by another process, and
// checks what the run left in the machine's files and registry.
#include <QTimer>

#include "wizard/pages/testing/paths_fixture.h"

using namespace sl::wizard;
using namespace sl::wizard::testing;

class WizardRestoreTest : public WizardPathsFixture {
    Q_OBJECT

    // Restores WinAmp alone from the backup folder, through to the last page.
    void RestoreWinAmpToTheEnd() {
        Start();
        OpenBackupFolder(false);
        ComponentCheckList* list = sheet_->SelectionPage()->CheckList();
        Toggle(list, EntryOf(list, "WinAmp"));
        sheet_->next();
        RunToFinish();
    }

private slots:
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

    // The window goes away (the program ends) while the library works: the
    // run is asked to stop, and the page waits for its worker without
    // blocking it, even when the worker waits for the page to handle a
    // progress message.
    void closeDuringRun() {
        MessageRecorder messages;
        Start();
        ChooseMode(false);
        ChooseOption(2);
        TypeFolder("C:\\Closed");
        sheet_->next();
        QCOMPARE(sheet_->currentId(), int(kSummaryPage));
        bool closing = false;
        connect(sheet_->RunPage(), &CMyPropertyPage5::progressHandled, this,
                [&](int code, int) {
                    if (code != 2 || closing) return;
                    closing = true;
                    QTimer::singleShot(0, this, [this] { sheet_.reset(); });
                });
        sheet_->next();
        QCOMPARE(sheet_->currentId(), int(kRunPage));
        QTRY_VERIFY_WITH_TIMEOUT(!sheet_, 120000);
        QVERIFY(closing);
        // The run stopped early: the last components were never saved.
        const std::string saved = FolderIDs("C:\\Closed", false);
        QVERIFY2(!Contains(saved, "'60'"), saved.c_str());
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
        RestoreWinAmpToTheEnd();
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
        RestoreWinAmpToTheEnd();
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

};

SL_WIZARD_TEST_CLASS(WizardRestoreTest);

#include "wizard_restore_test.moc"
