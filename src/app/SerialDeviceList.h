// The serial devices present on this machine, for the port selection dialog: /dev/ttyS* (only
// those with a port behind them), /dev/ttyUSB*, /dev/ttyACM* in natural order, then the stable
// names under /dev/serial/by-id.
#pragma once

#include <QString>
#include <QStringList>

QStringList ListSerialDevices(const QString& deviceRoot = QStringLiteral("/dev"),
                              const QString& sysTtyRoot = QStringLiteral("/sys/class/tty"));

// The pseudo-terminals of the simulators running now: for every process named "pravel-sim" whose
// file descriptors we may read, the /dev/pts/N it holds open (past its standard input, output
// and error, which may be the terminal it was started from), and the N of each /dev/ptmx it holds
// (the "tty-index" of the descriptor). Sorted, each once.
QStringList ListSimulatorPorts(const QString& procRoot = QStringLiteral("/proc"));

// What the port dialog offers beside the COM names: the serial devices, then the simulators'
// ports not among them.
QStringList ListPortsAndSimulators();
