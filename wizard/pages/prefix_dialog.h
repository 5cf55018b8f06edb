// The dialog of the welcome page's "Change..." button: the Wine prefixes
// found on this computer (name, architecture, folder), the current one
// selected, and "Other folder..." for a prefix the list does not hold.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "wizard/pages/wizard_context.h"
#include "common/session/prefix_finder.h"

class QPushButton;
class QTreeWidget;

namespace sl::wizard {

class CPrefixDialog : public QDialog {
    Q_OBJECT
public:
    // found: the prefixes to offer; current: the folder worked on now
    // (selected when found holds it); chooseFolder: the folder dialog of
    // "Other folder..." (may be empty, the button is then hidden).
    CPrefixDialog(const std::vector<session::FoundPrefix>& found, const std::string& current,
                  const FolderDialogFunction& chooseFolder, QWidget* parent = nullptr);

    // The folder chosen: the selected row's on OK, or the one "Other
    // folder..." returned. Empty until then, and after Cancel.
    const std::string& ChosenFolder() const { return chosen_; }

    QTreeWidget* List() const { return list_; }
    QPushButton* OtherFolderButton() const { return other_; }
    QPushButton* OkButton() const { return ok_; }

    void accept() override;

private:
    void OnOtherFolder();

    std::vector<session::FoundPrefix> found_;
    std::string current_;
    FolderDialogFunction chooseFolder_;
    std::string chosen_;
    QTreeWidget* list_;
    QPushButton* other_;
    QPushButton* ok_;
};

// Shows the dialog modally; returns the chosen folder, "" when cancelled.
std::string ChoosePrefixFolder(QWidget* owner, const std::vector<session::FoundPrefix>& found,
                               const std::string& current,
                               const FolderDialogFunction& chooseFolder);

}  // namespace sl::wizard
