#include "ui/DialogUnits.h"

#include <QFontMetrics>

namespace {

// a * b / c rounded to the nearest integer, halves away from zero.
int MulDiv(int a, int b, int c)
{
    long long product = static_cast<long long>(a) * b;
    long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

} // namespace

DialogBaseUnits MeasureBaseUnits(const QFont& font)
{
    QFontMetrics metrics(font);
    int width = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    DialogBaseUnits units;
    units.charWidth = (width / 26 + 1) / 2;
    units.charHeight = metrics.height();
    if (units.charWidth < 1)
        units.charWidth = 1;
    if (units.charHeight < 1)
        units.charHeight = 1;
    return units;
}

int HorizontalUnitsToPixels(const DialogBaseUnits& units, int x)
{
    return MulDiv(x, units.charWidth, 4);
}

int VerticalUnitsToPixels(const DialogBaseUnits& units, int y)
{
    return MulDiv(y, units.charHeight, 8);
}

QRect DialogUnitsToPixels(const DialogBaseUnits& units, int x, int y, int width, int height)
{
    int left = HorizontalUnitsToPixels(units, x);
    int top = VerticalUnitsToPixels(units, y);
    int right = HorizontalUnitsToPixels(units, x + width);
    int bottom = VerticalUnitsToPixels(units, y + height);
    return QRect(left, top, right - left, bottom - top);
}
