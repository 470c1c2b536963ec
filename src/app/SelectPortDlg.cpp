#include "app/SelectPortDlg.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QPushButton>
#include <iterator>

#include "app/AppSettings.h"
#include "app/SerialDeviceList.h"
#include "job/ComPortName.h"

namespace {

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

const ControlTemplate PortControls[] = {
    {NoControlId, ControlKind::GroupBox, "COM port", 7, 7, 63, 35, StyleNone},
    {CSelectPortDlg::IDC_PORT_LIST, ControlKind::ComboList, "", 14, 23, 50, 101, StyleSorted | StyleVScroll},
    {IDOK, ControlKind::PushButton, "OK", 77, 10, 50, 14, StyleDefaultButton},
    {IDCANCEL, ControlKind::PushButton, "Cancel", 77, 27, 50, 14, StyleNone},
};

const DialogTemplate PortDialogTemplate = {131, "Select serial port", 134,
                                           49,  PortControls,         static_cast<int>(std::size(PortControls))};

} // namespace

CSelectPortDlg::CSelectPortDlg(const CAppSettings& settings, QWidget* parent)
    : CSelectPortDlg(settings, parent, ListSerialDevices())
{
}

CSelectPortDlg::CSelectPortDlg(const CAppSettings& settings, QWidget* parent, const QStringList& devices)
    : QDialog(parent), m_settings(settings), m_devices(devices)
{
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    OnInitDialog();
}

void CSelectPortDlg::OnInitDialog()
{
    m_built = BuildDialog(this, PortDialogTemplate);
    m_list = qobject_cast<QComboBox*>(m_built.controls[IDC_PORT_LIST]);
    for (int n = 1; n <= NumberedPorts; ++n)
        m_list->addItem(QStringLiteral("COM%1").arg(n, 2, 10, QLatin1Char('0')));
    for (const QString& device : m_devices)
        m_list->addItem(device);
    // Device paths are longer than the field: the open list is as wide as its longest entry.
    m_list->view()->setMinimumWidth(m_list->view()->sizeHintForColumn(0) + 24);

    m_list->setCurrentIndex(IndexForPortName(QString::fromStdString(GetComPortName())));
    m_list->setToolTip(m_list->currentText());
    connect(m_list, &QComboBox::activated, this, &CSelectPortDlg::OnSelectPort);

    auto* ok = qobject_cast<QPushButton*>(m_built.controls[IDOK]);
    auto* cancel = qobject_cast<QPushButton*>(m_built.controls[IDCANCEL]);
    connect(ok, &QPushButton::clicked, this, &CSelectPortDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CSelectPortDlg::reject);
    m_list->setFocus();
}

QString CSelectPortDlg::PortNameOf(int index) const
{
    if (index >= 0 && index < NumberedPorts)
        return QStringLiteral("com%1").arg(index + 1);
    if (index >= NumberedPorts && index - NumberedPorts < m_devices.size())
        return m_devices[index - NumberedPorts];
    return QString();
}

int CSelectPortDlg::IndexForPortName(const QString& name) const
{
    qsizetype device = m_devices.indexOf(name);
    if (device >= 0)
        return NumberedPorts + static_cast<int>(device);
    // The number after the first three characters, whatever those are ("com", "COM", ...).
    long long number = 0;
    for (qsizetype i = 3; i < name.size() && name[i].isDigit() && number <= NumberedPorts; ++i)
        number = number * 10 + name[i].digitValue();
    return number >= 1 && number <= NumberedPorts ? static_cast<int>(number - 1) : -1;
}

void CSelectPortDlg::OnSelectPort(int index)
{
    QString name = PortNameOf(index);
    if (name.isEmpty())
        return;
    SetComPortName(name.toStdString());
    m_list->setToolTip(m_list->currentText());
}

void CSelectPortDlg::accept()
{
    // Whatever the port name is now: the new choice, or the old name when nothing was chosen.
    m_settings.WriteComPort(QString::fromStdString(GetComPortName()));
    QDialog::accept();
}
