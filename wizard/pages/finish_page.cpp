#include "wizard/pages/finish_page.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "wizard/pages/mnemonic.h"
#include "wizard/pages/mode_words.h"
#include "wizard/pages/pictures.h"
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

std::string BuildClosingMessage(const WizardState& state) {
    const char* closing = state.WizardMode == session::WizardMode::Backup   ? strings::kThanksBackup
                          : state.RestoreMode == session::RestoreMode::Restore ? strings::kThanksRestore
                                                   : strings::kThanksUnrestore;
    const char* happened = state.UserAborted != 0      ? strings::kRunStopped
                           : !state.LastBadIDs.empty() ? strings::kRunFailedComponents
                           : state.RunFailedUnnamed    ? strings::kRunIncomplete
                                                       : nullptr;
    if (happened == nullptr) return std::string(strings::kThanks) + closing;
    const ModeWords words = WordsFor(state.WizardMode, state.RestoreMode);
    std::string text = QString::asprintf(happened, words.verb).toStdString() + "\n";
    if (state.WizardMode == session::WizardMode::Backup) {
        // A backup that did not complete has not made the settings safe.
        std::string thanks = strings::kThanks;
        if (!thanks.empty() && thanks.back() == '\n') thanks.pop_back();
        return text + thanks;
    }
    return text + strings::kThanks + closing;
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
    report_->setAccessibleName(QStringLiteral("Report"));
    report_->hide();

    // The path on a line of its own, so that it is never broken in two.
    logLine_ = new QLabel;
    logLine_->setObjectName(QStringLiteral("logLine"));
    logLine_->setTextFormat(Qt::PlainText);
    logLine_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    logLine_->setWordWrap(true);
    openLog_ = new QPushButton(WithMnemonic(strings::kOpenLog, QLatin1Char('O')));
    openLog_->setObjectName(QStringLiteral("openLog"));
    openLog_->setAutoDefault(false);
    connect(openLog_, &QPushButton::clicked, this, &CMyPropertyPage6::OnOpenLog);
    auto* logRow = new QHBoxLayout;
    logRow->addWidget(logLine_, 1);
    logRow->addWidget(openLog_, 0, Qt::AlignTop);
    logLine_->hide();
    openLog_->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message_);
    layout->addWidget(reportMessage_);
    layout->addLayout(logRow);
    layout->addWidget(report_, 1);
}

void CMyPropertyPage6::OnSetActive() {
    closing_ = BuildClosingMessage(State());

    reportText_ = BuildFinishReport(State().Catalogue.get(), State().LastBadIDs,
                                    State().UserAborted != 0);
    if (State().RunFailedUnnamed && State().UserAborted == 0 && reportText_.empty()) {
        // A failed run with no failed component to name must not read as
        // a success.
        reportText_ = std::string(strings::kRunIncompleteReport) + "\r\n";
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
        setPixmap(QWizard::WatermarkPixmap, WelcomePicture(qApp->devicePixelRatio()));
    }
    report_->setVisible(withReport);
    reportMessage_->setVisible(withReport);
    message_->setVisible(!withReport);
    message_->setText(QString::fromLatin1(closing_));

    const std::string& log = context_.services.logPath;
    const bool showLog = withReport && !log.empty();
    logLine_->setText(QString::asprintf(strings::kLogIsAt, log.c_str()));
    logLine_->setVisible(showLog);
    openLog_->setVisible(showLog && context_.services.openFile != nullptr);

    if (CMyPropertySheet* sheet = Sheet()) {
        sheet->ShowCloseOnly();
        // Return closes the wizard, wherever the focus is on this page.
        sheet->button(QWizard::CancelButton)->setFocus();
    }
}

void CMyPropertyPage6::OnOpenLog() {
    if (context_.services.openFile) {
        context_.services.openFile(QString::fromLocal8Bit(context_.services.logPath.c_str()));
    }
}

}  // namespace sl::wizard
