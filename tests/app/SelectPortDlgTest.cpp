// The port selection dialog: the entry it opens on, a choice taking effect with OK (stored) and
// Cancel changing nothing, names it cannot read, typed paths, and the serial devices after the
// ten COM entries; the advanced fields stored with OK, or refused with the dialog kept open.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "app/AppSettings.h"
#include "app/SelectPortDlg.h"
#include "app/SerialDeviceList.h"
#include "model/ComPortName.h"
#include "model/ModemProfile.h"
#include "sim/Simulator.h"

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
        QVERIFY(list->isEditable());
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

    void aChoiceTakesEffectWithOkAndIsStored()
    {
        SetComPortName("com1");
        CAppSettings settings(QStringLiteral("pravel-port"));
        CSelectPortDlg dialog(settings, nullptr, m_devices);
        Choose(dialog, 2);
        QCOMPARE(GetComPortName(), std::string("com1"));
        QVERIFY(Stored().isEmpty());
        qobject_cast<QPushButton*>(dialog.findChild<QPushButton*>(QString(), Qt::FindDirectChildrenOnly))->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(Stored(), QStringLiteral("com3"));
    }

    void cancelChangesNothing()
    {
        SetComPortName("com1");
        CAppSettings settings(QStringLiteral("pravel-port"));
        settings.WriteComPort(QStringLiteral("com1"));
        CSelectPortDlg dialog(settings, nullptr, m_devices);
        Choose(dialog, 2);
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(GetComPortName(), std::string("com1"));
        QCOMPARE(Stored(), QStringLiteral("com1"));
        // After a restart the stored name applies again.
        QCOMPARE(settings.ReadComPort(), QStringLiteral("com1"));
    }

    void theModemCommandsAreChosenUnderThePortListAndStoredWithOk()
    {
        SetComPortName("com1");
        SetModemProfile(ModemProfile::Hash);
        CAppSettings settings(QStringLiteral("pravel-port"));
        for (bool ok : {false, true}) {
            CSelectPortDlg dialog(settings, nullptr, m_devices);
            QComboBox* profiles = dialog.ProfileList();
            QVERIFY(!profiles->isEditable());
            QCOMPARE(profiles->count(), 3);
            QCOMPARE(profiles->currentIndex(), 1); // opens on the profile in force
            QVERIFY(profiles->toolTip().contains(QStringLiteral("V.253")));
            QVERIFY(profiles->geometry().top() > dialog.PortList()->geometry().bottom());
            profiles->setCurrentIndex(2);
            if (ok) {
                dialog.accept();
            } else {
                dialog.reject();
            }
            QCOMPARE(GetModemProfile(), ok ? ModemProfile::V253 : ModemProfile::Hash);
            QCOMPARE(settings.ReadModemProfile(), ok ? ModemProfile::V253 : ModemProfile::Auto);
        }
        SetModemProfile(ModemProfile::Auto);
    }

    void choosingADeviceStoresItsPath()
    {
        SetComPortName("com1");
        CAppSettings settings(QStringLiteral("pravel-port"));
        CSelectPortDlg dialog(settings, nullptr, m_devices);
        Choose(dialog, 12);
        dialog.accept();
        QCOMPARE(QString::fromStdString(GetComPortName()), m_devices[2]);
        QCOMPARE(Stored(), m_devices[2]);
        QCOMPARE(dialog.PortNameOf(9), QStringLiteral("com10"));
        QVERIFY(dialog.PortNameOf(13).isEmpty());
    }

    void aTypedPathIsTakenAsItIs_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("path") << "/dev/pts/7"
                              << "/dev/pts/7";
        QTest::newRow("spaces around") << "  /dev/ttyUSB3 "
                                       << "/dev/ttyUSB3";
        QTest::newRow("an entry's text") << "com03"
                                         << "com3";
        QTest::newRow("a listed device") << "/dev/ttyS0"
                                         << "/dev/ttyS0";
        QTest::newRow("nothing") << ""
                                 << "com1";
    }
    void aTypedPathIsTakenAsItIs()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        SetComPortName("com1");
        CAppSettings settings(QStringLiteral("pravel-port"));
        CSelectPortDlg dialog(settings, nullptr, m_devices);
        dialog.show();
        QLineEdit* field = dialog.PortList()->lineEdit();
        QVERIFY(field != nullptr);
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, typed);
        QCOMPARE(GetComPortName(), std::string("com1")); // not before OK
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(QString::fromStdString(GetComPortName()), stored);
        QCOMPARE(Stored(), stored);
    }

    void theCurrentPathIsShownEvenWhenNotListed()
    {
        SetComPortName("/dev/pts/42");
        CAppSettings settings(QStringLiteral("pravel-port"));
        CSelectPortDlg dialog(settings, nullptr, m_devices);
        QCOMPARE(dialog.PortList()->currentIndex(), -1);
        QCOMPARE(dialog.PortList()->currentText(), QStringLiteral("/dev/pts/42"));
        // Wide enough for the device paths: "/dev/ttyUSB10" fits the field.
        QFontMetrics metrics(dialog.PortList()->font());
        QVERIFY(dialog.PortList()->lineEdit()->width() >= metrics.horizontalAdvance(QStringLiteral("/dev/ttyUSB10")));
        dialog.accept();
        QCOMPARE(Stored(), QStringLiteral("/dev/pts/42"));
    }

    void simulatorPortsAreFoundThroughProc()
    {
        // A made-up /proc: a simulator holding its pts and a ptmx, a simulator started from a
        // terminal (its standard streams), and another program with a pts.
        QTemporaryDir proc;
        auto process = [&proc](const QString& pid, const QByteArray& name) {
            QDir(proc.path()).mkpath(pid + QStringLiteral("/fd"));
            QDir(proc.path()).mkpath(pid + QStringLiteral("/fdinfo"));
            QFile comm(proc.filePath(pid + QStringLiteral("/comm")));
            QVERIFY(comm.open(QIODevice::WriteOnly));
            comm.write(name + "\n");
        };
        auto link = [&proc](const QString& pid, const QString& fd, const QString& target) {
            QVERIFY(QFile::link(target, proc.filePath(pid + QStringLiteral("/fd/") + fd)));
        };
        process(QStringLiteral("100"), "pravel-sim");
        link(QStringLiteral("100"), QStringLiteral("0"), QStringLiteral("/dev/pts/1"));
        link(QStringLiteral("100"), QStringLiteral("7"), QStringLiteral("/dev/pts/10"));
        link(QStringLiteral("100"), QStringLiteral("6"), QStringLiteral("/dev/ptmx"));
        QFile info(proc.filePath(QStringLiteral("100/fdinfo/6")));
        QVERIFY(info.open(QIODevice::WriteOnly));
        info.write("pos:\t0\nflags:\t02104002\ntty-index:\t10\n");
        info.close();
        process(QStringLiteral("200"), "pravel-sim");
        link(QStringLiteral("200"), QStringLiteral("6"), QStringLiteral("/dev/ptmx"));
        QFile info2(proc.filePath(QStringLiteral("200/fdinfo/6")));
        QVERIFY(info2.open(QIODevice::WriteOnly));
        info2.write("tty-index:\t3\n");
        info2.close();
        process(QStringLiteral("300"), "bash");
        link(QStringLiteral("300"), QStringLiteral("5"), QStringLiteral("/dev/pts/5"));
        process(QStringLiteral("self"), "pravel-sim");

        QCOMPARE(ListSimulatorPorts(proc.path()),
                 (QStringList{QStringLiteral("/dev/pts/3"), QStringLiteral("/dev/pts/10")}));
    }

    // "Test modem" checks the port in the field on a thread and shows the verdict; the dialog stays
    // usable while it runs.
    void testModemShowsTheVerdict_data()
    {
        QTest::addColumn<QString>("persona");
        QTest::addColumn<QString>("expected");
        QTest::newRow("conexant") << QStringLiteral("conexant") << QStringLiteral("CONEXANT V92: Voice modem");
        QTest::newRow("hash") << QStringLiteral("hash") << QStringLiteral("will use hash.");
        QTest::newRow("datafax") << QStringLiteral("datafax")
                                 << QStringLiteral("This modem has no voice mode: DTMF cannot be sent.");
    }
    void testModemShowsTheVerdict()
    {
        QFETCH(QString, persona);
        QFETCH(QString, expected);
        SimConfig config = DefaultSimConfig();
        config.fast = true;
        QVERIFY(ParseSimModemPersona(persona.toStdString(), &config.modem));
        CSimulator sim;
        std::string error;
        QVERIFY2(sim.Start(config, &error), error.c_str());
        SetComPortName(sim.DevicePath());
        CAppSettings settings(QStringLiteral("pravel-port"));
        CSelectPortDlg dialog(settings, nullptr, m_devices);
        QCOMPARE(dialog.TestButton()->text(), QStringLiteral("Test modem"));
        QTest::mouseClick(dialog.TestButton(), Qt::LeftButton);
        QVERIFY(!dialog.TestButton()->isEnabled());
        QVERIFY(dialog.TestResult()->text().startsWith(QStringLiteral("Checking the modem on ")));
        QTRY_VERIFY_WITH_TIMEOUT(dialog.TestButton()->isEnabled(), 15000);
        QVERIFY2(dialog.TestResult()->text().contains(expected), qPrintable(dialog.TestResult()->text()));
        QVERIFY(!dialog.TestRunning());
    }

    // Closing the dialog while a check runs stops it; nothing is left running.
    void closingStopsARunningCheck()
    {
        SimConfig config = DefaultSimConfig();
        config.fast = true;
        CSimulator sim;
        std::string error;
        QVERIFY2(sim.Start(config, &error), error.c_str());
        SetComPortName(sim.DevicePath());
        CAppSettings settings(QStringLiteral("pravel-port"));
        QElapsedTimer timer;
        timer.start();
        {
            CSelectPortDlg dialog(settings, nullptr, m_devices);
            dialog.OnTestModem();
            QVERIFY(dialog.TestRunning());
        }
        QVERIFY(timer.elapsed() < 5000);
    }

    void theAdvancedFieldsOpenOnTheSettingsInForceAndAreStoredWithOk()
    {
        SetComPortName("com1");
        SetModemCallSettings({55, 20, "B5"});
        CAppSettings settings(QStringLiteral("pravel-port"));
        const QString trace = m_store.filePath(QStringLiteral("modem.trace"));
        CSelectPortDlg dialog(settings, nullptr, m_devices);
        QCOMPARE(dialog.CallField(CSelectPortDlg::IDC_RINGBACK_GAP)->text(), QStringLiteral("55"));
        QCOMPARE(dialog.CallField(CSelectPortDlg::IDC_RINGBACK_WAIT)->text(), QStringLiteral("20"));
        QCOMPARE(dialog.CallField(CSelectPortDlg::IDC_MODEM_COUNTRY)->text(), QStringLiteral("B5"));
        QCOMPARE(dialog.CallField(CSelectPortDlg::IDC_TRACE_FILE)->text(), QString());
        dialog.CallField(CSelectPortDlg::IDC_RINGBACK_GAP)->setText(QStringLiteral("90"));
        dialog.CallField(CSelectPortDlg::IDC_RINGBACK_WAIT)->setText(QStringLiteral("15"));
        dialog.CallField(CSelectPortDlg::IDC_MODEM_COUNTRY)->setText(QStringLiteral("3d"));
        dialog.CallField(CSelectPortDlg::IDC_TRACE_FILE)->setText(trace);
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const ModemCallSettings inForce = GetModemCallSettings();
        QCOMPARE(inForce.ringbackGapTenths, 90);
        QCOMPARE(inForce.ringbackWaitSeconds, 15);
        QCOMPARE(inForce.country, std::string("3D"));
        // The next start reads them back.
        const ModemCallSettings stored = settings.ReadModemCallSettings();
        QCOMPARE(stored.ringbackGapTenths, 90);
        QCOMPARE(stored.ringbackWaitSeconds, 15);
        QCOMPARE(stored.country, std::string("3D"));
        QCOMPARE(settings.ReadModemTraceFile(), trace);
        SetModemCallSettings({});
    }

    void aBadAdvancedValueKeepsTheDialogOpenAndStoresNothing_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("problem");
        QTest::newRow("gap") << int(CSelectPortDlg::IDC_RINGBACK_GAP) << "256" << "Ringback gap: \"256\" is not";
        QTest::newRow("wait") << int(CSelectPortDlg::IDC_RINGBACK_WAIT) << "x" << "Ringback wait: \"x\" is not";
        QTest::newRow("country") << int(CSelectPortDlg::IDC_MODEM_COUNTRY) << "SE" << "Country code: \"SE\" is not";
        QTest::newRow("trace") << int(CSelectPortDlg::IDC_TRACE_FILE) << "/nonexistent-pravel-folder/modem.trace"
                               << "Trace file: /nonexistent-pravel-folder/modem.trace cannot be saved";
    }
    void aBadAdvancedValueKeepsTheDialogOpenAndStoresNothing()
    {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(QString, problem);
        SetComPortName("com1");
        SetModemCallSettings({});
        CAppSettings settings(QStringLiteral("pravel-port"));
        CSelectPortDlg dialog(settings, nullptr, m_devices);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        Choose(dialog, 2);
        dialog.CallField(field)->setText(text);
        QTest::keyClick(dialog.CallField(CSelectPortDlg::IDC_RINGBACK_GAP), Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY2(dialog.TestResult()->text().startsWith(problem), qPrintable(dialog.TestResult()->text()));
        QCOMPARE(QApplication::focusWidget(), dialog.CallField(field));
        // Nothing stored, nothing in force.
        QVERIFY(Stored().isEmpty());
        QCOMPARE(GetComPortName(), std::string("com1"));
        QCOMPARE(GetModemCallSettings().ringbackGapTenths, 70);
        QCOMPARE(settings.ReadModemTraceFile(), QString());
        QVERIFY(!QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Velmora, Sweden"),
                           QStringLiteral("pravel-port"))
                     .contains(QStringLiteral("RingbackGap")));
        // Mended, OK takes it.
        dialog.CallField(field)->setText(field == CSelectPortDlg::IDC_MODEM_COUNTRY || field == CSelectPortDlg::IDC_TRACE_FILE
                                             ? QString()
                                             : QStringLiteral("60"));
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(Stored(), QStringLiteral("com3"));
    }
};

QTEST_MAIN(TestSelectPort)
#include "SelectPortDlgTest.moc"
