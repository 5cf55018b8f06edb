// What a person meets in the wizard beyond the paths through it: the status
// line of a long run, the keys, choices kept after Back, the folder browser.
// Driven on the real sheet and the real kernel library, each test function
// in a process of its own.
#include "wizard/pages/testing/usability_fixture.h"

using namespace sl::wizard;
using namespace sl::wizard::testing;

class WizardUsabilityTest : public WizardUsabilityFixture {
    Q_OBJECT

private slots:
    void statusLineFollowsALargeComponent() {
        MessageRecorder messages;
        constexpr int kFiles = 3000;
        for (int i = 0; i < kFiles; ++i) {
            machine_->WriteFile(std::string(kSkins) + "\\skin" + std::to_string(i) + ".bmp", "x");
        }
        Start();
        CustomBackupOf("WinAmp");
        Next(kFolderPage);
        sheet_->FolderPage()->PathEdit()->setText(Latin(kBackupFolder));
        Next(kSummaryPage);
        QStringList shown;
        connect(sheet_->RunPage(), &CMyPropertyPage5::itemShown, this,
                [&](const QString& text) { shown << text; });
        sheet_->next();
        WaitForFinish();
        QVERIFY(sheet_->FinishPage()->Report()->isHidden());

        // The line moved on during the run: it named items one after
        // another, the skins' files under their component's title, with a
        // count that only grows. (How many skin files it caught depends on
        // how fast this machine copies: at least one.)
        int skinLines = 0;
        long lastCount = -1;
        for (const QString& text : shown) {
            const QRegularExpressionMatch match =
                QRegularExpression(QStringLiteral("^(.*): (.*) \\(([0-9,.]+) files? copied\\)$"))
                    .match(text);
            QVERIFY2(match.hasMatch(), qPrintable(text));
            QVERIFY2(!match.captured(1).isEmpty(), qPrintable(text));
            const long count = match.captured(3).remove(',').remove('.').toLong();
            QVERIFY2(count >= lastCount, qPrintable(text));
            lastCount = count;
            if (match.captured(2).contains(QStringLiteral("\\Many\\skin"), Qt::CaseInsensitive)) {
                QVERIFY2(match.captured(1).contains(QStringLiteral("Skins")), qPrintable(text));
                ++skinLines;
            }
        }
        QVERIFY2(skinLines >= 1, qPrintable(shown.join('\n')));
        QVERIFY2(shown.size() >= 2, qPrintable(shown.join('\n')));
        QVERIFY2(lastCount >= kFiles, qPrintable(shown.last()));
        // What stays on the page names the last item of the run.
        QCOMPARE(sheet_->RunPage()->ItemText(), shown.last());
        QCOMPARE(sheet_->RunPage()->ItemLine()->toolTip(), shown.last());
    }

    void returnClosesTheFinishPage() {
        MessageRecorder messages;
        Start();
        CustomBackupOf("WinAmp");
        Next(kFolderPage);
        sheet_->FolderPage()->PathEdit()->setText(Latin(kBackupFolder));
        Next(kSummaryPage);
        sheet_->next();
        WaitForFinish();
        QVERIFY(sheet_->FinishPage()->LogLine()->isHidden());  // nothing went wrong
        CheckMnemonics(sheet_.get(), "finish page");
        // Return closes the wizard, also with the focus in the report.
        QWidget* focus = sheet_->focusWidget();
        QVERIFY(focus != nullptr);
        QTest::keyClick(focus, Qt::Key_Return);
        QVERIFY(!sheet_->isVisible());
    }

    void choicesKeptAfterBack() {
        MessageRecorder messages;
        // Something restored from C:\Backup, so that Unrestore can be chosen.
        std::filesystem::create_directories(machine_->Unix(kBackupFolder));
        QCOMPARE(sl::wizard::testing::RunKernelInChild(machine_->Prefix(), kWinampIDs,
                                                       kBackupFolder, 1),
                 1);
        QCOMPARE(sl::wizard::testing::RunKernelInChild(machine_->Prefix(), kWinampIDs,
                                                       kBackupFolder, 0),
                 1);
        Start();
        sheet_->WelcomePage()->BackupButton()->click();
        Next(kBackupOptionPage);
        sheet_->BackupOptionPage()->OptionButton(1)->click();
        Next(kSelectionPage);
        sheet_->PressBack();
        QCOMPARE(sheet_->currentId(), int(kBackupOptionPage));
        QVERIFY(sheet_->BackupOptionPage()->OptionButton(1)->isChecked());
        QVERIFY(!sheet_->BackupOptionPage()->OptionButton(0)->isChecked());
        QCOMPARE(sheet_->BackupOptionPage()->Description()->text(),
                 Latin(sl::strings::kCustomDescription));
        // All, then Back from the folder page.
        sheet_->BackupOptionPage()->OptionButton(2)->click();
        Next(kFolderPage);
        sheet_->PressBack();
        QVERIFY(sheet_->BackupOptionPage()->OptionButton(2)->isChecked());
        QCOMPARE(sheet_->BackupOptionPage()->Description()->text(),
                 Latin(sl::strings::kAllDescription));

        // The restore path: welcome keeps Restore, the choice page Unrestore.
        sheet_->PressBack();
        QCOMPARE(sheet_->currentId(), int(kWelcomePage));
        sheet_->WelcomePage()->RestoreButton()->click();
        Next(kFolderPage);
        sheet_->FolderPage()->PathEdit()->setText(Latin(kBackupFolder));
        Next(kRestoreChoicePage);
        CMyPropertyPage7* choice = sheet_->RestoreChoicePage();
        QVERIFY(choice->UnrestoreButton()->isEnabled());
        choice->UnrestoreButton()->click();
        Next(kSelectionPage);
        sheet_->PressBack();
        QCOMPARE(sheet_->currentId(), int(kRestoreChoicePage));
        QVERIFY(choice->UnrestoreButton()->isChecked());
        QCOMPARE(choice->Description()->text(), Latin(sl::strings::kUnrestoreDescription));
        sheet_->PressBack();
        sheet_->PressBack();
        QCOMPARE(sheet_->currentId(), int(kWelcomePage));
        QVERIFY(sheet_->WelcomePage()->RestoreButton()->isChecked());
    }

