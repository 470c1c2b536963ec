// CSelectPortDlg: the small dialog that picks the serial port the modem is on. Entries COM01 to
// COM10 (stored as "com1" ... "com10"), then the serial devices present on the machine and the
// pseudo-terminals of running simulators (stored as their paths); any other path may be typed
// into the field. OK makes the choice the port of the next job and stores it; Cancel changes
// nothing.
#pragma once

#include <QDialog>
#include <QStringList>

#include "ui/DialogBuilder.h"

class CAppSettings;
class QComboBox;

class CSelectPortDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int IDC_PORT_LIST = 1071;
    static constexpr int NumberedPorts = 10;

    CSelectPortDlg(const CAppSettings& settings, QWidget* parent, const QStringList& devices);
    // With the devices present now.
    CSelectPortDlg(const CAppSettings& settings, QWidget* parent = nullptr);

    QComboBox* PortList() const { return m_list; }
    // The port name an entry of the list stands for.
    QString PortNameOf(int index) const;
    // The list index the port name opens on, or -1.
    int IndexForPortName(const QString& name) const;

    void OnSelectPort(int index);
    // The port name OK would take: the entry chosen, the text typed, or the current name when
    // the user changed nothing.
    QString ChosenName() const;
    void accept() override;

private:
    void OnInitDialog();

    const CAppSettings& m_settings;
    QStringList m_devices;
    BuiltDialog m_built;
    QComboBox* m_list = nullptr;
    bool m_changed = false; // the user chose an entry or typed
};
