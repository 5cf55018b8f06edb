#include "wizard/pages/visible_indicators.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOption>

namespace sl::wizard {

void VisibleIndicatorStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                          QPainter* painter, const QWidget* widget) const {
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    const bool indicator = element == PE_IndicatorCheckBox ||
                           element == PE_IndicatorItemViewItemCheck ||
                           element == PE_IndicatorRadioButton;
    if (!indicator || option == nullptr) return;
    if (option->palette.color(QPalette::Base).lightness() >= 128) return;
    QColor outline = option->palette.color(QPalette::Text);
    if (!(option->state & State_Enabled)) outline.setAlpha(110);
    painter->save();
    painter->setPen(QPen(outline, 1));
    painter->setBrush(Qt::NoBrush);
    if (element == PE_IndicatorRadioButton) {
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->drawEllipse(QRectF(option->rect).adjusted(1, 1, -1, -1));
    } else {
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}

void UseVisibleIndicators() {
    if (qobject_cast<VisibleIndicatorStyle*>(QApplication::style()) != nullptr) return;
    // The proxy takes the style it wraps from the default one.
    QApplication::setStyle(new VisibleIndicatorStyle);
}

}  // namespace sl::wizard
