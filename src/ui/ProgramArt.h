// The program's pictures, drawn in code: the logo of the main dialog and the window icon.
#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSize>

// The logo at the given size in device-independent pixels: a lift car with a telephone handset
// and the program's name.
QPixmap DrawLogo(const QSize& size, qreal devicePixelRatio = 1.0);

// The logo as the Windows dialog's bitmap resource shows it: laid on the dialog's face colour (a
// dialog bitmap has no transparency), 24 bits a pixel.
QImage LogoBitmap(const QSize& size, const QColor& face);

// The program icon (lift doors and a handset on a blue tile) in the usual icon sizes.
QIcon ProgramIcon();
