#include "wizard/pages/description_box.h"

#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "wizard/resources/strings.h"

namespace sl::wizard {

QGroupBox* MakeDescriptionBox(int minimumHeight, QLabel** label) {
    auto* group = new QGroupBox(QString::fromLatin1(strings::kDescription));
    auto* description = new QLabel;
    description->setWordWrap(true);
    description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    description->setMinimumHeight(minimumHeight);
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(description);
    *label = description;
    return group;
}

void LayOutChoicePage(QWidget* page, QLabel* text, QGroupBox* choices, QGroupBox* description) {
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(text);
    layout->addSpacing(8);
    layout->addWidget(choices);
    layout->addWidget(description);
    layout->addStretch();
}

}  // namespace sl::wizard
