#include "wizard/pages/profile_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "wizard/resources/strings.h"

namespace sl::wizard {

CProfileDialog::CProfileDialog(const QString& disk, const std::vector<std::string>& names,
                               int selected, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QString::fromLatin1(strings::kProfileDialogTitle));
    auto* text = new QLabel(QString::asprintf(strings::kProfileDialogText, disk.toUtf8().constData()));
    text->setWordWrap(true);
    text->setTextFormat(Qt::PlainText);

    list_ = new QListWidget;
    list_->setObjectName(QStringLiteral("profiles"));
    // Profile names come from the disk: shown as they are, never as markup.
    for (const std::string& name : names) list_->addItem(QString::fromStdString(name));
    if (selected >= 0 && selected < list_->count()) list_->setCurrentRow(selected);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setEnabled(list_->currentItem() != nullptr);
    connect(list_, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem* item) { ok_->setEnabled(item != nullptr); });
    connect(list_, &QListWidget::itemActivated, this, [this] { accept(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &CProfileDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(list_);
    layout->addWidget(buttons);
}

void CProfileDialog::accept() {
    if (list_->currentRow() < 0) return;  // nothing chosen yet
    chosen_ = list_->currentRow();
    QDialog::accept();
}

int ChooseProfile(QWidget* owner, const QString& disk, const std::vector<std::string>& names,
                  int selected) {
    CProfileDialog dialog(disk, names, selected, owner);
    return dialog.exec() == QDialog::Accepted ? dialog.Chosen() : -1;
}

}  // namespace sl::wizard
