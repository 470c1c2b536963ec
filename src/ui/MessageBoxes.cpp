#include "ui/MessageBoxes.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QScreen>
#include <QSpacerItem>
#include <algorithm>

namespace {

// Room beside the title, in text lines: the window icon and up to three buttons, each about a
// line and a half wide, and the frame.
const int TitleBarRoomInLines = 8;

} // namespace

QString ApplicationName()
{
    QString path = QCoreApplication::applicationFilePath();
    if (path.isEmpty())
        return QCoreApplication::applicationName();
    return QFileInfo(path).completeBaseName();
}

QMessageBox::Icon ToQtIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

int TitleWidth(const QWidget& window)
{
    QFont font = window.font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    int width = metrics.horizontalAdvance(window.windowTitle()) + TitleBarRoomInLines * metrics.height();
    if (const QScreen* screen = window.screen())
        width = std::min(width, screen->availableGeometry().width() * 3 / 4);
    return width;
}

QMessageBox* NewMessageBox(MessageIcon icon, const QString& caption, const QString& text, QWidget* parent)
{
    auto* box = new QMessageBox(ToQtIcon(icon), caption, text, QMessageBox::Ok, parent);
    // The box fixes its own size from its layout each time it is shown, so a minimum width set on
    // the box is lost; a spacer across the layout's columns is kept.
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
        const int margins = grid->contentsMargins().left() + grid->contentsMargins().right();
        const int width = std::max(TitleWidth(*box) - margins, 0);
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum), 0, 0, 1,
                      std::max(grid->columnCount(), 1));
    }
    return box;
}
