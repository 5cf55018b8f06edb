#include "wizard/pages/screenshot_tour.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTextStream>
#include <QTimer>
#include <functional>

#include "common/session/prefix_paths.h"
#include "wizard/pages/backup_option_page.h"
#include "wizard/pages/check_list.h"
#include "wizard/pages/details_sheet.h"
#include "wizard/pages/message_box.h"
#include "wizard/pages/palette.h"
#include "wizard/pages/prefix_dialog.h"
#include "wizard/pages/property_sheet.h"
#include "wizard/pages/restore_choice_page.h"
#include "wizard/pages/run_page.h"
#include "wizard/pages/selection_page.h"
#include "wizard/pages/welcome_page.h"

namespace sl::wizard {
namespace {

class Tour {
public:
    Tour(const QString& folder) : dir_(folder) { dir_.mkpath(QStringLiteral(".")); }

    void Grab(QWidget* widget, const QString& name) {
        QApplication::processEvents();
        const QString file = dir_.filePath(QStringLiteral("%1-%2.png")
                                               .arg(++count_, 2, 10, QLatin1Char('0'))
                                               .arg(name));
        widget->window()->grab().save(file);
        QTextStream(stdout) << "saved " << file << Qt::endl;
    }

    bool WaitFor(const std::function<bool()>& done, int milliseconds = 60000) {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > milliseconds) return false;
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        return true;
    }

    bool Expect(CMyPropertySheet& sheet, int page, const QString& name) {
        if (!WaitFor([&] { return sheet.currentId() == page; })) {
            QTextStream(stderr) << "page " << page << " did not come up (at " << sheet.currentId()
                                << ")" << Qt::endl;
            return false;
        }
        Grab(&sheet, name);
        return true;
    }

    // Message boxes are shown, grabbed and answered with the first of
    // Yes / OK.
    void AnswerMessages() {
        SetMessageBoxFunction([this](const MessageRequest& request) {
            QMessageBox box(request.icon, request.caption, request.text, request.buttons,
                            request.parent);
            box.show();
            Grab(&box, QStringLiteral("message"));
            box.close();
            return request.buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes
                                                              : QMessageBox::Ok;
        });
    }

private:
    QDir dir_;
    int count_ = 0;
};

// The Unix folder of a DOS folder of the prefix; empty when it maps to none.
QString UnixFolder(const WizardContext& context, const std::string& dosFolder) {
    std::string unixPath;
    if (session::PrefixUnixPath(context.services.prefixPath, dosFolder, &unixPath) != 0) {
        return {};
    }
    return QString::fromStdString(unixPath);
}

int EntryWithSubMenu(CMyPropertyPage2* page, const WizardContext& context) {
    CheckListItemModel& items = page->CheckList()->Items();
    for (int i = 0; i < items.Count(); ++i) {
        const CatalogueItem* row =
            context.state.Catalogue->RowAt(page->Menu(), items.Entry(i)->RowPosition);
        if (row != nullptr && row->IsGroup()) return i;
    }
    return -1;
}

}  // namespace

