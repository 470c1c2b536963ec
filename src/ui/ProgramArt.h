// The program's pictures, drawn in code: the logo of the main dialog and the window icon.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

// The logo at the given size in device-independent pixels: a lift car with a telephone handset
// and the program's name.
QPixmap DrawLogo(const QSize& size, qreal devicePixelRatio = 1.0);

// The program icon (lift doors and a handset on a blue tile) in the usual icon sizes.
QIcon ProgramIcon();
