#include "app/SerialDeviceList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace {

// ttyUSB2 before ttyUSB10: the name without its trailing number, then the number.
bool NaturalLess(const QString& a, const QString& b)
{
    auto split = [](const QString& name) {
        qsizetype end = name.size();
        qsizetype start = end;
        while (start > 0 && name[start - 1].isDigit())
            --start;
        return std::make_pair(name.left(start), start < end ? name.mid(start).toLongLong() : -1LL);
    };
    return split(a) < split(b);
}

// A ttyS node exists for every possible legacy port; sysfs says whether there is a UART behind it
// (type 0 is none). When sysfs cannot tell, the node is listed.
bool HasLegacyPort(const QString& sysTtyRoot, const QString& name)
{
    QFile type(sysTtyRoot + QLatin1Char('/') + name + QStringLiteral("/type"));
    if (!type.open(QIODevice::ReadOnly))
        return true;
    return type.readAll().trimmed() != "0";
}

} // namespace

QStringList ListSerialDevices(const QString& deviceRoot, const QString& sysTtyRoot)
{
    QStringList devices;
    QDir dev(deviceRoot);
    for (const char* pattern : {"ttyS*", "ttyUSB*", "ttyACM*"}) {
        QStringList names =
            dev.entryList({QString::fromLatin1(pattern)}, QDir::System | QDir::Files | QDir::NoDotAndDotDot);
        std::sort(names.begin(), names.end(), NaturalLess);
        for (const QString& name : names) {
            if (name.startsWith(QStringLiteral("ttyS")) && !HasLegacyPort(sysTtyRoot, name))
                continue;
            devices.append(dev.filePath(name));
        }
    }
    QDir byId(dev.filePath(QStringLiteral("serial/by-id")));
    QStringList ids = byId.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : ids)
        devices.append(byId.filePath(name));
    return devices;
}

QStringList ListSimulatorPorts(const QString& procRoot)
{
    static const QRegularExpression ptsPath(QStringLiteral("^/dev/pts/\\d+$"));
    static const QRegularExpression ttyIndex(QStringLiteral("(?:^|\\n)tty-index:\\s*(\\d+)"));
    QStringList ports;
    QDir proc(procRoot);
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool isNumber = false;
        pid.toLongLong(&isNumber);
        if (!isNumber)
            continue;
        QFile comm(proc.filePath(pid + QStringLiteral("/comm")));
        if (!comm.open(QIODevice::ReadOnly) || comm.readAll().trimmed() != "pravel-sim")
            continue;
        QDir fds(proc.filePath(pid + QStringLiteral("/fd")));
        for (const QString& fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
            if (fd == QStringLiteral("0") || fd == QStringLiteral("1") || fd == QStringLiteral("2"))
                continue;
            QString target = QFileInfo(fds.filePath(fd)).symLinkTarget();
            if (ptsPath.match(target).hasMatch()) {
                ports.append(target);
            } else if (target == QStringLiteral("/dev/ptmx") || target == QStringLiteral("/dev/pts/ptmx")) {
                QFile info(proc.filePath(pid + QStringLiteral("/fdinfo/") + fd));
                if (!info.open(QIODevice::ReadOnly))
                    continue;
                QRegularExpressionMatch index = ttyIndex.match(QString::fromLatin1(info.readAll()));
                if (index.hasMatch())
                    ports.append(QStringLiteral("/dev/pts/") + index.captured(1));
            }
        }
    }
    std::sort(ports.begin(), ports.end(), NaturalLess);
    ports.erase(std::unique(ports.begin(), ports.end()), ports.end());
    return ports;
}

QStringList ListPortsAndSimulators()
{
    QStringList devices = ListSerialDevices();
    for (const QString& port : ListSimulatorPorts())
        if (!devices.contains(port))
            devices.append(port);
    return devices;
}
