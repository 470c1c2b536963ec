#include "app/SelectPortDlg.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <iterator>
#include <map>

#include "app/AppSettings.h"
#include "app/SerialDeviceList.h"
#include "form/ModemCallFields.h"
#include "model/ComPortName.h"
#include "model/ModemProfile.h"
#include "model/StringTable.h"
#include "modem/ModemCheck.h"

namespace {

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// The field takes any device path, so it is wide enough for "/dev/ttyUSB10" or "/dev/pts/12" in
// full; the open list is as wide as its longest entry.
const ControlTemplate PortControls[] = {
    {NoControlId, ControlKind::GroupBox, "COM port", 7, 7, 133, 35, StyleNone},
    {CSelectPortDlg::IDC_PORT_LIST, ControlKind::ComboBox, "", 14, 23, 120, 101, StyleVScroll},
    {NoControlId, ControlKind::GroupBox, "Modem commands", 7, 46, 133, 35, StyleNone},
    {CSelectPortDlg::IDC_MODEM_PROFILE, ControlKind::ComboList, "Automatic\n'#' commands\nV.253 commands", 14, 62, 120,
     50, StyleNone},
    {IDOK, ControlKind::PushButton, "OK", 147, 10, 50, 14, StyleDefaultButton},
    {IDCANCEL, ControlKind::PushButton, "Cancel", 147, 27, 50, 14, StyleNone},
    {CSelectPortDlg::IDC_TEST_MODEM, ControlKind::PushButton, "Test modem", 147, 67, 50, 14, StyleNone},
    // What a V.253 modem waits for before it gives the dial result, its country, and the file the
    // modem dialogue goes to: rarely changed, so grouped apart.
    {NoControlId, ControlKind::GroupBox, "Advanced", 7, 86, 190, 76, StyleNone},
    {NoControlId, ControlKind::Label, "Ringback gap (0.1 s):", 14, 100, 84, 8, StyleNone},
    {CSelectPortDlg::IDC_RINGBACK_GAP, ControlKind::Edit, "", 100, 98, 40, 12, StyleNone},
    {NoControlId, ControlKind::Label, "Ringback wait (s):", 14, 115, 84, 8, StyleNone},
    {CSelectPortDlg::IDC_RINGBACK_WAIT, ControlKind::Edit, "", 100, 113, 40, 12, StyleNone},
    {NoControlId, ControlKind::Label, "Country code:", 14, 130, 84, 8, StyleNone},
    {CSelectPortDlg::IDC_MODEM_COUNTRY, ControlKind::Edit, "", 100, 128, 40, 12, StyleNone},
    {NoControlId, ControlKind::Label, "Trace file:", 14, 145, 40, 8, StyleNone},
    {CSelectPortDlg::IDC_TRACE_FILE, ControlKind::Edit, "", 56, 143, 134, 12, StyleNone},
    {CSelectPortDlg::IDC_TEST_RESULT, ControlKind::Label, "", 7, 166, 190, 40, StyleNone},
};

const DialogTemplate PortDialogTemplate = {131, "Select serial port", 204,
                                           210, PortControls,         static_cast<int>(std::size(PortControls))};

QLineEdit* Field(const BuiltDialog& built, int id)
{
    return qobject_cast<QLineEdit*>(built.controls.at(id));
}

QStringList DevicesNow()
{
    QStringList devices = ListSerialDevices();
    for (const QString& port : ListSimulatorPorts())
        if (!devices.contains(port))
            devices.append(port);
    return devices;
}

} // namespace

CSelectPortDlg::CSelectPortDlg(const CAppSettings& settings, QWidget* parent)
    : CSelectPortDlg(settings, parent, DevicesNow())
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

    // The current port, also when it is a path that is not listed (or a name like com0 that
    // stands for no entry): the field shows it as it is.
    QString current = QString::fromStdString(GetComPortName());
    int index = IndexForPortName(current);
    m_list->setCurrentIndex(index);
    if (index < 0)
        m_list->setEditText(current);
    m_list->setToolTip(m_list->currentText());
    m_profiles = qobject_cast<QComboBox*>(m_built.controls[IDC_MODEM_PROFILE]);
    m_profiles->setCurrentIndex(static_cast<int>(GetModemProfile()));
    m_profiles->setToolTip(QString::fromStdString(LoadString(IDS_TIP_MODEM_PROFILE)));
    connect(m_list, &QComboBox::activated, this, &CSelectPortDlg::OnSelectPort);
    if (QLineEdit* field = m_list->lineEdit())
        connect(field, &QLineEdit::textEdited, this, [this](const QString& text) {
            m_changed = true;
            m_list->setToolTip(text);
        });

    auto* ok = qobject_cast<QPushButton*>(m_built.controls[IDOK]);
    auto* cancel = qobject_cast<QPushButton*>(m_built.controls[IDCANCEL]);
    connect(ok, &QPushButton::clicked, this, &CSelectPortDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CSelectPortDlg::reject);
    m_test = qobject_cast<QPushButton*>(m_built.controls[IDC_TEST_MODEM]);
    m_test->setToolTip(QStringLiteral("Ask the modem on this port who it is and whether it has a voice mode "
                                      "(nothing is dialled)"));
    connect(m_test, &QPushButton::clicked, this, &CSelectPortDlg::OnTestModem);
    const ModemCallFields fields =
        ModemCallFieldsOf(GetModemCallSettings(), m_settings.ReadModemTraceFile().toStdString());
    Field(m_built, IDC_RINGBACK_GAP)->setText(QString::fromStdString(fields.ringbackGap));
    Field(m_built, IDC_RINGBACK_GAP)->setToolTip(QStringLiteral(
        "V.253 modems: how long the line is silent after a ring before the modem says the unit answered (+VRA)"));
    Field(m_built, IDC_RINGBACK_WAIT)->setText(QString::fromStdString(fields.ringbackWait));
    Field(m_built, IDC_RINGBACK_WAIT)->setToolTip(
        QStringLiteral("V.253 modems: how long the modem waits for the first ring (+VRN)"));
    Field(m_built, IDC_MODEM_COUNTRY)->setText(QString::fromStdString(fields.country));
    Field(m_built, IDC_MODEM_COUNTRY)->setToolTip(
        QStringLiteral("The modem's country for its tone detection, two hexadecimal digits (+GCI); "
                       "empty keeps the modem's own"));
    Field(m_built, IDC_TRACE_FILE)->setText(QString::fromStdString(fields.traceFile));
    Field(m_built, IDC_TRACE_FILE)->setToolTip(
        QStringLiteral("A file the whole modem dialogue is written to, to send us when a modem fails; "
                       "empty for none"));
    m_result = qobject_cast<QLabel*>(m_built.controls[IDC_TEST_RESULT]);
    m_result->setWordWrap(true);
    m_result->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_result->setTextFormat(Qt::PlainText);
    m_list->setFocus();
}