namespace {

// Backup with Custom, through a "Details" sheet.
bool TourBackup(CMyPropertySheet& sheet, WizardContext& context, Tour& tour) {
    if (!tour.Expect(sheet, kWelcomePage, QStringLiteral("welcome"))) return false;
    if (context.services.findPrefixes) {
        // The prefix chooser, looked at and closed (the prefix stays).
        CPrefixDialog chooser(context.services.findPrefixes(), context.services.prefixPath,
                              context.services.chooseFolder, &sheet);
        chooser.show();
        tour.Grab(&chooser, QStringLiteral("prefix-chooser"));
        chooser.reject();
    }
    sheet.WelcomePage()->AboutButton()->click();
    sheet.next();
    if (!tour.Expect(sheet, kBackupOptionPage, QStringLiteral("backup-option"))) return false;
    sheet.BackupOptionPage()->OptionButton(1)->click();
    tour.Grab(&sheet, QStringLiteral("backup-option-custom"));
    sheet.next();
    if (!tour.Expect(sheet, kSelectionPage, QStringLiteral("selection"))) return false;
    CMyPropertyPage2* selection = sheet.SelectionPage();
    const int group = EntryWithSubMenu(selection, context);
    if (group >= 0) {
        selection->CheckList()->setCurrentIndex(selection->CheckList()->model()->index(group, 0));
        tour.Grab(&sheet, QStringLiteral("selection-group"));
        QObject::connect(selection, &CMyPropertyPage2::detailsSheetOpened, &sheet,
                         [&tour](QWidget* details) {
                             tour.Grab(details, QStringLiteral("details"));
                             static_cast<CMyPropertySheet2*>(details)->OkButton()->click();
                         });
        selection->DetailsButton()->click();
    }
    sheet.next();
    if (!tour.Expect(sheet, kFolderPage, QStringLiteral("folder"))) return false;
    sheet.next();
    if (!tour.Expect(sheet, kSummaryPage, QStringLiteral("summary"))) return false;
    // The run page is pictured in the middle of the run, and again in the
    // middle of a large component (screenshots.sh fills the skins folder).
    // The connections end with this part of the tour (guard).
    QObject guard;
    int steps = 0;
    QObject::connect(sheet.RunPage(), &CMyPropertyPage5::progressHandled, &guard,
                     [&](int code, int) {
                         if (code == 2 && ++steps == 3) tour.Grab(&sheet, QStringLiteral("run"));
                     });
    int skinItems = 0;
    QObject::connect(sheet.RunPage(), &CMyPropertyPage5::itemShown, &guard,
                     [&](const QString& text) {
                         if (text.contains(QStringLiteral("Skins")) && ++skinItems == 4) {
                             tour.Grab(&sheet, QStringLiteral("run-large-component"));
                         }
                     });
    sheet.next();
    if (!tour.Expect(sheet, kFinishPage, QStringLiteral("finish-backup"))) return false;
    sheet.hide();
    return true;
}

// Restore from the folder just written.
bool TourRestore(const CMyPropertySheet& sheet, WizardContext& context, Tour& tour) {
    CMyPropertySheet restore(context);
    restore.setWindowTitle(sheet.windowTitle());
    restore.WelcomePage()->RestoreButton()->setChecked(true);
    restore.show();
    if (!tour.Expect(restore, kWelcomePage, QStringLiteral("welcome-restore"))) return false;
    restore.WelcomePage()->RestoreButton()->click();
    restore.next();
    if (!tour.Expect(restore, kFolderPage, QStringLiteral("folder-restore"))) return false;
    restore.next();
    if (!tour.Expect(restore, kRestoreChoicePage, QStringLiteral("restore-choice"))) return false;
    restore.next();
    if (!tour.Expect(restore, kSelectionPage, QStringLiteral("selection-restore"))) return false;
    CMyPropertyPage2* restoreSelection = restore.SelectionPage();
    CheckListItemModel& items = restoreSelection->CheckList()->Items();
    for (int i = 0; i < items.Count(); ++i) items.setData(items.index(i), {}, Qt::CheckStateRole);
    tour.Grab(&restore, QStringLiteral("selection-restore-checked"));
    restore.next();
    if (!tour.Expect(restore, kSummaryPage, QStringLiteral("summary-restore"))) return false;
    restore.next();
    if (!tour.Expect(restore, kFinishPage, QStringLiteral("finish-restore"))) return false;
    restore.hide();
    return true;
}

// A restore that fails, in a dark palette: the registry archives are taken
// out of the backup folder first.
bool TourFailingRestore(const CMyPropertySheet& sheet, WizardContext& context, Tour& tour) {
    const QString unixFolder = UnixFolder(context, context.state.BackupFolder);
    if (unixFolder.isEmpty()) return false;
    QDir backupFolder(unixFolder);
    for (const QString& archive : backupFolder.entryList({QStringLiteral("*.bin")}, QDir::Files)) {
        backupFolder.remove(archive);
    }
    const QPalette palette = QApplication::palette();
    QApplication::setPalette(DarkPalette());
    CMyPropertySheet failing(context);
    failing.setWindowTitle(sheet.windowTitle());
    failing.show();
    if (!tour.Expect(failing, kWelcomePage, QStringLiteral("dark-welcome"))) return false;
    failing.WelcomePage()->RestoreButton()->click();
    failing.next();
    failing.next();
    failing.next();
    if (!tour.Expect(failing, kSelectionPage, QStringLiteral("dark-selection"))) return false;
    CheckListItemModel& failingItems = failing.SelectionPage()->CheckList()->Items();
    failingItems.setData(failingItems.index(0), {}, Qt::CheckStateRole);
    tour.Grab(&failing, QStringLiteral("dark-selection-checked"));
    failing.next();
    if (!tour.Expect(failing, kSummaryPage, QStringLiteral("dark-summary"))) return false;
    failing.next();
    if (!tour.Expect(failing, kFinishPage, QStringLiteral("dark-finish-failed"))) return false;
    QApplication::setPalette(palette);
    return true;
}

}  // namespace

bool RunScreenshotTour(CMyPropertySheet& sheet, WizardContext& context, const QString& folder) {
    Tour tour(folder);
    tour.AnswerMessages();
    sheet.show();
    if (!TourBackup(sheet, context, tour) || !TourRestore(sheet, context, tour) ||
        !TourFailingRestore(sheet, context, tour)) {
        return false;
    }
    SetMessageBoxFunction({});
    return true;
}

}  // namespace sl::wizard
