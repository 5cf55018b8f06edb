// The "Details" sheet: a modal sheet holding one selection page that shows
// one sub-menu of the catalogue. It opens 20 pixels right of and 20 pixels
// above the window whose "Details" button opened it (less where that would
// put it partly off the screen), and closes with its
// one button, "OK" (or the close box). Check changes made in it go straight
// into the catalogue and stay.
#pragma once

#include <QDialog>

#include "wizard/pages/wizard_context.h"

class QPushButton;

namespace sl::wizard {

class CMyPropertyPage2;

class CMyPropertySheet2 : public QDialog {
    Q_OBJECT
public:
    CMyPropertySheet2(WizardContext& context, int subMenu, QWidget* owner);
    ~CMyPropertySheet2() override;

    // Shows the sheet modally and returns when it is closed.
    void DoModal();

    CMyPropertyPage2* Page() const { return page_; }
    QPushButton* OkButton() const { return ok_; }

signals:
    // The sheet is shown and its page active.
    void opened();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlaceOkButton();

    QWidget* owner_;
    CMyPropertyPage2* page_;
    QPushButton* ok_;
    bool placed_ = false;
};

}  // namespace sl::wizard
