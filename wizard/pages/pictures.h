// The program's icon and the picture of its welcome and finish pages, sharp
// on screens of any scale.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace sl::wizard {

// The window icon: the scalable stowlark.svg when this Qt can draw SVG, with
// the 64 and 128 pixel drawings of it for every other case.
QIcon ProgramIcon();

// The welcome picture for a screen of the given device pixel ratio: the
// drawing made for twice the size on a screen scaled by 1.5 or more.
QPixmap WelcomePicture(qreal devicePixelRatio);

}  // namespace sl::wizard
