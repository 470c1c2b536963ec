// Message boxes of the program: the application name that captions them, and the mapping of our
// icons onto Qt's.
#pragma once

#include <QMessageBox>
#include <QString>

#include "platform/MessagePresenter.h"

// The base name of the executable (no folder, no extension), as the application message boxes
// and the settings store are named.
QString ApplicationName();

QMessageBox::Icon ToQtIcon(MessageIcon icon);

// A box with one OK button, at least as wide as its caption needs in the window's title bar
// beside the title bar's icon and buttons (Qt sizes a box by its text only, so a short message
// squeezes its title to "P…el"). The caller shows it and owns it.
QMessageBox* NewMessageBox(MessageIcon icon, const QString& caption, const QString& text, QWidget* parent);

// The width a box needs for its caption: the title in bold with room for the title bar's icon and
// buttons, at most three quarters of the screen.
int TitleWidth(const QWidget& window);
