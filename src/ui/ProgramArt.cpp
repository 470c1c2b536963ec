#include "ui/ProgramArt.h"

#include <QFont>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor DeepBlue(0x1d, 0x3f, 0x72);
const QColor MidBlue(0x2f, 0x6d, 0xb5);
const QColor Steel(0xd9, 0xe1, 0xea);
const QColor SignalGreen(0x3c, 0xb3, 0x4a);

// A telephone handset fitted into box, drawn as a thick arc with an ear and a mouth piece.
void DrawHandset(QPainter& painter, const QRectF& box, const QColor& colour)
{
    painter.save();
    painter.translate(box.center());
    qreal s = std::min(box.width(), box.height()) / 2.0;
    painter.rotate(-35);
    QPen pen(colour, s * 0.32, Qt::SolidLine, Qt::RoundCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    QRectF arc(-s * 0.75, -s * 0.55, s * 1.5, s * 1.4);
    painter.drawArc(arc, 30 * 16, 120 * 16);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawRoundedRect(QRectF(-s * 0.95, -s * 0.45, s * 0.5, s * 0.42), s * 0.12, s * 0.12);
    painter.drawRoundedRect(QRectF(s * 0.45, -s * 0.45, s * 0.5, s * 0.42), s * 0.12, s * 0.12);
    painter.restore();
}

// Lift doors: a frame with two leaves and a gap, filling box.
void DrawLiftDoors(QPainter& painter, const QRectF& box)
{
    painter.setPen(QPen(DeepBlue, std::max(1.0, box.width() * 0.04)));
    painter.setBrush(Steel);
    painter.drawRect(box);
    qreal gap = box.width() * 0.04;
    QRectF left(box.left() + gap, box.top() + gap, box.width() / 2 - 1.5 * gap, box.height() - 2 * gap);
    QRectF right(box.center().x() + gap / 2, box.top() + gap, box.width() / 2 - 1.5 * gap, box.height() - 2 * gap);
    painter.setPen(QPen(MidBlue, std::max(1.0, box.width() * 0.02)));
    painter.setBrush(Qt::white);
    painter.drawRect(left);
    painter.drawRect(right);
}

} // namespace

QPixmap DrawLogo(const QSize& size, qreal devicePixelRatio)
{
    QSize device = (QSizeF(size) * devicePixelRatio).toSize();
    QPixmap pixmap(device.isEmpty() ? QSize(1, 1) : device);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    if (size.isEmpty())
        return pixmap;

    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QRectF area(0.5, 0.5, size.width() - 1.0, size.height() - 1.0);

    QLinearGradient background(area.topLeft(), area.bottomLeft());
    background.setColorAt(0, MidBlue);
    background.setColorAt(1, DeepBlue);
    painter.setPen(Qt::NoPen);
    painter.setBrush(background);
    painter.drawRoundedRect(area, area.height() * 0.12, area.height() * 0.12);

    // The lift car on the left, with a green handset in front of its doors.
    qreal margin = area.height() * 0.14;
    QRectF car(area.left() + margin, area.top() + margin, area.height() * 0.62, area.height() - 2 * margin);
    DrawLiftDoors(painter, car);
    QRectF phone(car.center().x() - car.width() * 0.32, car.center().y() - car.width() * 0.25, car.width() * 0.64,
                 car.width() * 0.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 230));
    painter.drawEllipse(
        phone.adjusted(-phone.width() * 0.1, -phone.height() * 0.3, phone.width() * 0.1, phone.height() * 0.3));
    DrawHandset(painter, phone, SignalGreen);

    // Three sound waves and the name on the right.
    QRectF text(car.right() + margin, area.top(), area.right() - car.right() - 1.5 * margin, area.height());
    painter.setPen(QPen(Qt::white, std::max(1.0, area.height() * 0.03), Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    for (int wave = 1; wave <= 3; ++wave) {
        qreal r = area.height() * 0.07 * wave;
        QPointF c(car.right() + margin * 0.2, car.top() + margin * 0.6);
        painter.drawArc(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), -20 * 16, 70 * 16);
    }
    // The name as large as fits, and a line under it.
    QFont font;
    font.setBold(true);
    int pixels = std::max(6, static_cast<int>(area.height() * 0.34));
    font.setPixelSize(pixels);
    while (pixels > 6 && QFontMetrics(font).horizontalAdvance(QStringLiteral("Pravel")) > text.width()) {
        font.setPixelSize(--pixels);
    }
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(text.adjusted(0, 0, 0, -area.height() * 0.12), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Pravel"));
    QFont small = font;
    small.setBold(false);
    int smallPixels = std::max(5, static_cast<int>(area.height() * 0.12));
    small.setPixelSize(smallPixels);
    while (smallPixels > 5 &&
           QFontMetrics(small).horizontalAdvance(QStringLiteral("lift phone programming")) > text.width()) {
        small.setPixelSize(--smallPixels);
    }
    painter.setFont(small);
    painter.setPen(Steel);
    painter.drawText(text.adjusted(0, area.height() * 0.40, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("lift phone programming"));
    return pixmap;
}

QImage LogoBitmap(const QSize& size, const QColor& face)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(face);
    QPainter painter(&image);
    painter.drawPixmap(0, 0, DrawLogo(size));
    painter.end();
    return image.convertToFormat(QImage::Format_RGB888);
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (int side : {16, 24, 32, 48, 64, 128}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        QRectF tile(0.5, 0.5, side - 1.0, side - 1.0);
        QLinearGradient background(tile.topLeft(), tile.bottomLeft());
        background.setColorAt(0, MidBlue);
        background.setColorAt(1, DeepBlue);
        painter.setPen(Qt::NoPen);
        painter.setBrush(background);
        painter.drawRoundedRect(tile, side * 0.18, side * 0.18);
        QRectF doors(side * 0.2, side * 0.14, side * 0.6, side * 0.72);
        DrawLiftDoors(painter, doors);
        DrawHandset(painter, QRectF(side * 0.22, side * 0.34, side * 0.56, side * 0.36), SignalGreen);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
