// The list of a Windows disk's user profiles, shown by the welcome page's
// "Windows disk..." when the disk has more than one: the user picks the
// profile whose preferences are backed up.
#pragma once

#include <QDialog>
#include <QString>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;

namespace sl::wizard {

class CProfileDialog : public QDialog {
    Q_OBJECT
public:
    // disk: the disk folder, named in the text; names: the profiles;
    // selected: the row selected at first (-1: none, OK waits for a choice).
    CProfileDialog(const QString& disk, const std::vector<std::string>& names, int selected,
                   QWidget* parent = nullptr);

    // The row chosen on OK; -1 until then and after Cancel.
    int Chosen() const { return chosen_; }
    QListWidget* List() const { return list_; }
    QPushButton* OkButton() const { return ok_; }

    void accept() override;

private:
    int chosen_ = -1;
    QListWidget* list_;
    QPushButton* ok_;
};

// Shows the dialog modally; returns the row chosen, -1 when cancelled.
int ChooseProfile(QWidget* owner, const QString& disk, const std::vector<std::string>& names,
                  int selected);

}  // namespace sl::wizard
