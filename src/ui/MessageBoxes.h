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
