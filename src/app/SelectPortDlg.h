// CSelectPortDlg: the small dialog that picks the serial port the modem is on. Entries COM01 to
// COM10 (stored as "com1" ... "com10"), then the serial devices present on the machine and the
// pseudo-terminals of running simulators (stored as their paths); any other path may be typed
// into the field. Under the port list, the voice commands the modem speaks (automatic, '#' or
// V.253), and in a group "Advanced" the V.253 ringback timers, the modem's country code and the
// modem trace file (form/ModemCallFields.h: OK refuses a value the call cannot use, names it under
// the lists and stores nothing). OK makes the choices those of the next job and stores them;
// Cancel changes nothing.
// "Test modem" runs the modem check (modem/ModemCheck.h) on the port in the field, on a thread of
// its own, and shows its verdict under the lists; the dialog stays usable meanwhile. Closing the
// dialog stops a check that runs and waits for it (it resets the modem, a few seconds at most).
#pragma once

#include <QDialog>
#include <QStringList>
#include <atomic>
#include <thread>

#include "ui/DialogBuilder.h"

class CAppSettings;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
struct ModemCheckReport;

class CSelectPortDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int IDC_PORT_LIST = 1071;
    static constexpr int IDC_MODEM_PROFILE = 1072;
    static constexpr int IDC_TEST_MODEM = 1073;
    static constexpr int IDC_TEST_RESULT = 1074;
    static constexpr int IDC_RINGBACK_GAP = 1075;
    static constexpr int IDC_RINGBACK_WAIT = 1076;
    static constexpr int IDC_MODEM_COUNTRY = 1077;
    static constexpr int IDC_TRACE_FILE = 1078;
    static constexpr int NumberedPorts = 10;

    CSelectPortDlg(const CAppSettings& settings, QWidget* parent, const QStringList& devices);
    // With the devices present now.
    CSelectPortDlg(const CAppSettings& settings, QWidget* parent = nullptr);
    ~CSelectPortDlg() override;

    QComboBox* PortList() const { return m_list; }
    // Its entries in the order of ModemProfile: Auto, Hash, V253.
    QComboBox* ProfileList() const { return m_profiles; }
    // The port name an entry of the list stands for.
    QString PortNameOf(int index) const;
    // The list index the port name opens on, or -1.
    int IndexForPortName(const QString& name) const;

    void OnSelectPort(int index);
    // The port name OK would take: the entry chosen, the text typed, or the current name when
    // the user changed nothing.
    QString ChosenName() const;
    void accept() override;

    QPushButton* TestButton() const { return m_test; }
    QLabel* TestResult() const { return m_result; }
    // The advanced fields by their ids (IDC_RINGBACK_GAP ... IDC_TRACE_FILE).
    QLineEdit* CallField(int id) const;
    // Starts the modem check on ChosenName(); nothing while one runs.
    void OnTestModem();
    bool TestRunning() const { return m_checkThread.joinable(); }

private:
    void OnInitDialog();
    void ShowCheckResult(const ModemCheckReport& report);
    void EndCheck();

    const CAppSettings& m_settings;
    QStringList m_devices;
    BuiltDialog m_built;
    QComboBox* m_list = nullptr;
    QComboBox* m_profiles = nullptr;
    bool m_changed = false; // the user chose an entry or typed
    QPushButton* m_test = nullptr;
    QLabel* m_result = nullptr;
    std::thread m_checkThread;
    std::atomic<bool> m_stopCheck{false};
};
