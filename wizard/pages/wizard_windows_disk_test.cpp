// Drives the real wizard offscreen with a Windows disk as the machine to
// back up from: the disks are Windows installations the test support
// builds (XP), the backup folder lies on the Linux side (Z:).
#include <sys/stat.h>

#include <QListWidget>
#include <map>

#include "kernel/testing/offline/windows_layouts.h"
#include "kernel/platform/machine_choice.h"
#include "wizard/pages/profile_dialog.h"
#include "wizard/pages/testing/paths_fixture.h"

using namespace sl::wizard;
using namespace sl::wizard::testing;

namespace {

namespace fs = std::filesystem;

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Variable(const char* name) { return qgetenv(name).toStdString(); }

}  // namespace

class WizardWindowsDiskTest : public WizardPathsFixture {
    Q_OBJECT

private slots:
    // An XP disk with one profile: WinAmp, which the Wine prefix lacks, is
    // offered and backed up into a folder on Z:; the disk is left as it was.
    void backupFromAWindowsDisk() {
        MessageRecorder messages;
        sl::testing::offline::TempFolder temp;
        const std::string disk = temp.path() + "/oldpc";
        const std::string folder = temp.path() + "/backup";
        fs::create_directories(disk);
        fs::create_directories(folder);
        std::string error;
        QVERIFY2(sl::testing::offline::BuildWindowsXp(disk, {"bob"}, &error), error.c_str());
        const auto before = sl::testing::offline::DiskStamp(disk);
        // WinAmp is not installed in the prefix: only the disk can offer it.
        fs::remove(machine_->Unix(kWinampIni));
        qputenv("HOME", QByteArray::fromStdString(temp.path()));

        Start();
        std::vector<QString> titles;
        std::vector<std::string> answers = {disk, folder};
        context_->services.chooseFolder = [&](QWidget*, const QString& title, const QString&) {
            titles.push_back(title);
            const std::string answer = answers.front();
            answers.erase(answers.begin());
            return QString::fromStdString(answer);
        };
        int profileQuestions = 0;
        context_->services.chooseProfile = [&](QWidget*, const QString&, const auto&, int) {
            ++profileQuestions;
            return -1;
        };
        CMyPropertyPage9* welcome = sheet_->WelcomePage();
        QVERIFY(welcome->DiskNote()->isHidden());
        welcome->WindowsDiskButton()->click();
        QCOMPARE(titles.front(), Latin(sl::strings::kDiskFolderTitle));
        QCOMPARE(profileQuestions, 0);  // one profile: nothing to ask
        QVERIFY2(messages.Texts().isEmpty(), qPrintable(messages.Texts().join('\n')));
        const std::string root = fs::canonical(disk).string();
        QCOMPARE(welcome->PrefixLabel()->text(),
                 QString::fromStdString("Windows disk " + root + "\nUser profile: bob"));
        QCOMPARE(Variable(sl::platform::kWindowsDiskVariable), root);
        QCOMPARE(Variable(sl::platform::kWindowsUserVariable), std::string("bob"));
        // Only a backup can be made from the disk, and the page says why.
        QVERIFY(!welcome->RestoreButton()->isEnabled());
        QVERIFY(welcome->BackupButton()->isChecked());
        QVERIFY(!welcome->DiskNote()->isHidden());
        QCOMPARE(welcome->DiskNote()->text(), Latin(sl::strings::kDiskRestoreNote));
        // C: is the disk now: the default folder moved to the home on Z:.
        const std::string homeDos = "Z:" + QString::fromStdString(temp.path() + "/Stowlark/Settings")
                                               .replace('/', '\\').toStdString();
        QCOMPARE(State().BackupFolder, homeDos);

        ChooseMode(false);
        ChooseOption(1);
        QCOMPARE(sheet_->currentId(), int(kSelectionPage));
        ComponentCheckList* list = sheet_->SelectionPage()->CheckList();
        const int winamp = EntryOf(list, "WinAmp");
        QVERIFY2(winamp >= 0, "the disk's WinAmp is not offered");
        for (int i = 0; i < list->Items().Count(); ++i) {
            if (CheckOf(list, i) != Qt::Unchecked) Toggle(list, i);
        }
        Toggle(list, winamp);
        QCOMPARE(CheckOf(list, winamp), Qt::Checked);
        sheet_->next();

        // A folder on the disk is refused before anything is made.
        QCOMPARE(sheet_->currentId(), int(kFolderPage));
        QCOMPARE(sheet_->FolderPage()->PathEdit()->text(), QString::fromStdString(homeDos));
        for (const std::string& onDisk :
             {std::string("C:\\Backup"), "Z:" + QString::fromStdString(root + "/Backup")
                                                    .replace('/', '\\').toStdString()}) {
            TypeFolder(onDisk.c_str());
            messages.Clear();
            sheet_->next();
            QCOMPARE(sheet_->currentId(), int(kFolderPage));
            QCOMPARE(messages.Texts(), QStringList{QString::asprintf(sl::strings::kFolderOnTheDisk,
                                                                     onDisk.c_str())});
        }
        QCOMPARE(sl::testing::offline::DiskStamp(disk), before);

        // The browser gives the Z: form of the chosen Linux folder.
        sheet_->FolderPage()->BrowseButton()->click();
        const std::string folderDos =
            "Z:" + QString::fromStdString(folder).replace('/', '\\').toStdString();
        QCOMPARE(sheet_->FolderPage()->PathEdit()->text(), QString::fromStdString(folderDos));
        messages.Clear();
        sheet_->next();
        QVERIFY2(messages.Texts().isEmpty(), qPrintable(messages.Texts().join('\n')));
        RunToFinish();
        QVERIFY(sheet_->FinishPage()->Report()->isHidden());

        QVERIFY(fs::is_regular_file(folder + "/Stowlark.dat"));
        const std::string ini = FileText(disk + "/Program Files/Winamp/winamp.ini");
        QVERIFY(!ini.empty());
        int copies = 0;
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (entry.is_regular_file() && FileText(entry.path().string()) == ini) ++copies;
        }
        QCOMPARE(copies, 1);
        const std::string saved = FolderIDs(folderDos.c_str(), false);
        QVERIFY2(Contains(saved, "'58'"), saved.c_str());
        QCOMPARE(sl::testing::offline::DiskStamp(disk), before);
    }

    // A disk with several profiles asks which one; Cancel changes nothing.
    // A folder that is no Windows installation is refused, and a prefix
    // chosen afterwards makes the prefix the machine again.
    void severalProfilesAskForOne() {
        MessageRecorder messages;
        sl::testing::offline::TempFolder temp;
        const std::string disk = temp.path() + "/oldpc";
        const std::string empty = temp.path() + "/empty";
        fs::create_directories(disk);
        fs::create_directories(empty);
        std::string error;
        QVERIFY2(sl::testing::offline::BuildWindowsXp(disk, {"bob", "eve"}, &error), error.c_str());
        const std::string root = fs::canonical(disk).string();

        Start();
        std::vector<std::string> folders = {empty, disk, disk};
        context_->services.chooseFolder = [&](QWidget*, const QString&, const QString&) {
            const std::string answer = folders.front();
            folders.erase(folders.begin());
            return QString::fromStdString(answer);
        };
        std::vector<int> rows = {-1, 1};
        std::vector<std::string> offered;
        QString offeredDisk;
        int offeredSelection = 0;
        context_->services.chooseProfile = [&](QWidget*, const QString& diskFolder,
                                               const std::vector<std::string>& names, int selected) {
            offeredDisk = diskFolder;
            offered = names;
            offeredSelection = selected;
            const int row = rows.front();
            rows.erase(rows.begin());
            return row;
        };
        CMyPropertyPage9* welcome = sheet_->WelcomePage();

        welcome->WindowsDiskButton()->click();
        QCOMPARE(messages.Texts().size(), 1);
        QVERIFY2(messages.Texts().front().startsWith(QString::fromStdString(empty) +
                                                     " holds no Windows installation"),
                 qPrintable(messages.Texts().front()));
        welcome->WindowsDiskButton()->click();  // the profile list is cancelled
        QCOMPARE(offered, (std::vector<std::string>{"bob", "eve"}));
        QCOMPARE(offeredDisk, QString::fromStdString(root));
        QCOMPARE(offeredSelection, -1);  // neither is the default
        QCOMPARE(welcome->PrefixLabel()->text(), QString::fromStdString(machine_->Prefix()));
        QVERIFY(Variable(sl::platform::kWindowsDiskVariable).empty());
        QVERIFY(welcome->RestoreButton()->isEnabled());

        welcome->WindowsDiskButton()->click();
        QCOMPARE(messages.Texts().size(), 1);
        QCOMPARE(welcome->PrefixLabel()->text(),
                 QString::fromStdString("Windows disk " + root + "\nUser profile: eve"));
        QCOMPARE(Variable(sl::platform::kWindowsUserVariable), std::string("eve"));
        QVERIFY(!welcome->RestoreButton()->isEnabled());

        // Change... back to the prefix: Restore is offered again.
        context_->services.choosePrefix = [&](QWidget*, const auto&, const std::string&) {
            return machine_->Prefix();
        };
        welcome->ChangePrefixButton()->click();
        QCOMPARE(welcome->PrefixLabel()->text(), QString::fromStdString(machine_->Prefix()));
        QVERIFY(Variable(sl::platform::kWindowsDiskVariable).empty());
        QVERIFY(Variable(sl::platform::kWindowsUserVariable).empty());
        QVERIFY(welcome->RestoreButton()->isEnabled());
        QVERIFY(welcome->DiskNote()->isHidden());
        QVERIFY(!context_->services.windowsDisk);

        // The list itself: OK waits for a row, and gives the row chosen.
        CProfileDialog dialog(QString::fromStdString(root), {"bob", "eve"}, -1);
        QVERIFY(!dialog.OkButton()->isEnabled());
        dialog.accept();
        QCOMPARE(dialog.Chosen(), -1);
        dialog.List()->setCurrentRow(1);
        QVERIFY(dialog.OkButton()->isEnabled());
        dialog.accept();
        QCOMPARE(dialog.Chosen(), 1);
    }
};

SL_WIZARD_TEST_CLASS(WizardWindowsDiskTest);

#include "wizard_windows_disk_test.moc"