CSelectPortDlg::~CSelectPortDlg()
{
    EndCheck();
}

void CSelectPortDlg::EndCheck()
{
    if (!m_checkThread.joinable())
        return;
    m_stopCheck = true;
    m_checkThread.join();
}

void CSelectPortDlg::OnTestModem()
{
    if (m_checkThread.joinable())
        return;
    const std::string port = ChosenName().toStdString();
    m_stopCheck = false;
    m_test->setEnabled(false);
    m_result->setText(QStringLiteral("Checking the modem on %1 (it is not dialled)...").arg(QString::fromStdString(port)));
    m_checkThread = std::thread([this, port] {
        CModemCheck check;
        ModemCheckReport report = check.Run(port, [this] { return m_stopCheck.load(); });
        if (m_stopCheck)
            return; // the dialog is closing: nobody looks at the result
        QMetaObject::invokeMethod(
            this, [this, report] { ShowCheckResult(report); }, Qt::QueuedConnection);
    });
}

void CSelectPortDlg::ShowCheckResult(const ModemCheckReport& report)
{
    if (m_checkThread.joinable())
        m_checkThread.join();
    const QString text = QString::fromStdString(report.Summary());
    m_result->setText(text);
    m_test->setEnabled(true);
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
    // Takes effect with OK only: Cancel leaves the port as it was.
    if (PortNameOf(index).isEmpty())
        return;
    m_changed = true;
    m_list->setToolTip(m_list->currentText());
}

QString CSelectPortDlg::ChosenName() const
{
    QString current = QString::fromStdString(GetComPortName());
    if (!m_changed)
        return current;
    QString text = m_list->currentText().trimmed();
    if (text.isEmpty())
        return current;
    int index = m_list->findText(text, Qt::MatchFixedString);
    if (index >= 0)
        return PortNameOf(index);
    return text; // a typed device path (or any name the user gives)
}

QLineEdit* CSelectPortDlg::CallField(int id) const
{
    return Field(m_built, id);
}

void CSelectPortDlg::accept()
{
    // A field the call cannot use is named under the lists, and nothing is stored.
    const ModemCallFieldsCheck check = CheckModemCallFields(
        {CallField(IDC_RINGBACK_GAP)->text().toStdString(), CallField(IDC_RINGBACK_WAIT)->text().toStdString(),
         CallField(IDC_MODEM_COUNTRY)->text().toStdString(), CallField(IDC_TRACE_FILE)->text().toStdString()});
    if (!check.Good()) {
        static const std::map<ModemCallField, int> fieldIds = {{ModemCallField::RingbackGap, IDC_RINGBACK_GAP},
                                                               {ModemCallField::RingbackWait, IDC_RINGBACK_WAIT},
                                                               {ModemCallField::Country, IDC_MODEM_COUNTRY},
                                                               {ModemCallField::TraceFile, IDC_TRACE_FILE}};
        m_result->setText(QString::fromStdString(check.problem));
        QLineEdit* field = CallField(fieldIds.at(check.problemField));
        field->setFocus();
        field->selectAll();
        QApplication::beep();
        return;
    }
    EndCheck();
    // The new choice, or the old name when nothing was chosen.
    QString name = ChosenName();
    SetComPortName(name.toStdString());
    m_settings.WriteComPort(name);
    const int profile = m_profiles->currentIndex();
    if (profile >= 0 && profile <= static_cast<int>(ModemProfile::V253)) {
        SetModemProfile(static_cast<ModemProfile>(profile));
        m_settings.WriteModemProfile(static_cast<ModemProfile>(profile));
    }
    SetModemCallSettings(check.settings);
    m_settings.WriteModemCallSettings(check.settings);
    m_settings.WriteModemTraceFile(QString::fromStdString(check.traceFile));
    QDialog::accept();
}
