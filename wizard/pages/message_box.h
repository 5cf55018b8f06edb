// Every message box of the program goes through MessageBox(), captioned
// "Quendara Stowlark". Tests answer them by installing their own function
// with SetMessageBoxFunction(); the default shows a modal QMessageBox.
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

namespace sl::wizard {

struct MessageRequest {
    QWidget* parent = nullptr;
    QString caption;
    QString text;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::Icon icon = QMessageBox::Warning;
};

using MessageBoxFunction = std::function<QMessageBox::StandardButton(const MessageRequest&)>;

// Shows text with the buttons and icon given; returns the button pressed
// (the escape button when the box is closed).
QMessageBox::StandardButton MessageBox(QWidget* parent, const QString& text,
                                       QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                       QMessageBox::Icon icon = QMessageBox::Warning);
// The same with another caption (the About box).
QMessageBox::StandardButton MessageBoxCaptioned(QWidget* parent, const QString& caption,
                                                const QString& text,
                                                QMessageBox::StandardButtons buttons,
                                                QMessageBox::Icon icon);

// Replaces the function that shows message boxes; an empty function brings
// back the real one. Returns the previous function (empty for the real one).
MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction function);

}  // namespace sl::wizard
