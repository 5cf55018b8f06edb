// The wizard's window and its life: the finish page of a failed run with its
// log, the window on a small or scaled screen, a dark palette, and how the
// program starts and ends. Driven on the real sheet and the real kernel
// library, each test function in a process of its own.
#include "wizard/pages/testing/usability_fixture.h"

using namespace sl::wizard;
using namespace sl::wizard::testing;

class WizardWindowTest : public WizardUsabilityFixture {
    Q_OBJECT

private slots:
    void failedRunNamesItsLog() {
        MessageRecorder messages;
        // The bookkeeping file names a registry archive that is not there.
        std::filesystem::create_directories(machine_->Unix(kBackupFolder));
        QCOMPARE(sl::wizard::testing::RunKernelInChild(machine_->Prefix(), kWinampIDs,
                                                       kBackupFolder, 1),
                 1);
        for (const std::string& name : machine_->FilesIn(kBackupFolder)) {
            if (name.size() > 4 && name.substr(name.size() - 4) == ".bin") {
                std::filesystem::remove(machine_->Unix(std::string(kBackupFolder) + "\\" + name));
            }
        }
        Start();
        QStringList opened;
        context_->services.openFile = [&](const QString& path) {
            opened << path;
            return true;
        };
        sheet_->WelcomePage()->RestoreButton()->click();
        Next(kFolderPage);
        sheet_->FolderPage()->PathEdit()->setText(Latin(kBackupFolder));
        Next(kRestoreChoicePage);
        Next(kSelectionPage);
        ComponentCheckList* list = sheet_->SelectionPage()->CheckList();
        Toggle(list, EntryOf(list, "WinAmp"));
        Next(kSummaryPage);
        sheet_->next();
        WaitForFinish();

        CMyPropertyPage6* finish = sheet_->FinishPage();
        QVERIFY(finish->ReportMessage()->text().startsWith(
            "The restore did not complete: the components listed below failed.\n"));
        // The log's full path is shown, the log is there and holds the
        // error, and the button opens that file.
        const QString log = QString::fromStdString(context_->services.logPath);
        QVERIFY(log.startsWith('/'));
        QVERIFY(finish->LogLine()->isVisible());
        QCOMPARE(finish->LogLine()->text(), QString::asprintf(sl::strings::kLogIsAt, qPrintable(log)));
        QFile file(log);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(log));
        QVERIFY(file.readAll().contains("RegSLRestore"));
        QVERIFY(finish->OpenLogButton()->isVisible());
        finish->OpenLogButton()->click();
        QCOMPARE(opened, QStringList{log});
        QVERIFY(sheet_->isVisible());  // opening the log does not close the wizard
        // Enter on the keypad, in the report, closes the wizard.
        finish->Report()->setFocus();
        QTest::keyClick(finish->Report(), Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(!sheet_->isVisible());
    }

    void windowFitsTheScreen() {
        MessageRecorder messages;
        Start();
        CheckFitsScreen("welcome page");
        // On a screen scaled by 2 the pictures are drawn for it.
        const QPixmap picture = sheet_->WelcomePage()->pixmap(QWizard::WatermarkPixmap);
        QCOMPARE(picture.devicePixelRatio() >= 1.5, qApp->devicePixelRatio() >= 1.5);
        // The window icon is sharp at twice its size, or any size with SVG.
        const int large = QImageReader::supportedImageFormats().contains("svg") ? 256 : 128;
        QCOMPARE(sheet_->windowIcon().pixmap(QSize(large, large), 1.0).width(), large);

        CustomBackupOf("WinAmp");
        CheckFitsScreen("selection page");
        Next(kFolderPage);
        sheet_->FolderPage()->PathEdit()->setText(Latin(kBackupFolder));
        Next(kSummaryPage);
        CheckFitsScreen("summary page");
        sheet_->next();
        WaitForFinish();
        CheckFitsScreen("finish page");
    }

    void checkBoxesVisibleOnADarkPalette() {
        MessageRecorder messages;
        Start();
        sheet_->setPalette(DarkPalette());
        // The radio button that is not chosen stands out from the window.
        QRadioButton* restore = sheet_->WelcomePage()->RestoreButton();
        QVERIFY(!restore->isChecked());
        QCOMPARE(LargestContrast(restore->grab().toImage(),
                                 DarkPalette().color(QPalette::Window).lightness()) >= 100,
                 true);
        sheet_->WelcomePage()->BackupButton()->click();
        Next(kBackupOptionPage);
        sheet_->BackupOptionPage()->OptionButton(1)->click();
        Next(kSelectionPage);
        ComponentCheckList* list = sheet_->SelectionPage()->CheckList();
        list->setPalette(DarkPalette());
        // An unchecked entry: its box must stand out from the dark base.
        const int unchecked = 0;
        while (list->model()->index(unchecked, 0).data(Qt::CheckStateRole).value<Qt::CheckState>() !=
               Qt::Unchecked) {
            Toggle(list, unchecked);
        }
        list->clearSelection();
        list->setCurrentIndex(QModelIndex());
        const QRect row = list->visualRect(list->model()->index(unchecked, 0));
        const QImage image = list->viewport()->grab(row).toImage();
        const int contrast =
            LargestContrast(image, DarkPalette().color(QPalette::Base).lightness());
        QVERIFY2(contrast >= 100, qPrintable(QString("box contrast %1").arg(contrast)));
    }

    void scratchMachineRemovedAtExit() {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("WINEPREFIX"));
        env.insert(QStringLiteral("HOME"), temp.path());  // no ~/.wine there
        env.insert(QStringLiteral("TMPDIR"), temp.path());
        env.insert(QStringLiteral("XDG_STATE_HOME"), temp.path() + "/state");
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(SL_KERNEL_BIN_DIR "/Stowlark"), {});
        QVERIFY(program.waitForStarted());
        // The note about the scratch machine comes once it is made.
        QByteArray errors;
        QTRY_VERIFY_WITH_TIMEOUT(
            (errors += program.readAllStandardError()).contains("scratch copy") ||
                program.state() != QProcess::Running,
            60000);
        QVERIFY2(program.state() == QProcess::Running, errors.constData());
        const QStringList made =
            QDir(temp.path()).entryList({QStringLiteral("stowlark-demo-*")}, QDir::Dirs);
        QCOMPARE(made.size(), 1);
        ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QVERIFY(!QDir(temp.path()).exists(made.first()));
    }

    void unusableDisplayEndsWithStatus2() {
        QTemporaryDir temp;
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":917"));  // no server there
        env.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("x11"));
        env.insert(QStringLiteral("WINEPREFIX"), QString::fromStdString(machine_->Prefix()));
        env.insert(QStringLiteral("TMPDIR"), temp.path());
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(SL_KERNEL_BIN_DIR "/Stowlark"), {});
        QVERIFY(program.waitForFinished(60000));
        const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);  // no abort
        QCOMPARE(program.exitCode(), 2);
        QVERIFY2(errors.contains("Stowlark cannot open its window: the display DISPLAY=:917"),
                 qPrintable(errors));
        QVERIFY(errors.contains("stowlark-cli --help"));
        // Nothing was left behind.
        QVERIFY(QDir(temp.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    }
};

SL_WIZARD_TEST_CLASS(WizardWindowTest);

#include "wizard_window_test.moc"
