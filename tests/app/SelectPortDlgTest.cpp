// The port selection dialog: the entry it opens on, a choice taking effect at once, OK storing
// and Cancel not, names it cannot read, and the serial devices after the ten COM entries.
#include <QComboBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "app/AppSettings.h"
#include "app/SelectPortDlg.h"
#include "job/ComPortName.h"

class TestSelectPort : public QObject {
    Q_OBJECT
    QTemporaryDir m_store;
    const QStringList m_devices{QStringLiteral("/dev/ttyS0"), QStringLiteral("/dev/ttyUSB0"),
                                QStringLiteral("/dev/serial/by-id/usb-Modem-if00-port0")};

    static QString Stored()
    {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Velmora, Sweden"),
                         QStringLiteral("pravel-port"))
            .value(QStringLiteral("ComPort"))
            .toString();
    }
    static void Choose(CSelectPortDlg& dialog, int index)
    {
        dialog.PortList()->setCurrentIndex(index);
        emit dialog.PortList()->activated(index);
    }

private slots:
    void initTestCase() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_store.path()); }
    void init()
    {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Velmora, Sweden"),
                  QStringLiteral("pravel-port"))
            .clear();
    }

    void listsTheTenPortsThenTheDevices()
    {
        SetComPortName("com1");
        CAppSettings settings(QStringLiteral("pravel-port"));
        CSelectPortDlg dialog(settings, nullptr, m_devices);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Select serial port"));
        QComboBox* list = dialog.PortList();
        QVERIFY(!list->isEditable());
        QCOMPARE(list->count(), 13);
        QCOMPARE(list->itemText(0), QStringLiteral("COM01"));
        QCOMPARE(list->itemText(9), QStringLiteral("COM10"));
        QCOMPARE(list->itemText(10), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(list->itemText(12), m_devices[2]);
    }

    void opensOnTheCurrentName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("index");
        QTest::newRow("com1") << "com1" << 0;
        QTest::newRow("com10") << "com10" << 9;
        QTest::newRow("COM3") << "COM3" << 2;
        QTest::newRow("com0") << "com0" << -1;
        QTest::newRow("com11") << "com11" << -1;
        QTest::newRow("com") << "com" << -1;
        QTest::newRow("co") << "co" << -1;
        QTest::newRow("com99999999999999999999") << "com99999999999999999999" << -1;
        QTest::newRow("device") << "/dev/ttyUSB0" << 11;
        QTest::newRow("device not present") << "/dev/ttyUSB7" << -1;
    }
    void opensOnTheCurrentName()
    {
        QFETCH(QString, name);
        QFETCH(int, index);
        SetComPortName(name.toStdString());
        CAppSettings settings(QStringLiteral("pravel-port"));
        CSelectPortDlg dialog(settings, nullptr, m_devices);
        QCOMPARE(dialog.PortList()->currentIndex(), index);
        // OK without a choice stores the name as it was.
        dialog.accept();
        QCOMPARE(Stored(), name);
        QCOMPARE(QString::fromStdString(GetComPortName()), name);
    }

    void aChoiceTakesEffectAtOnceAndOkStoresIt()
    {
        SetComPortName("com1");
        CAppSettings settings(QStringLiteral("pravel-port"));
        CSelectPortDlg dialog(settings, nullptr, m_devices);
        Choose(dialog, 2);
        QCOMPARE(GetComPortName(), std::string("com3"));
        QVERIFY(Stored().isEmpty());
        qobject_cast<QPushButton*>(dialog.findChild<QPushButton*>(QString(), Qt::FindDirectChildrenOnly))->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(Stored(), QStringLiteral("com3"));
    }

    void cancelKeepsTheChoiceButStoresNothing()
    {
        SetComPortName("com1");
        CAppSettings settings(QStringLiteral("pravel-port"));
        settings.WriteComPort(QStringLiteral("com1"));
        CSelectPortDlg dialog(settings, nullptr, m_devices);
        Choose(dialog, 2);
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(GetComPortName(), std::string("com3"));
        QCOMPARE(Stored(), QStringLiteral("com1"));
        // After a restart the stored name applies again.
        QCOMPARE(settings.ReadComPort(), QStringLiteral("com1"));
    }

    void choosingADeviceStoresItsPath()
    {
        SetComPortName("com1");
        CAppSettings settings(QStringLiteral("pravel-port"));
        CSelectPortDlg dialog(settings, nullptr, m_devices);
        Choose(dialog, 12);
        QCOMPARE(QString::fromStdString(GetComPortName()), m_devices[2]);
        dialog.accept();
        QCOMPARE(Stored(), m_devices[2]);
        QCOMPARE(dialog.PortNameOf(9), QStringLiteral("com10"));
        QVERIFY(dialog.PortNameOf(13).isEmpty());
    }
};

QTEST_MAIN(TestSelectPort)
#include "SelectPortDlgTest.moc"
