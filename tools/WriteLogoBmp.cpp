// pravel-logo-writer: writes the main dialog's logo as the Windows dialog's bitmap resource
// (src/winui/logo.bmp): the picture the Qt dialog draws, at the logo control's size in pixels at
// 96 dpi, laid on the dialog's face colour (a dialog bitmap has no transparency), 24 bits a pixel.
// Rewrite it with: cmake --build build --target rewrite_logo_bmp
//
//   pravel-logo-writer OUTPUT.bmp
#include <QColor>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>

#include "ui/ProgramArt.h"

namespace {

// The logo control is 95 x 53 dialog units; the dialog's font, "MS Sans Serif" 8 at 96 dpi, makes
// a dialog unit 7/4 pixels wide and 13/8 pixels high (as measured under Wine). The dialog scales
// the bitmap to the control's size where the font's units differ.
constexpr int LogoWidth = 95 * 7 / 4;
constexpr int LogoHeight = 53 * 13 / 8;
const QColor DialogFace(240, 240, 240);

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: pravel-logo-writer OUTPUT.bmp\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (!LogoBitmap(QSize(LogoWidth, LogoHeight), DialogFace).save(QString::fromLocal8Bit(argv[1]), "BMP")) {
        std::fprintf(stderr, "pravel-logo-writer: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
