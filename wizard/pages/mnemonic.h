// Keyboard mnemonics: the program's texts are kept as the user reads them,
// and the underlined letter (Alt+letter) is marked where a control is made.
#pragma once

#include <QString>

namespace sl::wizard {

// text with "&" before the first occurrence of letter (exact case); text
// unchanged when it has no such letter.
inline QString WithMnemonic(const char* text, QChar letter) {
    QString result = QString::fromLatin1(text);
    const qsizetype at = result.indexOf(letter);
    if (at >= 0) result.insert(at, QLatin1Char('&'));
    return result;
}

// A control's text as shown, without its mnemonic mark.
inline QString WithoutMnemonic(QString text) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return text;
}

}  // namespace sl::wizard
