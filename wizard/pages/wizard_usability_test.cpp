// What a person meets in the wizard beyond the paths through it: the status
// line of a long run, the keys, choices kept after Back, the finish page of a
// failed run with its log, the window on a small or scaled screen, a dark
// palette, and how the program starts and ends. Driven on the real sheet and
// the real kernel library, each test function in a process of its own.
#include <signal.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>

#include "wizard/pages/backup_option_page.h"
#include "wizard/pages/check_list.h"
#include "wizard/pages/details_sheet.h"
#include "wizard/pages/finish_page.h"
#include "wizard/pages/folder_page.h"
#include "wizard/pages/mnemonic.h"
#include "wizard/pages/palette.h"
#include "wizard/pages/pictures.h"
#include "wizard/pages/property_sheet.h"
#include "wizard/pages/restore_choice_page.h"
#include "wizard/pages/run_page.h"
#include "wizard/pages/selection_page.h"
#include "wizard/pages/testing/test_main.h"
#include "wizard/pages/testing/wizard_fixture.h"
#include "wizard/pages/welcome_page.h"
#include "wizard/resources/strings.h"

using namespace sl::wizard;
using sl::wizard::testing::MessageRecorder;
using sl::wizard::testing::ScratchMachine;

namespace {

const char* const kBackupFolder = "C:\\Backup";
const char* const kSkins = "C:\\Program Files\\Winamp\\Skins\\Many";
const char* const kWinampIDs = "'57','58','59','60'";

QString Latin(const char* text) { return QString::fromLatin1(text); }

int EntryOf(ComponentCheckList* list, const char* title) {
    CheckListItemModel& items = list->Items();
    for (int i = 0; i < items.Count(); ++i) {
        if (items.Entry(i)->Text == std::string(" ") + title) return i;
    }
    return -1;
}

void Toggle(ComponentCheckList* list, int index) {
    list->setCurrentIndex(list->model()->index(index, 0));
    QTest::keyClick(list, Qt::Key_Space);
}

// The visible buttons and radio buttons of a window.
QList<QAbstractButton*> VisibleButtons(QWidget* window) {
    QList<QAbstractButton*> shown;
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (button->isVisible() && !button->text().isEmpty()) shown << button;
    }
    return shown;
}

// The mnemonic letter of a text ("&Next >" gives 'n'); 0 when none.
QChar MnemonicOf(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('&')) continue;
        if (text[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return text[i + 1].toLower();
    }
    return QChar();
}

// The largest difference in lightness from background among the pixels of
// the square at the start of a control (where its indicator is drawn, before
// the text).
int LargestContrast(const QImage& image, int background) {
    int contrast = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < std::min(image.width(), image.height()); ++x) {
            contrast = std::max(contrast, std::abs(image.pixelColor(x, y).lightness() - background));
        }
    }
    return contrast;
}

}  // namespace

class WizardUsabilityTest : public QObject {
    Q_OBJECT

private:
    ScratchMachine* machine_ = nullptr;
    std::unique_ptr<WizardContext> context_;
    std::unique_ptr<CMyPropertySheet> sheet_;

    WizardState& State() { return context_->state; }

    void Start() {
        context_ = sl::wizard::testing::MakeContext(machine_->Prefix());
        sheet_ = std::make_unique<CMyPropertySheet>(*context_);
        sheet_->show();
        QVERIFY(QTest::qWaitForWindowExposed(sheet_.get()));
    }
    void Next(int expectedPage) {
        sheet_->next();
        QCOMPARE(sheet_->currentId(), expectedPage);
    }
    // Welcome, Backup, Custom, every entry unchecked except title.
    void CustomBackupOf(const char* title) {
        sheet_->WelcomePage()->BackupButton()->click();
        Next(kBackupOptionPage);
        sheet_->BackupOptionPage()->OptionButton(1)->click();
        Next(kSelectionPage);
        ComponentCheckList* list = sheet_->SelectionPage()->CheckList();
        for (int i = 0; i < list->Items().Count(); ++i) {
            const auto state = list->model()->index(i, 0).data(Qt::CheckStateRole);
            if (state.value<Qt::CheckState>() != Qt::Unchecked) Toggle(list, i);
        }
        const int entry = EntryOf(list, title);
        QVERIFY(entry >= 0);
        Toggle(list, entry);
    }
    void WaitForFinish() {
        QTRY_COMPARE_WITH_TIMEOUT(sheet_->currentId(), int(kFinishPage), 180000);
    }
    // Every visible button and radio of the window has a mnemonic, and no
    // two of the enabled ones share a letter.
    void CheckMnemonics(QWidget* window, const char* where) {
        QSet<QChar> letters;
        for (QAbstractButton* button : VisibleButtons(window)) {
            const QChar letter = MnemonicOf(button->text());
            QVERIFY2(!letter.isNull(), qPrintable(QString("%1: \"%2\" has no mnemonic")
                                                      .arg(where, button->text())));
            if (!button->isEnabled()) continue;
            QVERIFY2(!letters.contains(letter),
                     qPrintable(QString("%1: \"%2\" repeats Alt+%3")
                                    .arg(where, button->text(), QString(letter))));
            letters.insert(letter);
        }
    }
    // The whole window and every visible button lie on the screen.
    void CheckFitsScreen(const char* where) {
        QApplication::processEvents();
        const QRect screen = sheet_->screen()->availableGeometry();
        QVERIFY2(screen.contains(sheet_->frameGeometry()),
                 qPrintable(QString("%1: window %2x%3+%4+%5 on a screen of %6x%7")
                                .arg(where)
                                .arg(sheet_->frameGeometry().width())
                                .arg(sheet_->frameGeometry().height())
                                .arg(sheet_->frameGeometry().x())
                                .arg(sheet_->frameGeometry().y())
                                .arg(screen.width())
                                .arg(screen.height())));
        for (QAbstractButton* button : VisibleButtons(sheet_.get())) {
            const QRect global(button->mapToGlobal(QPoint(0, 0)), button->size());
            QVERIFY2(screen.contains(global),
                     qPrintable(QString("%1: \"%2\" is off the screen").arg(where, button->text())));
        }
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

SL_WIZARD_TEST_CLASS(WizardUsabilityTest);

#include "wizard_usability_test.moc"
