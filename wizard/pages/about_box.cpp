#include "wizard/pages/about_box.h"

#include "wizard/pages/message_box.h"
#include "wizard/resources/strings.h"

namespace sl::wizard {

QString ProgramVersion() { return QStringLiteral(SL_VERSION); }

void ShowAboutBox(QWidget* parent) {
    MessageBoxCaptioned(parent, QString::fromLatin1(strings::kAboutTitle),
                        QString::asprintf(strings::kAboutText, SL_VERSION), QMessageBox::Ok,
                        QMessageBox::Information);
}

}  // namespace sl::wizard
