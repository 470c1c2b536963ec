#include "app/SerialDeviceList.h"

#include <QDir>
#include <QFile>
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
