#include "wizard/pages/finish_page.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "wizard/pages/property_sheet.h"
#include "wizard/resources/strings.h"

namespace sl::wizard {

std::string BuildFinishReport(const ComponentCatalogue* catalogue, const std::string& badIDs,
                              bool userAborted) {
    if (userAborted) return strings::kUserAbort;
    if (badIDs.empty()) return {};
    std::string list;
    if (catalogue != nullptr) catalogue->BuildReportList(badIDs, nullptr, list, "", 0);
    return std::string(strings::kReportHeader) + list + "\r\n" + strings::kReportRecommendations;
}

CMyPropertyPage6::CMyPropertyPage6(WizardContext& context, QWidget* parent)
    : CSheetPage(kFinishPage, context, parent) {
    message_ = new QLabel;
    message_->setObjectName(QStringLiteral("message"));
    message_->setWordWrap(true);
    message_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    reportMessage_ = new QLabel;
    reportMessage_->setObjectName(QStringLiteral("reportMessage"));
    reportMessage_->setWordWrap(true);
    reportMessage_->hide();
    report_ = new QPlainTextEdit;
    report_->setObjectName(QStringLiteral("report"));
    report_->setReadOnly(true);
    report_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    report_->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message_);
    layout->addWidget(reportMessage_);
    layout->addWidget(report_, 1);
}

void CMyPropertyPage6::OnSetActive() {
    const char* closing = State().WizardMode == 0   ? strings::kThanksBackup
                          : State().RestoreMode == 0 ? strings::kThanksRestore
                                                     : strings::kThanksUnrestore;
    closing_ = std::string(strings::kThanks) + closing;

    reportText_ = BuildFinishReport(State().Catalogue.get(), State().LastBadIDs,
                                    State().UserAborted != 0);
    if (State().RunFailedUnnamed && State().UserAborted == 0 && reportText_.empty()) {
        // A failed run with no failed component to name must not read as
        // a success.
        reportText_ = std::string(strings::kRunIncomplete) + "\r\n";
    }
    if (State().UndoCopyMissing) {
        // Said under the report, so that a restore without its undo copy is
        // not taken for a complete success.
        if (!reportText_.empty()) reportText_ += "\r\n";
        reportText_ += QString::asprintf(strings::kNoUndoCopy, State().UndoFolder.c_str(),
                                         State().UndoCopyError)
                           .toStdString() +
                       "\r\n";
    }

    const bool withReport = !reportText_.empty();
    if (withReport) {
        QString shown = QString::fromLatin1(reportText_);
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        report_->setPlainText(shown);
        report_->moveCursor(QTextCursor::Start);
        reportMessage_->setText(QString::fromLatin1(closing_));
        setPixmap(QWizard::WatermarkPixmap, QPixmap());
    } else {
        setPixmap(QWizard::WatermarkPixmap, QPixmap(QStringLiteral(":/stowlark/welcome.png")));
    }
    report_->setVisible(withReport);
    reportMessage_->setVisible(withReport);
    message_->setVisible(!withReport);
    message_->setText(QString::fromLatin1(closing_));

    if (CMyPropertySheet* sheet = Sheet()) sheet->ShowCloseOnly();
}

}  // namespace sl::wizard
