#include "app/AppSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {

QSettings OpenStore(const QString& applicationName)
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QString::fromLatin1(SettingsOrganisation),
                     applicationName);
}

} // namespace

CAppSettings::CAppSettings(const QString& applicationName) : m_applicationName(applicationName) {}

QString CAppSettings::StorePath() const
{
    return OpenStore(m_applicationName).fileName();
}

QString CAppSettings::ReadComPort() const
{
    QSettings store = OpenStore(m_applicationName);
    QFileInfo file(store.fileName());
    if (!file.exists()) {
        QDir().mkpath(file.absolutePath());
        QFile empty(file.absoluteFilePath());
        if (empty.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            empty.close();
    }
    QString name = store.value(QString::fromLatin1(ComPortValueName), QString::fromLatin1(DefaultComPort)).toString();
    if (name.isEmpty())
        name = QString::fromLatin1(DefaultComPort);
    return name;
}

bool CAppSettings::WriteComPort(const QString& name) const
{
    QSettings store = OpenStore(m_applicationName);
    store.setValue(QString::fromLatin1(ComPortValueName), name);
    store.sync();
    return store.status() == QSettings::NoError;
}

ModemProfile CAppSettings::ReadModemProfile() const
{
    const QString name = OpenStore(m_applicationName).value(QString::fromLatin1(ModemProfileValueName)).toString();
    return ParseModemProfile(name.toStdString()).value_or(ModemProfile::Auto);
}

QString CAppSettings::ReadModemTraceFile() const
{
    return OpenStore(m_applicationName).value(QString::fromLatin1(ModemTraceFileValueName)).toString();
}

bool CAppSettings::WriteModemTraceFile(const QString& path) const
{
    QSettings store = OpenStore(m_applicationName);
    store.setValue(QString::fromLatin1(ModemTraceFileValueName), path);
    store.sync();
    return store.status() == QSettings::NoError;
}

bool CAppSettings::WriteModemProfile(ModemProfile profile) const
{
    QSettings store = OpenStore(m_applicationName);
    store.setValue(QString::fromLatin1(ModemProfileValueName), QString::fromLatin1(ModemProfileName(profile)));
    store.sync();
    return store.status() == QSettings::NoError;
}

ModemCallSettings CAppSettings::ReadModemCallSettings() const
{
    const QSettings store = OpenStore(m_applicationName);
    return ModemCallSettingsFromStore(
        [&store](const char* name) { return store.value(QString::fromLatin1(name)).toString().toStdString(); });
}

bool CAppSettings::WriteModemCallSettings(const ModemCallSettings& settings) const
{
    QSettings store = OpenStore(m_applicationName);
    store.setValue(QString::fromLatin1(RingbackGapValueName), QString::number(settings.ringbackGapTenths));
    store.setValue(QString::fromLatin1(RingbackWaitValueName), QString::number(settings.ringbackWaitSeconds));
    store.setValue(QString::fromLatin1(ModemCountryValueName), QString::fromStdString(settings.country));
    store.sync();
    return store.status() == QSettings::NoError;
}
