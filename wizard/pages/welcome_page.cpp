#include "wizard/pages/welcome_page.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "wizard/pages/about_box.h"
#include "wizard/pages/message_box.h"
#include "wizard/pages/mnemonic.h"
#include "wizard/pages/pictures.h"
#include "wizard/pages/property_sheet.h"
#include "wizard/resources/strings.h"
#include "common/session/prefix_choice.h"
#include "common/session/prefix_files.h"
#include "common/session/prefix_paths.h"
#include "common/session/windows_disk.h"

namespace sl::wizard {

CMyPropertyPage9::CMyPropertyPage9(WizardContext& context, QWidget* parent)
    : CSheetPage(kWelcomePage, context, parent) {
    setPixmap(QWizard::WatermarkPixmap, WelcomePicture(qApp->devicePixelRatio()));

    auto* welcome = new QLabel(QString::fromLatin1(strings::kWelcomeLine));
    QFont font = welcome->font();
    font.setPointSizeF(font.pointSizeF() * 1.5);
    font.setBold(true);
    welcome->setFont(font);
    welcome->setWordWrap(true);

    auto* group = new QGroupBox(QString::fromLatin1(strings::kWelcomeGroup));
    auto* text = new QLabel(QString::fromLatin1(strings::kWelcomeText));
    text->setWordWrap(true);
    // Alt+B is the wizard's Back.
    backup_ = new QRadioButton(WithMnemonic(strings::kBackup, QLatin1Char('u')));
    restore_ = new QRadioButton(WithMnemonic(strings::kRestore, QLatin1Char('R')));
    backup_->setObjectName(QStringLiteral("backup"));
    restore_->setObjectName(QStringLiteral("restore"));
    auto* radios = new QButtonGroup(this);
    radios->addButton(backup_, 0);
    radios->addButton(restore_, 1);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(text);
    groupLayout->addSpacing(6);
    groupLayout->addWidget(backup_);
    groupLayout->addWidget(restore_);

    demoNote_ = new QLabel;
    demoNote_->setWordWrap(true);
    demoNote_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (context_.services.scratchDemo) {
        demoNote_->setText(QString::asprintf(strings::kDemoMachineNote,
                                             context_.services.prefixPath.c_str()));
        QFont italic = demoNote_->font();
        italic.setItalic(true);
        demoNote_->setFont(italic);
    } else {
        demoNote_->hide();
    }

    QGroupBox* prefixGroup = MakeMachineGroup();
    if (context_.services.findPrefixes) found_ = context_.services.findPrefixes();
    ShowPrefix();

    about_ = new QPushButton(WithMnemonic(strings::kAbout, QLatin1Char('A')));
    about_->setAutoDefault(false);
    about_->setObjectName(QStringLiteral("about"));
    connect(about_, &QPushButton::clicked, this, &CMyPropertyPage9::OnAbout);
    auto* aboutRow = new QHBoxLayout;
    aboutRow->addStretch();
    aboutRow->addWidget(about_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(welcome);
    layout->addSpacing(12);
    layout->addWidget(group);
    layout->addWidget(prefixGroup);
    layout->addWidget(demoNote_);
    layout->addStretch();
    layout->addLayout(aboutRow);
}

// The machine the wizard works on: the prefix (or Windows disk) named, and
// the buttons that choose another.
QGroupBox* CMyPropertyPage9::MakeMachineGroup() {
    auto* prefixGroup = new QGroupBox(QString::fromLatin1(strings::kPrefixGroup));
    prefixLabel_ = new QLabel;
    prefixLabel_->setObjectName(QStringLiteral("prefix"));
    prefixLabel_->setWordWrap(true);
    prefixLabel_->setTextFormat(Qt::PlainText);
    prefixLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    changePrefix_ = new QPushButton(WithMnemonic(strings::kPrefixChange, QLatin1Char('h')));
    changePrefix_->setAutoDefault(false);
    changePrefix_->setObjectName(QStringLiteral("changePrefix"));
    connect(changePrefix_, &QPushButton::clicked, this, &CMyPropertyPage9::OnChangePrefix);
    chooseDisk_ = new QPushButton(WithMnemonic(strings::kDiskChoose, QLatin1Char('W')));
    chooseDisk_->setAutoDefault(false);
    chooseDisk_->setObjectName(QStringLiteral("chooseWindowsDisk"));
    connect(chooseDisk_, &QPushButton::clicked, this, &CMyPropertyPage9::OnChooseWindowsDisk);
    diskNote_ = new QLabel(QString::fromLatin1(strings::kDiskRestoreNote));
    diskNote_->setObjectName(QStringLiteral("diskNote"));
    diskNote_->setWordWrap(true);
    diskNote_->hide();
    auto* prefixButtons = new QVBoxLayout;
    prefixButtons->addWidget(changePrefix_);
    prefixButtons->addWidget(chooseDisk_);
    prefixButtons->addStretch();
    auto* prefixRow = new QHBoxLayout;
    prefixRow->addWidget(prefixLabel_, 1);
    prefixRow->addLayout(prefixButtons);
    auto* prefixLayout = new QVBoxLayout(prefixGroup);
    prefixLayout->addLayout(prefixRow);
    prefixLayout->addWidget(diskNote_);
    return prefixGroup;
}

void CMyPropertyPage9::OnSetActive() {
    ShowMachineChoices();
    (choice_ == 0 ? backup_ : restore_)->setChecked(true);
    if (CMyPropertySheet* sheet = Sheet()) sheet->SetWizardButtons(kWizardNext);
}

void CMyPropertyPage9::OnKillActive() {
    if (CMyPropertySheet* sheet = Sheet()) sheet->SetWizardButtons(kWizardBack | kWizardNext);
}

int CMyPropertyPage9::OnWizardNext() {
    if (context_.services.prefixPath.empty() && !context_.services.windowsDisk) {
        MessageBox(this, QString::fromLatin1(strings::kChoosePrefixFirst));
        return -1;
    }
    choice_ = restore_->isChecked() ? 1 : 0;
    if (CMyPropertySheet* sheet = Sheet()) sheet->RebuildPages(choice_);
    State().WizardMode = static_cast<session::WizardMode>(choice_);
    State().BackupOption = -1;
    State().RestoreMode = session::RestoreMode::NotChosen;
    return 0;
}

void CMyPropertyPage9::OnAbout() { ShowAboutBox(this); }

void CMyPropertyPage9::ShowPrefix() {
    const WizardServices& services = context_.services;
    if (services.windowsDisk) {
        const session::WindowsDisk& disk = *services.windowsDisk;
        prefixLabel_->setText(QString::asprintf(
            strings::kDiskLabel, disk.root.c_str(),
            disk.profiles[static_cast<std::size_t>(disk.chosen)].name.c_str()));
        return;
    }
    if (services.prefixPath.empty()) {
        QString text = QString::fromLatin1(strings::kPrefixNone);
        if (!services.prefixProblem.empty()) {
            text += QLatin1Char('\n') + QString::fromStdString(services.prefixProblem);
        }
        prefixLabel_->setText(text);
        return;
    }
    const QString folder = QString::fromStdString(services.prefixPath);
    // The scratch copy of the demo machine has no name of its own (the note
    // below says what it is).
    const session::FoundPrefix* found =
        services.scratchDemo ? nullptr : session::FindPrefixByFolder(found_, services.prefixPath);
    if (found == nullptr) {
        prefixLabel_->setText(folder);
        return;
    }
    prefixLabel_->setText(QString::fromStdString(found->name + " (" + found->architecture + ")") +
                          QLatin1Char('\n') + folder);
}

void CMyPropertyPage9::OnChangePrefix() {
    WizardServices& services = context_.services;
    if (!services.choosePrefix) return;
    if (services.findPrefixes) found_ = services.findPrefixes();
    const std::string chosen = services.choosePrefix(this, found_, services.prefixPath);
    if (chosen.empty()) return;
    const std::string problem = session::PrefixProblem(chosen, "");
    if (!problem.empty()) {
        MessageBox(this, QString::fromStdString(problem));
        return;
    }
    const std::string folder = session::CanonicalFolder(chosen);
    if (folder.empty()) return;  // gone since it was looked at
    // The library takes the new prefix from its next call on.
    session::UsePrefix(folder);
    if (services.windowsDisk) {
        session::StopUsingWindowsDisk();
        services.windowsDisk.reset();
        ShowMachineChoices();
    }
    services.prefixPath = folder;
    services.prefixProblem.clear();
    if (services.scratchDemo) {
        services.scratchDemo = false;
        demoNote_->hide();
        if (CMyPropertySheet* sheet = Sheet()) {
            sheet->setWindowTitle(QString::fromLatin1(strings::kCaption));
        }
    }
    if (services.rememberPrefix) services.rememberPrefix(folder);
    ShowPrefix();
}

void CMyPropertyPage9::ShowMachineChoices() {
    const bool disk = static_cast<bool>(context_.services.windowsDisk);
    if (disk) {
        choice_ = 0;
        backup_->setChecked(true);
    }
    restore_->setEnabled(!disk);
    diskNote_->setVisible(disk);
    // The scratch demo machine is not what is worked on while a disk is.
    demoNote_->setVisible(!disk && context_.services.scratchDemo);
    if (context_.services.scratchDemo) {
        if (CMyPropertySheet* sheet = Sheet()) {
            sheet->setWindowTitle(QString::fromLatin1(strings::kCaption) +
                                  (disk ? QString() : QString::fromLatin1(strings::kDemoMachineTitle)));
        }
    }
}

void CMyPropertyPage9::OnChooseWindowsDisk() {
    WizardServices& services = context_.services;
    if (!services.chooseFolder) return;
    const QString start = services.windowsDisk
                              ? QString::fromStdString(services.windowsDisk->root)
                              : QString::fromLocal8Bit(qgetenv("HOME"));
    const QString chosen =
        services.chooseFolder(this, QString::fromLatin1(strings::kDiskFolderTitle), start);
    if (chosen.isEmpty()) return;
    const std::string dir = chosen.toStdString();
    // The messages are the command line's, which puts its name before them.
    auto refuse = [this](std::string message) {
        if (!message.empty() && message[0] >= 'a' && message[0] <= 'z') message[0] -= 'a' - 'A';
        MessageBox(this, QString::fromStdString(message));
    };
    session::WindowsDisk look = session::OpenWindowsDisk(dir, "", false);
    if (!look.error.empty()) return refuse(look.error);
    std::string user;
    if (look.profiles.size() > 1) {
        std::vector<std::string> names;
        for (const SLIWindowsProfile& profile : look.profiles) names.push_back(profile.name);
        const int row = services.chooseProfile
                            ? services.chooseProfile(this, QString::fromStdString(look.root),
                                                     names, look.byDefault)
                            : -1;
        if (row < 0 || row >= static_cast<int>(names.size())) return;
        user = names[static_cast<std::size_t>(row)];
    }
    // Again with the profile: its user hive is checked before it is taken.
    auto disk = std::make_shared<session::WindowsDisk>(session::OpenWindowsDisk(dir, user, true));
    if (!disk->error.empty()) return refuse(disk->error);
    // The libraries make the disk their machine from their next call on.
    session::UseWindowsDisk(*disk);
    services.windowsDisk = disk;
    // C: is the disk now, where nothing can be written: a backup folder
    // there moves to the same place in the user's home, on Z:.
    if (session::OnTheDisk(State().BackupFolder)) {
        const std::string home = QString::fromLocal8Bit(qgetenv("HOME")).toStdString();
        const std::string dos =
            session::PrefixDosPath(disk->drives->folder(), home + "/Stowlark/Settings");
        if (!dos.empty() && !session::OnTheDisk(dos)) State().BackupFolder = dos;
    }
    ShowMachineChoices();
    ShowPrefix();
}

}  // namespace sl::wizard
