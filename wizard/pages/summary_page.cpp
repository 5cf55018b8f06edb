#include "wizard/pages/summary_page.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "wizard/pages/message_box.h"
#include "wizard/pages/property_sheet.h"
#include "wizard/resources/strings.h"

namespace sl::wizard {

CMyPropertyPage4::CMyPropertyPage4(WizardContext& context, QWidget* parent)
    : CSheetPage(kSummaryPage, context, parent) {
    heading_ = new QLabel;
    heading_->setWordWrap(true);
    list_ = new QPlainTextEdit;
    list_->setObjectName(QStringLiteral("summary"));
    list_->setReadOnly(true);
    list_->setLineWrapMode(QPlainTextEdit::NoWrap);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading_);
    layout->addWidget(list_, 1);
}

void CMyPropertyPage4::OnSetActive() {
    const char* heading = State().WizardMode == session::WizardMode::Backup   ? strings::kSummaryBackup
                          : State().RestoreMode == session::RestoreMode::Restore ? strings::kSummaryRestore
                                                     : strings::kSummaryUnrestore;
    heading_->setText(QString::fromLatin1(heading));
    std::string text;
    if (State().Catalogue) State().Catalogue->BuildSummaryText(nullptr, text, 0);
    // The edit shows lines, not CR LF pairs.
    QString shown = QString::fromLatin1(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (shown.endsWith(QLatin1Char('\n'))) shown.chop(1);
    list_->setPlainText(shown);
    // No highlighted text when the list gets the focus.
    QTextCursor cursor = list_->textCursor();
    cursor.clearSelection();
    cursor.movePosition(QTextCursor::Start);
    list_->setTextCursor(cursor);
}

int CMyPropertyPage4::OnWizardNext() {
    // A restore and an unrestore write the prefix's registry, which a
    // running wineserver would overwrite again.
    if (State().WizardMode != session::WizardMode::Backup && context_.services.windowsProgramsRunning &&
        context_.services.windowsProgramsRunning(context_.services.prefixPath)) {
        MessageBox(this, QString::asprintf(strings::kWindowsProgramsRunning,
                                           context_.services.prefixPath.c_str()));
        return -1;
    }
    return 0;
}

}  // namespace sl::wizard
