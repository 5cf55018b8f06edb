// The wizard sheet: one page per template number, shown in the order of the
// chosen mode.
//
//   backup   112 welcome, 104 backup option, 105 selection, 106 folder,
//            107 summary, 108 run, 109 finish (110 behind it, never reached)
//   restore  112 welcome, 106 folder, 110 restore choice, 105 selection,
//            107 summary, 108 run, 109 finish (104 behind it)
//
// Next asks the current page (OnWizardNext) and moves to the next page of
// the order or to the page the handler names; Back asks OnWizardBack. The
// page ids of the QWizard are the template numbers.
#pragma once

#include <QIcon>
#include <QSize>
#include <QWizard>
#include <vector>

#include "wizard/pages/wizard_context.h"

class QScreen;

namespace sl::wizard {

class CSheetPage;
class CMyPropertyPage1;
class CMyPropertyPage2;
class CMyPropertyPage3;
class CMyPropertyPage4;
class CMyPropertyPage5;
class CMyPropertyPage6;
class CMyPropertyPage7;
class CMyPropertyPage9;

// Template numbers, which are also the page ids.
enum PageTemplate {
    kWelcomePage = 112,
    kBackupOptionPage = 104,
    kSelectionPage = 105,
    kFolderPage = 106,
    kSummaryPage = 107,
    kRunPage = 108,
    kFinishPage = 109,
    kRestoreChoicePage = 110,
};

class CMyPropertySheet : public QWizard {
    Q_OBJECT
public:
    explicit CMyPropertySheet(WizardContext& context, QWidget* parent = nullptr);
    ~CMyPropertySheet() override;

    // Sets the page order behind the welcome page for mode (0 backup, any
    // other value restore).
    void RebuildPages(int mode);
    const std::vector<int>& PageOrder() const { return order_; }

    // Enables Back and Next as flags say (kWizardBack, kWizardNext).
    void SetWizardButtons(int flags);
    // Presses Next, as the run page does when the run is done.
    void PressNext() { next(); }
    // Presses Back: asks the current page where to go.
    void PressBack();
    // Shows only the Cancel button, labelled "Close" (the finish page).
    void ShowCloseOnly();

    // Called by a page's Next handler: the page that accepted Next and the
    // page to go to (0 for the next one of the order).
    void SetPendingJump(int fromPage, int target);

    int nextId() const override;
    // Cancel, Escape and the close box: the current page may refuse.
    void reject() override;

    // The window's size on screen: 660 x 470 where that fits, never larger
    // than the screen's available area (less room for a frame).
    QSize SizeForScreen(const QScreen* screen) const;

    CSheetPage* SheetPage(int id) const;
    CMyPropertyPage9* WelcomePage() const { return page9_; }
    CMyPropertyPage1* BackupOptionPage() const { return page1_; }
    CMyPropertyPage2* SelectionPage() const { return page2_; }
    CMyPropertyPage3* FolderPage() const { return page3_; }
    CMyPropertyPage4* SummaryPage() const { return page4_; }
    CMyPropertyPage5* RunPage() const { return page5_; }
    CMyPropertyPage6* FinishPage() const { return page6_; }
    CMyPropertyPage7* RestoreChoicePage() const { return page7_; }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    static constexpr int kPreferredWidth = 660;
    static constexpr int kPreferredHeight = 470;
    static constexpr int kFrameRoom = 16;

    void OnCurrentIdChanged(int id);

    WizardContext& context_;
    QIcon icon_;
    std::vector<int> order_;
    int pendingFrom_ = -1;
    int pendingTarget_ = 0;
    CSheetPage* active_ = nullptr;
    bool placed_ = false;

    CMyPropertyPage9* page9_;
    CMyPropertyPage1* page1_;
    CMyPropertyPage2* page2_;
    CMyPropertyPage3* page3_;
    CMyPropertyPage4* page4_;
    CMyPropertyPage5* page5_;
    CMyPropertyPage6* page6_;
    CMyPropertyPage7* page7_;
};

}  // namespace sl::wizard
