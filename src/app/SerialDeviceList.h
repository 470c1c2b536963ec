// The serial devices present on this machine, for the port selection dialog: /dev/ttyS* (only
// those with a port behind them), /dev/ttyUSB*, /dev/ttyACM* in natural order, then the stable
// names under /dev/serial/by-id.
#pragma once

#include <QString>
#include <QStringList>

QStringList ListSerialDevices(const QString& deviceRoot = QStringLiteral("/dev"),
                              const QString& sysTtyRoot = QStringLiteral("/sys/class/tty"));
