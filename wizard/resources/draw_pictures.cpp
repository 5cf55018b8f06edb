// Draws the program's pictures: the icon (icon.png, 64x64, and icon@2x.png)
// and the picture of the welcome and finish pages (welcome.png, 164x314, and
// welcome@2x.png for screens scaled by 2). Run once with the output folder as
// argument; the PNG files it writes are kept in the repository and compiled
// into the program (stowlark.qrc). The icon's scalable form, stowlark.svg,
// draws the same picture.
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

namespace {

// A small bird in flight (the lark), centred on (0, 0), about 2 units wide.
QPainterPath Bird() {
    QPainterPath path;
    path.moveTo(-1.0, -0.15);
    path.cubicTo(-0.6, -0.55, -0.25, -0.45, 0.0, 0.05);
    path.cubicTo(0.25, -0.45, 0.6, -0.55, 1.0, -0.15);
    path.cubicTo(0.55, -0.3, 0.25, -0.1, 0.0, 0.3);
    path.cubicTo(-0.25, -0.1, -0.55, -0.3, -1.0, -0.15);
    return path;
}

// A storage box: a front face and a lid.
void DrawBox(QPainter& painter, const QRectF& front, const QColor& colour) {
    painter.setPen(QPen(colour.darker(150), 2));
    painter.setBrush(colour);
    painter.drawRoundedRect(front, 3, 3);
    QRectF lid(front.left() - 4, front.top() - front.height() * 0.22, front.width() + 8,
               front.height() * 0.26);
    painter.setBrush(colour.lighter(115));
    painter.drawRoundedRect(lid, 3, 3);
    painter.setPen(QPen(colour.darker(170), 3, Qt::SolidLine, Qt::RoundCap));
    const double y = front.top() + front.height() * 0.35;
    painter.drawLine(QPointF(front.center().x() - front.width() * 0.15, y),
                     QPointF(front.center().x() + front.width() * 0.15, y));
}

QImage DrawIcon(int scale) {
    QImage image(64 * scale, 64 * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    QLinearGradient sky(0, 0, 0, 64);
    sky.setColorAt(0, QColor(0x3a, 0x7b, 0xd5));
    sky.setColorAt(1, QColor(0x1c, 0x3f, 0x7a));
    painter.setPen(Qt::NoPen);
    painter.setBrush(sky);
    painter.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    DrawBox(painter, QRectF(14, 34, 36, 22), QColor(0xe8, 0xb0, 0x4a));
    painter.translate(32, 18);
    painter.scale(17, 17);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawPath(Bird());
    return image;
}

QImage DrawWelcome(int scale) {
    QImage image(164 * scale, 314 * scale, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    QLinearGradient sky(0, 0, 0, 314);
    sky.setColorAt(0, QColor(0x2d, 0x6c, 0xc8));
    sky.setColorAt(0.65, QColor(0x7f, 0xb4, 0xe8));
    sky.setColorAt(1, QColor(0xd9, 0xea, 0xf7));
    painter.fillRect(QRectF(0, 0, 164, 314), sky);

    QRadialGradient sun(QPointF(122, 52), 40);
    sun.setColorAt(0, QColor(255, 244, 200, 230));
    sun.setColorAt(1, QColor(255, 244, 200, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(sun);
    painter.drawEllipse(QPointF(122, 52), 40, 40);

    // Hills and the boxes the settings are stowed in.
    painter.setBrush(QColor(0x5d, 0x9c, 0x59));
    QPainterPath hills;
    hills.moveTo(0, 250);
    hills.cubicTo(40, 226, 90, 236, 164, 216);
    hills.lineTo(164, 314);
    hills.lineTo(0, 314);
    painter.drawPath(hills);
    DrawBox(painter, QRectF(26, 238, 54, 36), QColor(0xe8, 0xb0, 0x4a));
    DrawBox(painter, QRectF(88, 250, 44, 30), QColor(0xd9, 0x8c, 0x3a));

    // Larks carrying the settings away and back.
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    const struct { double x, y, size; } birds[] = {
        {58, 92, 22}, {104, 128, 15}, {44, 150, 11}, {120, 176, 9}};
    for (const auto& bird : birds) {
        painter.save();
        painter.translate(bird.x, bird.y);
        painter.scale(bird.size, bird.size);
        painter.drawPath(Bird());
        painter.restore();
    }
    // A dotted flight path from the boxes up to the birds.
    painter.setPen(QPen(QColor(255, 255, 255, 170), 2, Qt::DotLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    QPainterPath flight;
    flight.moveTo(53, 226);
    flight.cubicTo(20, 190, 90, 170, 58, 104);
    painter.drawPath(flight);
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    bool ok = DrawIcon(1).save(folder + QStringLiteral("/icon.png"));
    ok = DrawIcon(2).save(folder + QStringLiteral("/icon@2x.png")) && ok;
    ok = DrawWelcome(1).save(folder + QStringLiteral("/welcome.png")) && ok;
    ok = DrawWelcome(2).save(folder + QStringLiteral("/welcome@2x.png")) && ok;
    return ok ? 0 : 1;
}
