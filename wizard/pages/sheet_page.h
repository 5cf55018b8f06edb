// The base of every page: a wizard page built on a template number, with
// the handlers the sheet calls as the user moves through the wizard.
//
//   OnSetActive    each time the page is shown (forward and back)
//   OnKillActive   each time it is left
//   OnWizardNext   Next: 0 moves to the next page of the sheet's order,
//                  -1 stays, a template number jumps to that page
//   OnWizardBack   Back: 0 the previous page, -1 stays, a template number
//                  goes back to that (earlier) page
//   OnQueryCancel  Cancel or the close box: false keeps the wizard open
#pragma once

#include <QWizardPage>

#include "wizard/pages/wizard_context.h"

namespace sl::wizard {

class CMyPropertySheet;

// Wizard buttons a page can ask for (the sheet's SetWizardButtons).
inline constexpr int kWizardBack = 1;
inline constexpr int kWizardNext = 2;

class CSheetPage : public QWizardPage {
    Q_OBJECT
public:
    CSheetPage(int templateId, WizardContext& context, QWidget* parent = nullptr);

    int TemplateId() const { return templateId_; }

    virtual void OnSetActive() {}
    virtual void OnKillActive() {}
    virtual int OnWizardNext() { return 0; }
    virtual int OnWizardBack() { return 0; }
    virtual bool OnQueryCancel() { return true; }

    // Runs OnWizardNext and tells the sheet where to go.
    bool validatePage() override;
    // Pages keep their member values when the user goes back.
    void cleanupPage() override {}

protected:
    // The wizard sheet holding the page; null inside a "Details" sheet.
    CMyPropertySheet* Sheet() const;
    WizardState& State() { return context_.state; }
    WizardContext& context_;

private:
    int templateId_;
};

}  // namespace sl::wizard
