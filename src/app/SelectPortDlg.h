// CSelectPortDlg: the small dialog that picks the serial port the modem is on. Entries COM01 to
// COM10 (stored as "com1" ... "com10"), then the serial devices present on the machine (stored as
// their paths). A choice takes effect at once for the next job; OK also stores it.
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
    void accept() override;

private:
    void OnInitDialog();

    const CAppSettings& m_settings;
    QStringList m_devices;
    BuiltDialog m_built;
    QComboBox* m_list = nullptr;
};
