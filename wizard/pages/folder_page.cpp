#include "wizard/pages/folder_page.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "wizard/pages/folder_browser.h"
#include "wizard/pages/message_box.h"
#include "wizard/pages/mnemonic.h"
#include "wizard/pages/property_sheet.h"
#include "wizard/resources/strings.h"
#include "common/session/folder_path.h"
#include "common/session/prefix_paths.h"

namespace sl::wizard {
namespace {

// True when the DOS path lies on the Windows disk: on its drive C:, or on
// Z: at a place inside the disk's folder.
bool OnTheWindowsDisk(const WizardServices& services, const std::string& dosPath) {
    if (session::OnTheDisk(dosPath)) return true;
    std::string unixPath;
    if (session::PrefixUnixPath(services.DriveFolder(), dosPath, &unixPath) != 0) return false;
    return session::OnTheDisk(session::PrefixDosPath(services.DriveFolder(), unixPath));
}

}  // namespace

CMyPropertyPage3::CMyPropertyPage3(WizardContext& context, QWidget* parent)
    : CSheetPage(kFolderPage, context, parent) {
    prompt_ = new QLabel;
    prompt_->setWordWrap(true);

    auto* label = new QLabel(WithMnemonic(strings::kPathLabel, QLatin1Char('P')));
    pathEdit_ = new QLineEdit;
    pathEdit_->setObjectName(QStringLiteral("path"));
    label->setBuddy(pathEdit_);
    browse_ = new QPushButton(WithMnemonic(strings::kBrowse, QLatin1Char('r')));
    browse_->setAutoDefault(false);
    browse_->setObjectName(QStringLiteral("browse"));
    connect(browse_, &QPushButton::clicked, this, &CMyPropertyPage3::OnBrowse);

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(pathEdit_, 1);
    row->addWidget(browse_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt_);
    layout->addSpacing(12);
    layout->addLayout(row);
    layout->addStretch();
}

std::string CMyPropertyPage3::ReadPath() const {
    return pathEdit_->text().toLatin1().toStdString();
}

void CMyPropertyPage3::OnSetActive() {
    path_ = State().BackupFolder;
    const bool backup = State().WizardMode == session::WizardMode::Backup;
    prompt_->setText(QString::fromLatin1(backup ? strings::kFolderPromptBackup
                                                : strings::kFolderPromptRestore));
    pathEdit_->setText(QString::fromLatin1(path_));
}

void CMyPropertyPage3::OnBrowse() {
    path_ = ReadPath();
    const bool backup = State().WizardMode == session::WizardMode::Backup;
    const QString title =
        QString::fromLatin1(backup ? strings::kBrowseTitleBackup : strings::kBrowseTitleRestore);
    BrowseResult result = BrowseForFolder(context_.services, title, path_, this);
    if (!result.dosPath.empty()) {
        path_ = result.dosPath;
    } else if (!result.unixPath.isEmpty()) {
        MessageBox(this, QString::asprintf(strings::kFolderOnNoDrive,
                                           result.unixPath.toLocal8Bit().constData()),
                   QMessageBox::Ok, QMessageBox::Critical);
    }
    pathEdit_->setText(QString::fromLatin1(path_));
}

int CMyPropertyPage3::OnWizardNext() {
    path_ = ReadPath();
    State().BackupFolder = path_;
    if (State().WizardMode == session::WizardMode::Backup) {
        // Backing up from a Windows disk: its drive C: is only read, and a
        // backup folder there could never be written.
        if (context_.services.windowsDisk && OnTheWindowsDisk(context_.services, path_)) {
            MessageBox(this, QString::asprintf(strings::kFolderOnTheDisk, path_.c_str()),
                       QMessageBox::Ok, QMessageBox::Critical);
            return -1;
        }
        if (session::EntryFound(path_)) return 0;
        const QString question = QString::asprintf(strings::kFolderDoesNotExist, path_.c_str());
        if (MessageBox(this, question, QMessageBox::Yes | QMessageBox::No,
                       QMessageBox::Question) != QMessageBox::Yes) {
            MessageBox(this, QString::fromLatin1(strings::kSupplyValidPath), QMessageBox::Ok,
                       QMessageBox::Critical);
            return -1;
        }
        if (session::CreateFolderPath(path_) != 0) {
            MessageBox(this, QString::fromLatin1(strings::kErrorCreatingDirectory),
                       QMessageBox::Ok, QMessageBox::Critical);
            return -1;
        }
        return 0;
    }
    if (context_.services.kernel.DoesPathContainSLFiles(path_.c_str()) != 0) return 0;
    MessageBox(this, QString::fromLatin1(strings::kNoBackupFiles), QMessageBox::Ok,
               QMessageBox::Critical);
    return -1;
}

int CMyPropertyPage3::OnWizardBack() {
    if (State().WizardMode == session::WizardMode::Restore || State().BackupOption == 1) return 0;
    return kBackupOptionPage;
}

}  // namespace sl::wizard
