// The selection page (template 105): one menu of the catalogue as a check
// list. "Details" opens the menu below the selected group in a modal sheet
// of its own (CMyPropertySheet2). Next turns the checks into SelectedIDs.
#pragma once

#include "wizard/pages/sheet_page.h"

class QLabel;
class QPushButton;

namespace sl::wizard {

class ComponentCheckList;

class CMyPropertyPage2 : public CSheetPage {
    Q_OBJECT
public:
    explicit CMyPropertyPage2(WizardContext& context, QWidget* parent = nullptr);

    // The menu the page shows: 0 in the wizard, the sub-menu in a sheet.
    void SetMenu(int menu) { menu_ = menu; }
    int Menu() const { return menu_; }

    void OnSetActive() override;
    void OnKillActive() override;
    int OnWizardNext() override;

    // The list's selection changed to index.
    void OnSelectionChange(int index);
    // An entry's check was changed by the user (the check-changed message).
    void OnCheckChanged(int index);
    // "Details": the menu below the selected group, in a modal sheet.
    void OnDetails();

    ComponentCheckList* CheckList() const { return list_; }
    QLabel* Prompt() const { return prompt_; }
    QLabel* Description() const { return description_; }
    QPushButton* DetailsButton() const { return details_; }

signals:
    // Emitted once a "Details" sheet is open (tests drive it from here).
    void detailsSheetOpened(QWidget* sheet);

private:
    int menu_ = 0;
    int currentIndex_ = -1;
    int subMenu_ = -1;
    QLabel* prompt_;
    ComponentCheckList* list_;
    QLabel* description_;
    QPushButton* details_;
};

}  // namespace sl::wizard
