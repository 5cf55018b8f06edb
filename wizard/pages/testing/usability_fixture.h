// What the tests of what a person meets in the wizard beyond the paths
// through it share: the paths fixture, plus waiting for the window, the
// keyboard's letters and the screen the window must fit.
#pragma once

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
#include "wizard/pages/testing/paths_fixture.h"
#include "wizard/pages/welcome_page.h"
#include "wizard/resources/strings.h"

namespace sl::wizard::testing {

inline const char* const kSkins = "C:\\Program Files\\Winamp\\Skins\\Many";

// The visible buttons and radio buttons of a window.
inline QList<QAbstractButton*> VisibleButtons(QWidget* window) {
    QList<QAbstractButton*> shown;
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (button->isVisible() && !button->text().isEmpty()) shown << button;
    }
    return shown;
}

// The mnemonic letter of a text ("&Next >" gives 'n'); 0 when none.
inline QChar MnemonicOf(const QString& text) {
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
inline int LargestContrast(const QImage& image, int background) {
    int contrast = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < std::min(image.width(), image.height()); ++x) {
            contrast = std::max(contrast, std::abs(image.pixelColor(x, y).lightness() - background));
        }
    }
    return contrast;
}

class WizardUsabilityFixture : public WizardPathsFixture {
protected:
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
};

}  // namespace sl::wizard::testing
