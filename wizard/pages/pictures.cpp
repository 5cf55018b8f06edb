#include "wizard/pages/pictures.h"

#include <QImageReader>

namespace sl::wizard {

QIcon ProgramIcon() {
    QIcon icon;
    if (QImageReader::supportedImageFormats().contains("svg")) {
        icon.addFile(QStringLiteral(":/stowlark/stowlark.svg"));
    }
    icon.addFile(QStringLiteral(":/stowlark/icon.png"), QSize(64, 64));
    icon.addFile(QStringLiteral(":/stowlark/icon@2x.png"), QSize(128, 128));
    return icon;
}

QPixmap WelcomePicture(qreal devicePixelRatio) {
    if (devicePixelRatio >= 1.5) {
        QPixmap sharp(QStringLiteral(":/stowlark/welcome@2x.png"));
        sharp.setDevicePixelRatio(2.0);
        return sharp;
    }
    return QPixmap(QStringLiteral(":/stowlark/welcome.png"));
}

}  // namespace sl::wizard
