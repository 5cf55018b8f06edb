#include "wizard/pages/prefix_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "wizard/resources/strings.h"

namespace sl::wizard {

CPrefixDialog::CPrefixDialog(const std::vector<session::FoundPrefix>& found,
                             const std::string& current, const FolderDialogFunction& chooseFolder,
                             QWidget* parent)
    : QDialog(parent), found_(found), current_(current), chooseFolder_(chooseFolder) {
    setWindowTitle(QString::fromLatin1(strings::kPrefixDialogTitle));
    auto* text = new QLabel(QString::fromLatin1(
        found_.empty() ? strings::kPrefixNoneFound : strings::kPrefixDialogText));
    text->setWordWrap(true);

    list_ = new QTreeWidget;
    list_->setObjectName(QStringLiteral("prefixes"));
    list_->setRootIsDecorated(false);
    list_->setColumnCount(3);
    list_->setHeaderLabels({QString::fromLatin1(strings::kPrefixColumnName),
                            QString::fromLatin1(strings::kPrefixColumnArch),
                            QString::fromLatin1(strings::kPrefixColumnFolder)});
    const session::FoundPrefix* currentPrefix = session::FindPrefixByFolder(found_, current_);
    for (const session::FoundPrefix& prefix : found_) {
        auto* row = new QTreeWidgetItem(list_, {QString::fromStdString(prefix.name),
                                                QString::fromStdString(prefix.architecture),
                                                QString::fromStdString(prefix.folder)});
        if (&prefix == currentPrefix) list_->setCurrentItem(row);
    }
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list_->setVisible(!found_.empty());

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    other_ = buttons->addButton(QString::fromLatin1(strings::kPrefixOtherFolder),
                                QDialogButtonBox::ActionRole);
    other_->setObjectName(QStringLiteral("otherFolder"));
    other_->setVisible(static_cast<bool>(chooseFolder_));
    ok_->setEnabled(list_->currentItem() != nullptr);
    connect(list_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { ok_->setEnabled(item != nullptr); });
    connect(list_, &QTreeWidget::itemActivated, this, [this] { accept(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &CPrefixDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(other_, &QPushButton::clicked, this, &CPrefixDialog::OnOtherFolder);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(list_);
    layout->addWidget(buttons);
    resize(640, 320);
}

void CPrefixDialog::accept() {
    const int row = list_->currentItem() != nullptr ? list_->indexOfTopLevelItem(list_->currentItem())
                                                    : -1;
    if (row < 0 || row >= static_cast<int>(found_.size())) return;  // nothing chosen yet
    chosen_ = found_[static_cast<std::size_t>(row)].folder;
    QDialog::accept();
}

void CPrefixDialog::OnOtherFolder() {
    if (!chooseFolder_) return;
    const QString folder = chooseFolder_(this, QString::fromLatin1(strings::kPrefixDialogTitle),
                                         QString::fromStdString(current_));
    if (folder.isEmpty()) return;
    chosen_ = folder.toStdString();
    QDialog::accept();
}

std::string ChoosePrefixFolder(QWidget* owner, const std::vector<session::FoundPrefix>& found,
                               const std::string& current,
                               const FolderDialogFunction& chooseFolder) {
    CPrefixDialog dialog(found, current, chooseFolder, owner);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.ChosenFolder();
}

}  // namespace sl::wizard
