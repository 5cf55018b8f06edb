// Check boxes and radio buttons that stay visible on a dark base. Styles
// draw an indicator's frame a shade off the window colour, which all but
// vanishes when a dark desktop theme gives the program a dark palette; this
// style outlines the indicators in the text colour on a dark base and draws
// everything else as the style it wraps does.
#pragma once

#include <QProxyStyle>

namespace sl::wizard {

class VisibleIndicatorStyle : public QProxyStyle {
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
};

// Makes the application's style a VisibleIndicatorStyle over the style it
// has; call once the application object exists.
void UseVisibleIndicators();

}  // namespace sl::wizard
