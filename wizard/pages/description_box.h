// The "Description" box of the pages that offer a choice: a group holding a
// word-wrapped label, aligned top left, that tells what the chosen entry does.
#pragma once

class QGroupBox;
class QLabel;
class QWidget;

namespace sl::wizard {

// The group; *label gets its label (empty, at least minimumHeight pixels
// high), which the page fills as the choice changes.
QGroupBox* MakeDescriptionBox(int minimumHeight, QLabel** label);

// Lays out a page of one choice: the text, a small gap, the group of
// choices, the description box, and the space left below them.
void LayOutChoicePage(QWidget* page, QLabel* text, QGroupBox* choices, QGroupBox* description);

}  // namespace sl::wizard
