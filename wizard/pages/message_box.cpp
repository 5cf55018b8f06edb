#include "wizard/pages/message_box.h"

#include "wizard/pages/pictures.h"
#include "wizard/resources/strings.h"

namespace sl::wizard {
namespace {

MessageBoxFunction& Installed() {
    static MessageBoxFunction function;
    return function;
}

QMessageBox::StandardButton ShowReal(const MessageRequest& request) {
    QMessageBox box(request.icon, request.caption, request.text, request.buttons, request.parent);
    box.setWindowIcon(ProgramIcon());
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

QMessageBox::StandardButton MessageBoxCaptioned(QWidget* parent, const QString& caption,
                                                const QString& text,
                                                QMessageBox::StandardButtons buttons,
                                                QMessageBox::Icon icon) {
    MessageRequest request{parent, caption, text, buttons, icon};
    if (Installed()) return Installed()(request);
    return ShowReal(request);
}

QMessageBox::StandardButton MessageBox(QWidget* parent, const QString& text,
                                       QMessageBox::StandardButtons buttons,
                                       QMessageBox::Icon icon) {
    return MessageBoxCaptioned(parent, QString::fromLatin1(strings::kCaption), text, buttons,
                               icon);
}

MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction function) {
    MessageBoxFunction previous = std::move(Installed());
    Installed() = std::move(function);
    return previous;
}

}  // namespace sl::wizard
