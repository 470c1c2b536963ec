// Dialog units: positions and sizes in our dialog templates are given in units of the dialog
// font, a quarter of its average character width horizontally and an eighth of its height
// vertically, so that a dialog keeps its proportions whatever font the desktop uses.
#pragma once

#include <QFont>
#include <QRect>

struct DialogBaseUnits {
    int charWidth = 0;  // average character width in pixels
    int charHeight = 0; // character cell height in pixels
};

// The base units of a font, measured as the classic dialog manager does: the width of the 52
// letters A-Z and a-z, halved and rounded, over 26; the height of the font's line.
DialogBaseUnits MeasureBaseUnits(const QFont& font);

// Converts a rectangle in dialog units to pixels: x * charWidth / 4, y * charHeight / 8, rounded.
QRect DialogUnitsToPixels(const DialogBaseUnits& units, int x, int y, int width, int height);
int HorizontalUnitsToPixels(const DialogBaseUnits& units, int x);
int VerticalUnitsToPixels(const DialogBaseUnits& units, int y);
