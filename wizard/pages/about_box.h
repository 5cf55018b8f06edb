// The About box: the program's name and version.
#pragma once

#include <QString>

class QWidget;

namespace sl::wizard {

// The program's version ("0.1.0").
QString ProgramVersion();
void ShowAboutBox(QWidget* parent);

}  // namespace sl::wizard