    void keyboardThroughDetailsSheets() {
        MessageRecorder messages;
        Start();
        CheckMnemonics(sheet_.get(), "welcome page");
        sheet_->WelcomePage()->BackupButton()->click();
        Next(kBackupOptionPage);
        CheckMnemonics(sheet_.get(), "backup option page");
        sheet_->BackupOptionPage()->OptionButton(1)->click();
        Next(kSelectionPage);
        CMyPropertyPage2* selection = sheet_->SelectionPage();
        QVERIFY(!selection->CheckList()->accessibleName().isEmpty());
        ComponentCheckList* list = selection->CheckList();
        const int office = EntryOf(list, "Microsoft Office Settings");
        QVERIFY(office >= 0);
        list->setCurrentIndex(list->model()->index(office, 0));
        CheckMnemonics(sheet_.get(), "selection page");

        // Office, Details, Word, Details, OK: the focus is on the Office
        // sheet's OK again, and Return closes that sheet.
        bool innerClosed = false, outerFocusOnOk = false, detailsOnScreen = false;
        connect(selection, &CMyPropertyPage2::detailsSheetOpened, this, [&](QWidget* widget) {
            auto* details = static_cast<CMyPropertySheet2*>(widget);
            CheckMnemonics(details, "Details sheet");
            detailsOnScreen =
                details->screen()->availableGeometry().contains(details->frameGeometry());
            QVERIFY(!details->Page()->CheckList()->accessibleName().isEmpty());
            ComponentCheckList* officeList = details->Page()->CheckList();
            const int word = EntryOf(officeList, "Microsoft Word Settings");
            officeList->setCurrentIndex(officeList->model()->index(word, 0));
            connect(details->Page(), &CMyPropertyPage2::detailsSheetOpened, this,
                    [&](QWidget* inner) {
                        innerClosed = true;
                        static_cast<CMyPropertySheet2*>(inner)->OkButton()->click();
                    });
            details->Page()->DetailsButton()->click();
            outerFocusOnOk = details->focusWidget() == details->OkButton();
            QTest::keyClick(details->focusWidget(), Qt::Key_Return);
            if (details->isVisible()) details->reject();  // do not hang the test
        });
        selection->DetailsButton()->click();
        QVERIFY(innerClosed);
        QVERIFY(outerFocusOnOk);
        QVERIFY(detailsOnScreen);
        // Back in the wizard, Return goes on to the folder page.
        QWidget* focus = sheet_->focusWidget();
        QVERIFY(focus != nullptr && focus != selection->DetailsButton());
        QTest::keyClick(focus, Qt::Key_Return);
        QCOMPARE(sheet_->currentId(), int(kFolderPage));
        CheckMnemonics(sheet_.get(), "folder page");
    }

    void browseStartsAtTheNearestExistingFolder() {
        Start();
        QStringList starts;
        context_->services.chooseFolder = [&](QWidget*, const QString&, const QString& start) {
            starts << start;
            return QString();
        };
        sheet_->WelcomePage()->BackupButton()->click();
        Next(kBackupOptionPage);
        Next(kFolderPage);
        const QString driveC =
            QFileInfo(QString::fromStdString(machine_->Prefix() + "/drive_c")).absoluteFilePath();
        for (const char* typed : {"C:\\Program Files\\Winamp\\No\\Such\\Folder",
                                  "C:\\Program Files\\Winamp\\No\\", "C:\\Nothing\\Here",
                                  "C:\\Stowlark\\Settings"}) {
            sheet_->FolderPage()->PathEdit()->setText(Latin(typed));
            sheet_->FolderPage()->BrowseButton()->click();
            // A cancelled dialog leaves what was typed.
            QCOMPARE(sheet_->FolderPage()->PathEdit()->text(), Latin(typed));
        }
        QCOMPARE(starts, (QStringList{driveC + "/Program Files/Winamp",
                                      driveC + "/Program Files/Winamp", driveC, driveC}));
    }

};

SL_WIZARD_TEST_CLASS(WizardUsabilityTest);

#include "wizard_usability_test.moc"
