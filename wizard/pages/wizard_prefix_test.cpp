// Drives the real wizard offscreen through the choice of the Wine prefix and
// the about box.
#include "wizard/pages/testing/paths_fixture.h"

using namespace sl::wizard;
using namespace sl::wizard::testing;

class WizardPrefixTest : public WizardPathsFixture {
    Q_OBJECT

private slots:
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

SL_WIZARD_TEST_CLASS(WizardPrefixTest);

#include "wizard_prefix_test.moc"
