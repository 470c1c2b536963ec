// The stored port name: the default on a first run (the store made, no value written), an empty
// value, a round trip, and names in other forms passed on unchanged. Also the serial device list.
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "app/AppSettings.h"
#include "app/SerialDeviceList.h"

class TestAppSettings : public QObject {
    Q_OBJECT
    QTemporaryDir m_store;

    static QSettings Raw(const QString& application)
    {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Velmora, Sweden"), application);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_store.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_store.path());
    }

    void firstRunGivesCom1AndWritesNothing()
    {
        CAppSettings settings(QStringLiteral("pravel-first"));
        QVERIFY(!QFile::exists(settings.StorePath()));
        QCOMPARE(settings.ReadComPort(), QStringLiteral("com1"));
        QVERIFY(settings.StorePath().startsWith(m_store.path()));
        QVERIFY(settings.StorePath().contains(QStringLiteral("Velmora, Sweden")));
        QVERIFY(QFile::exists(settings.StorePath()));
        QVERIFY(!Raw(QStringLiteral("pravel-first")).contains(QStringLiteral("ComPort")));
        QCOMPARE(QFileInfo(settings.StorePath()).size(), 0);
    }

    void anEmptyValueGivesCom1()
    {
        Raw(QStringLiteral("pravel-empty")).setValue(QStringLiteral("ComPort"), QString());
        QCOMPARE(CAppSettings(QStringLiteral("pravel-empty")).ReadComPort(), QStringLiteral("com1"));
    }

    void roundTripInTheTopSection()
    {
        CAppSettings settings(QStringLiteral("pravel-round"));
        QVERIFY(settings.WriteComPort(QStringLiteral("com3")));
        QCOMPARE(settings.ReadComPort(), QStringLiteral("com3"));
        QCOMPARE(Raw(QStringLiteral("pravel-round")).value(QStringLiteral("ComPort")).toString(),
                 QStringLiteral("com3"));
        QVERIFY(Raw(QStringLiteral("pravel-round")).childGroups().isEmpty());
        QVERIFY(settings.WriteComPort(QStringLiteral("/dev/ttyUSB0")));
        QCOMPARE(settings.ReadComPort(), QStringLiteral("/dev/ttyUSB0"));
    }

    void theModemProfileIsStoredByNameAndAutoByDefault()
    {
        CAppSettings settings(QStringLiteral("pravel-profile"));
        QCOMPARE(settings.ReadModemProfile(), ModemProfile::Auto);
        for (ModemProfile profile : {ModemProfile::V253, ModemProfile::Hash, ModemProfile::Auto}) {
            QVERIFY(settings.WriteModemProfile(profile));
            QCOMPARE(settings.ReadModemProfile(), profile);
            QCOMPARE(Raw(QStringLiteral("pravel-profile")).value(QStringLiteral("ModemProfile")).toString(),
                     QString::fromLatin1(ModemProfileName(profile)));
        }
        for (const char* stored : {"V253", "", "usr"}) {
            Raw(QStringLiteral("pravel-profile")).setValue(QStringLiteral("ModemProfile"), QString::fromLatin1(stored));
            QCOMPARE(settings.ReadModemProfile(), ModemProfile::Auto);
        }
    }

    void theModemTraceFileIsReadAsStoredAndNoneByDefault()
    {
        CAppSettings settings(QStringLiteral("pravel-trace"));
        QCOMPARE(settings.ReadModemTraceFile(), QString());
        Raw(QStringLiteral("pravel-trace")).setValue(QStringLiteral("ModemTraceFile"), QStringLiteral("/tmp/m.trace"));
        QCOMPARE(settings.ReadModemTraceFile(), QStringLiteral("/tmp/m.trace"));
        QVERIFY(settings.WriteModemTraceFile(QStringLiteral("/tmp/other.trace")));
        QCOMPARE(Raw(QStringLiteral("pravel-trace")).value(QStringLiteral("ModemTraceFile")).toString(),
                 QStringLiteral("/tmp/other.trace"));
        QVERIFY(settings.WriteModemTraceFile(QString()));
        QCOMPARE(settings.ReadModemTraceFile(), QString());
    }

    void otherFormsPassUnchanged()
    {
        for (const QString& name : {QStringLiteral("COM3"), QStringLiteral("com17"), QStringLiteral("x")}) {
            Raw(QStringLiteral("pravel-forms")).setValue(QStringLiteral("ComPort"), name);
            QCOMPARE(CAppSettings(QStringLiteral("pravel-forms")).ReadComPort(), name);
        }
    }

    void serialDevicesInNaturalOrder()
    {
        QTemporaryDir dev;
        QTemporaryDir sys;
        QDir root(dev.path());
        QVERIFY(root.mkpath(QStringLiteral("serial/by-id")));
        for (const char* name : {"ttyS0", "ttyS1", "ttyS10", "ttyUSB10", "ttyUSB2", "ttyACM0", "tty0", "null",
                                 "serial/by-id/usb-Modem_1234-if00-port0"}) {
            QFile node(root.filePath(QString::fromLatin1(name)));
            QVERIFY(node.open(QIODevice::WriteOnly));
        }
        // ttyS1 has no UART behind it; ttyS10 says nothing.
        QDir sysRoot(sys.path());
        for (const char* name : {"ttyS0", "ttyS1"})
            QVERIFY(sysRoot.mkpath(QString::fromLatin1(name)));
        auto writeType = [&sysRoot](const char* name, const char* type) {
            QFile file(sysRoot.filePath(QString::fromLatin1(name) + QStringLiteral("/type")));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(type);
        };
        writeType("ttyS0", "4\n");
        writeType("ttyS1", "0\n");

        QStringList expected;
        for (const char* name :
             {"ttyS0", "ttyS10", "ttyUSB2", "ttyUSB10", "ttyACM0", "serial/by-id/usb-Modem_1234-if00-port0"})
            expected << root.filePath(QString::fromLatin1(name));
        QCOMPARE(ListSerialDevices(dev.path(), sys.path()), expected);
        QVERIFY(ListSerialDevices(dev.path() + QStringLiteral("/missing"), sys.path()).isEmpty());
    }
};

QTEST_MAIN(TestAppSettings)
#include "AppSettingsTest.moc"
