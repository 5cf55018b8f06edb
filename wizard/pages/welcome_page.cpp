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
    auto* prefixLayout = new QHBoxLayout(prefixGroup);
    prefixLayout->addWidget(prefixLabel_, 1);
    prefixLayout->addWidget(changePrefix_, 0, Qt::AlignTop);
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

void CMyPropertyPage9::OnSetActive() {
    (choice_ == 0 ? backup_ : restore_)->setChecked(true);
    if (CMyPropertySheet* sheet = Sheet()) sheet->SetWizardButtons(kWizardNext);
}

void CMyPropertyPage9::OnKillActive() {
    if (CMyPropertySheet* sheet = Sheet()) sheet->SetWizardButtons(kWizardBack | kWizardNext);
}

int CMyPropertyPage9::OnWizardNext() {
    if (context_.services.prefixPath.empty()) {
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

}  // namespace sl::wizard
