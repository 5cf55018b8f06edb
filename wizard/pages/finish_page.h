// The finish page (template 109): the closing message of the mode and, when
// the run failed for some components or was stopped, the report: the failed
// components with the recommendations, or "User Abort". A run that did not
// fully succeed says so in its first sentence, in place of the closing
// message of a successful run, and shows where the log is, with a button
// that opens it. A restore that ran without its undo copy says so under the
// report. Only "Close" is left, and Return presses it.
#pragma once

#include "wizard/pages/sheet_page.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace sl::wizard {

class CMyPropertyPage6 : public CSheetPage {
    Q_OBJECT
public:
    explicit CMyPropertyPage6(WizardContext& context, QWidget* parent = nullptr);

    void OnSetActive() override;

    // The closing message shown on a page without report (control 1033).
    QLabel* Message() const { return message_; }
    // The closing message on a page with report (control 1032).
    QLabel* ReportMessage() const { return reportMessage_; }
    // The report (control 1031), hidden when there is none.
    QPlainTextEdit* Report() const { return report_; }
    // The report as built, with its CR LF line ends.
    const std::string& ReportText() const { return reportText_; }
    // Where the log is, and the button that opens it; hidden after a run
    // that fully succeeded.
    QLabel* LogLine() const { return logLine_; }
    QPushButton* OpenLogButton() const { return openLog_; }

private:
    void OnOpenLog();

    std::string closing_;
    std::string reportText_;
    QLabel* message_;
    QLabel* reportMessage_;
    QPlainTextEdit* report_;
    QLabel* logLine_;
    QPushButton* openLog_;
};

// The report of a run: "User Abort" when the user stopped it, otherwise the
// failed components of badIDs (from catalogue) between the header lines and
// the recommendations; empty when nothing failed.
std::string BuildFinishReport(const ComponentCatalogue* catalogue, const std::string& badIDs,
                              bool userAborted);

// The finish page's first sentences for the state of the last run: what went
// wrong, when something did, then the closing message of the mode (without
// the backup's promise that the settings are safe after a failed backup).
std::string BuildClosingMessage(const WizardState& state);

}  // namespace sl::wizard
