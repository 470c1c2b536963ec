#include "ui/OXEL_RemoteDlg.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <vector>

#include "files/ParameterFile.h"
#include "form/DialogJobCheck.h"
#include "form/ParameterFileLoader.h"
#include "files/ParameterFileIo.h"
#include "files/TextEncoding.h"
#include "model/ComPortName.h"
#include "model/DialogIds.h"
#include "model/JobMessages.h"
#include "form/ParameterForm.h"
#include "model/ParameterTable.h"
#include "model/StringTable.h"
#include "serial/PortUsers.h"
#include "serial/SerialPortList.h"
#include "ui/DialogPrompts.h"
#include "worker/JobRunner.h"
#include "form/MainDialogTemplate.h"
#include "ui/MessageBoxes.h"
#include "ui/BatchWindow.h"
#include "ui/ProgramArt.h"
#include "ui/ShellActions.h"
#include "ui/TextLimitValidator.h"
#include "ui/Tooltips.h"
#include "ui/UpDownControl.h"

namespace {

// Controls hold 8-bit texts, one byte per character, as the unit and the parameter files do: shown
// and typed as Windows-1252, the same as pravel-cli shows them.
QString FromControlText(const std::string& text)
{
    return QString::fromStdString(Windows1252ToUtf8(text));
}

std::string ToControlText(const QString& text)
{
    return Utf8ToWindows1252(text.toStdString());
}

QString ProgramTitle()
{
    return QString::fromLatin1(LoadString(IDS_PROGRAM_TITLE));
}

// The caption texts are joined to the program's title with this.
const QString CaptionSeparator = QStringLiteral(" - ");

const char* const StopText = "&Stop";
const char* const StopTip = "Ends the call the orderly way: logs the unit off, resets the modem and hangs up.";

} // namespace

COXEL_RemoteDlg::COXEL_RemoteDlg(IShellActions* shell, IJobRunner* runner, IDialogPrompts* prompts, QWidget* parent)
    : QDialog(parent), m_shell(shell), m_runner(runner), m_prompts(prompts),
      m_notifyWindow([this](uint32_t message, uint32_t wParam, const CMessageValue& lParam) {
          HandleJobMessage(message, wParam, lParam);
      })
{
    if (m_runner == nullptr) {
        m_ownRunner = std::make_unique<CJobWorkerRunner>();
        m_runner = m_ownRunner.get();
    }
    if (m_prompts == nullptr) {
        m_ownPrompts = std::make_unique<CQtDialogPrompts>();
        m_prompts = m_ownPrompts.get();
    }
    // A popup with caption and window menu, no minimise or maximise box, in the task bar.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setObjectName(QStringLiteral("COXEL_RemoteDlg"));
    OnInitDialog();
}

COXEL_RemoteDlg::~COXEL_RemoteDlg()
{
    ShutDownJob();
}

// ---------------------------------------------------------------------------------------------
// Dialog items

QWidget* COXEL_RemoteDlg::Item(int id) const
{
    auto it = m_built.controls.find(id);
    return it == m_built.controls.end() ? nullptr : it->second;
}

bool COXEL_RemoteDlg::IsItemEnabled(int id) const
{
    QWidget* item = Item(id);
    return item != nullptr && item->isEnabled();
}

std::string COXEL_RemoteDlg::GetItemText(int id) const
{
    QWidget* item = Item(id);
    if (auto* edit = qobject_cast<QLineEdit*>(item))
        return ToControlText(edit->text());
    if (auto* label = qobject_cast<QLabel*>(item))
        return ToControlText(label->text());
    if (auto* combo = qobject_cast<QComboBox*>(item))
        return ToControlText(combo->currentText());
    if (auto* button = qobject_cast<QAbstractButton*>(item))
        return ToControlText(button->text());
    return std::string();
}

void COXEL_RemoteDlg::SetItemText(int id, const std::string& text)
{
    QWidget* item = Item(id);
    QString value = FromControlText(text);
    if (auto* edit = qobject_cast<QLineEdit*>(item))
        edit->setText(value);
    else if (auto* label = qobject_cast<QLabel*>(item))
        label->setText(value);
    else if (auto* combo = qobject_cast<QComboBox*>(item); combo != nullptr && combo->isEditable())
        combo->setEditText(value);
}

bool COXEL_RemoteDlg::IsButtonChecked(int id) const
{
    auto* button = qobject_cast<QAbstractButton*>(Item(id));
    return button != nullptr && button->isCheckable() && button->isChecked();
}

void COXEL_RemoteDlg::CheckButton(int id, bool checked)
{
    auto* button = qobject_cast<QAbstractButton*>(Item(id));
    if (button == nullptr || !button->isCheckable() || button->isChecked() == checked)
        return;
    QButtonGroup* group = button->group();
    if (!checked && group != nullptr && group->exclusive()) {
        // An exclusive group keeps one button checked; a radio group may also have none.
        group->setExclusive(false);
        button->setChecked(false);
        group->setExclusive(true);
        return;
    }
    button->setChecked(checked);
}

int COXEL_RemoteDlg::GetComboSelection(int id) const
{
    auto* combo = qobject_cast<QComboBox*>(Item(id));
    return combo == nullptr ? -1 : combo->currentIndex();
}

void COXEL_RemoteDlg::SetComboSelection(int id, int index)
{
    auto* combo = qobject_cast<QComboBox*>(Item(id));
    if (combo == nullptr)
        return;
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

void COXEL_RemoteDlg::LimitText(int id, int limit)
{
    if (auto* edit = qobject_cast<QLineEdit*>(Item(id)))
        if (auto* validator = qobject_cast<CTextLimitValidator*>(const_cast<QValidator*>(edit->validator())))
            validator->SetLimit(limit);
}

// ---------------------------------------------------------------------------------------------
// Initialisation and the value-change rule

bool COXEL_RemoteDlg::OnInitDialog()
{
    // The controls, with the combo boxes' items.
    m_built = BuildDialog(this, MainDialogTemplate);
    ConnectValueChanges();
    for (auto [id, widget] : m_built.controls) {
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            int command = id;
            connect(button, &QPushButton::clicked, this, [this, command] {
                switch (command) {
                case ID_READ:
                    OnRead();
                    break;
                case ID_READ_ALL:
                    OnReadAll();
                    break;
                case ID_WRITE:
                    OnWrite();
                    break;
                case IDC_SAVE:
                    OnSave();
                    break;
                case IDC_LOAD:
                    OnLoad();
                    break;
                case IDC_COM_PORT:
                    OnComPort();
                    break;
                case IDC_CLOSE:
                    if (m_jobRunning)
                        OnStop();
                    else
                        OnClose();
                    break;
                case ID_HELP:
                    OnHelp();
                    break;
                default:
                    break;
                }
                UpdateButtons();
            });
        }
    }
    auto* helpKey = new QShortcut(QKeySequence::HelpContents, this);
    connect(helpKey, &QShortcut::activated, this, &COXEL_RemoteDlg::OnHelp);
    // Beside the mnemonics: Ctrl+S saves, Ctrl+O loads, Ctrl+Q closes (by the buttons' rules).
    auto* saveKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this);
    connect(saveKey, &QShortcut::activated, this, [this] {
        if (IsItemEnabled(IDC_SAVE))
            OnSave();
        UpdateButtons();
    });
    auto* loadKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), this);
    connect(loadKey, &QShortcut::activated, this, [this] {
        OnLoad();
        UpdateButtons();
    });
    auto* closeKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    connect(closeKey, &QShortcut::activated, this, &COXEL_RemoteDlg::OnClose);

    // The About entry. There is no window menu of the dialog's own on this desktop, so the entry
    // sits in the dialog's context menu.
    QString about = QString::fromLatin1(LoadString(IDS_ABOUTBOX));
    if (!about.isEmpty()) {
        auto* separator = new QAction(this);
        separator->setSeparator(true);
        m_aboutAction = new QAction(about, this);
        m_aboutAction->setData(IDM_ABOUTBOX);
        connect(m_aboutAction, &QAction::triggered, this, [this] { OnSysCommand(IDM_ABOUTBOX); });
        addAction(separator);
        addAction(m_aboutAction);
        setContextMenuPolicy(Qt::ActionsContextMenu);
    }
    // Batch runs of a plan, in a window of their own beside the dialog.
    auto* batch = new QAction(tr("Batch..."), this);
    connect(batch, &QAction::triggered, this, [this] {
        std::vector<std::string> ports;
        for (const SerialPortEntry& entry : ListSerialPorts())
            ports.push_back(entry.path);
        auto* window = new CBatchWindow(ports, this);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
    });
    addAction(batch);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    setWindowIcon(ProgramIcon());
    CreateTooltips(this, TooltipTable);

    LimitText(IDC_PHONE_NUMBER, 20);
    LimitText(IDC_PROGRAMMING_CODE, 4);
    CheckRadioButton(*this, IDC_UNIT_FIRST, IDC_UNIT_LAST, IDC_UNIT_FIRST);
    CheckRadioButton(*this, IDC_TWO_COLOURS, IDC_ONE_COLOUR, IDC_TWO_COLOURS);
    for (int row = 0; row < ParameterCount; ++row)
        if (ParameterTable[row].kind == KindText && ParameterTable[row].maxLength > 0)
            LimitText(ParameterTable[row].valueControlId, ParameterTable[row].maxLength);
    if (auto* spin = qobject_cast<CUpDownControl*>(Item(IDC_ALARM_BUTTON_DELAY_SPIN)))
        spin->SetRange(2, 30);
    if (auto* spin = qobject_cast<CUpDownControl*>(Item(IDC_ALARM_TYPE_SPIN)))
        spin->SetRange(0, 99);
    // Code "3958", delay 4, alarm type 10, the combos' start selections, their boxes cleared.
    SetInitialValues(*this);
    UpdateButtons();

    if (auto* logo = qobject_cast<QLabel*>(Item(IDC_LOGO)))
        logo->setPixmap(DrawLogo(logo->size(), devicePixelRatioF()));

    m_initialising = false;
    return true;
}

void COXEL_RemoteDlg::ConnectValueChanges()
{
    for (int row = 0; row < ParameterCount; ++row) {
        const ParameterDescriptor& p = ParameterTable[row];
        int box = p.updateBoxId;
        auto changed = [this, box] { OnValueChanged(box); };
        switch (p.kind) {
        case KindText:
            if (auto* edit = qobject_cast<QLineEdit*>(Item(p.valueControlId)))
                connect(edit, &QLineEdit::textChanged, this, changed);
            break;
        case KindRadioPair:
            for (int id : {p.valueControlId, p.secondControlId})
                if (auto* radio = qobject_cast<QAbstractButton*>(Item(id)))
                    connect(radio, &QAbstractButton::clicked, this, changed);
            break;
        case KindCheckBox:
            if (auto* check = qobject_cast<QAbstractButton*>(Item(p.valueControlId)))
                connect(check, &QAbstractButton::clicked, this, changed);
            break;
        case KindCombo:
            if (auto* combo = qobject_cast<QComboBox*>(Item(p.valueControlId))) {
                connect(combo, &QComboBox::currentIndexChanged, this, changed);
                if (combo->lineEdit() != nullptr)
                    connect(combo->lineEdit(), &QLineEdit::textEdited, this, changed);
            }
            break;
        default:
            break;
        }
        if (auto* updateBox = qobject_cast<QAbstractButton*>(Item(box)))
            connect(updateBox, &QAbstractButton::toggled, this, [this] { UpdateButtons(); });
    }
    for (int id : {IDC_PHONE_NUMBER, IDC_PROGRAMMING_CODE})
        if (auto* edit = qobject_cast<QLineEdit*>(Item(id)))
            connect(edit, &QLineEdit::textChanged, this, [this] { UpdateButtons(); });
}

void COXEL_RemoteDlg::OnValueChanged(int updateBoxId)
{
    if (!m_initialising && !m_loading)
        CheckButton(updateBoxId, true);
    UpdateButtons();
}

void COXEL_RemoteDlg::UpdateButtons()
{
    bool ready = HasNumberAndCode(*this) && !m_jobRunning;
    bool any = AnyUpdateBoxTicked(*this);
    auto enable = [this](int id, bool on) {
        if (QWidget* item = Item(id))
            item->setEnabled(on);
    };
    enable(ID_WRITE, ready && any);
    enable(ID_READ, ready && any);
    enable(IDC_SAVE, ready);
    enable(ID_READ_ALL, ready);
    // During a job the Close button is the Stop button, until the stop has been asked for.
    if (auto* close = qobject_cast<QAbstractButton*>(Item(IDC_CLOSE))) {
        QString text = m_jobRunning ? QString::fromLatin1(StopText) : QStringLiteral("&Close");
        if (close->text() != text) {
            close->setText(text);
            close->setToolTip(m_jobRunning ? QString::fromLatin1(StopTip)
                                           : QString::fromLatin1(LoadString(IDS_TIP_CLOSE)));
        }
        close->setEnabled(!m_jobRunning || m_status.State() != JobState::Stopping);
    }
}

// ---------------------------------------------------------------------------------------------
// Jobs

bool COXEL_RemoteDlg::FillJob(JobMode mode)
{
    return ::FillJob(*this, theJob, mode, &m_notifyWindow);
}

void COXEL_RemoteDlg::CopyValuesToJob()
{
    ::CopyValuesToJob(*this, theJob);
}

void COXEL_RemoteDlg::OnRead()
{
    RunRead(QStringLiteral("Read"));
}

void COXEL_RemoteDlg::RunRead(const QString& jobName)
{
    // theJob belongs to a running job; it is not refilled under it.
    m_jobName = jobName;
    if (!m_runner->IsRunning() && FillJob(JobRead))
        StartJob();
    UpdateButtons();
}

void COXEL_RemoteDlg::OnReadAll()
{
    if (m_runner->IsRunning()) {
        UpdateButtons();
        return;
    }
    TickAllUpdateBoxes(*this);
    RunRead(QStringLiteral("Read all"));
}

void COXEL_RemoteDlg::OnWrite()
{
    m_jobName = QStringLiteral("Write");
    if (!m_runner->IsRunning() && FillJob(JobWrite)) {
        CopyValuesToJob();
        StartJob();
    }
    UpdateButtons();
}

void COXEL_RemoteDlg::StartJob()
{
    if (m_runner->IsRunning())
        return;
    // Nothing is dialled with a number or value that the modem would take for a command, nor with
    // a text that filling the job has cut (a loaded file may hold longer ones than the fields take).
    std::string problem;
    if (!CheckDialogJob(*this, theJob, &problem)) {
        QString text = QString::fromLocal8Bit(problem);
        m_status.Refuse(text.toStdString());
        ShowStatusLine();
        m_prompts->ShowMessage(this, text, ProgramTitle(), MessageIcon::Exclamation);
        return;
    }
    // Another program on the port may take the modem's answers: say so, and dial all the same.
    const std::string port = GetComPortName();
    std::vector<PortUser> users = FindOtherPortUsers(port);
    if (m_runner->Start()) {
        m_jobRunning = true;
        m_closeWhenEnded = false;
        m_jobMask = theJob.selectionMask;
        int total = 0;
        for (int row = 0; row < ParameterCount; ++row)
            if ((ParameterTable[row].maskBit & m_jobMask) != 0)
                ++total;
        m_status.Begin(m_jobName.isEmpty() ? std::string("Job") : m_jobName.toStdString(), total);
        if (!users.empty()) {
            QString warning = QString::fromLocal8Bit(PortUsersWarning(port, users));
            m_status.Warn(warning.toStdString());
            m_prompts->ShowNote(this, warning, ProgramTitle(), MessageIcon::Information);
        }
    } else {
        m_status.Refuse("The job could not be started.");
    }
    ShowStatusLine();
}



void COXEL_RemoteDlg::ShowStatusLine()
{
    if (auto* line = qobject_cast<QLabel*>(Item(IDC_STATUS_LINE))) {
        line->setText(QString::fromStdString(m_status.Text()));
        line->setToolTip(QString::fromStdString(m_status.Text()));
    }
}

QString COXEL_RemoteDlg::StatusLineText() const
{
    auto* line = qobject_cast<QLabel*>(Item(IDC_STATUS_LINE));
    return line == nullptr ? QString() : line->text();
}

void COXEL_RemoteDlg::OnStop()
{
    if (!m_jobRunning || m_status.State() == JobState::Stopping)
        return;
    m_status.OnStopRequested();
    m_runner->RequestStop();
    ShowStatusLine();
    UpdateButtons();
}

bool COXEL_RemoteDlg::OnJobMessage(const QString& text, const QString& caption, MessageIcon icon)
{
    bool first = m_status.OnFailure(text.toStdString());
    ShowStatusLine();
    if (first)
        m_prompts->ShowNote(this, text, caption, icon);
    return true;
}

void COXEL_RemoteDlg::HandleJobMessage(uint32_t message, uint32_t wParam, const CMessageValue& lParam)
{
    if (message == WM_SHOW_PROGRESS)
        OnShowProgress(wParam, lParam.NumberValue());
    else if (message == WM_SET_TEXT)
        OnSetText(static_cast<int>(wParam), lParam);
}

void COXEL_RemoteDlg::OnShowProgress(uint32_t stage, long count)
{
    if (!m_haveBaseCaption) {
        m_baseCaption = windowTitle();
        m_haveBaseCaption = true;
    }
    QString caption = m_baseCaption;
    if (stage == ProgressBadCode) {
        QString refused = QString::fromStdString(CJobStatus::CodeRefusedText());
        if (m_status.OnFailure(refused.toStdString()))
            m_prompts->ShowNote(this, refused + QStringLiteral(". Check the programming code and try again."),
                                ProgramTitle(), MessageIcon::Exclamation);
    }
    m_status.OnProgress(stage, count);
    ShowStatusLine();
    switch (stage) {
    case ProgressEnded:
        m_jobRunning = false;
        UpdateButtons();
        if (m_closeWhenEnded) {
            setWindowTitle(caption);
            close();
            return;
        }
        break;
    case ProgressDialing:
        caption += QString::fromLatin1(LoadString(IDS_DIALING)) + QStringLiteral(" (%1)").arg(count);
        break;
    case ProgressConnected:
        caption += QString::fromLatin1(LoadString(IDS_CONNECTED));
        break;
    case ProgressTransfer:
        caption += QString::fromLatin1(LoadString(IDS_TRANSFER));
        break;
    case ProgressBadCode:
        caption += CaptionSeparator + QString::fromLatin1(LoadString(IDS_BAD_CODE));
        break;
    default:
        break;
    }
    setWindowTitle(caption);
}

void COXEL_RemoteDlg::OnSetText(int id, const CMessageValue& value)
{
    // The control is set first (its change notification ticks the box), then the box is cleared.
    ApplySetText(*this, theJob.mode, id, value);
    int row = FindParameterByUpdateBox(id);
    if (row >= 0 && row < ParameterCount && (ParameterTable[row].maskBit & m_jobMask) != 0) {
        m_status.OnValue(id);
        ShowStatusLine();
    }
}

// ---------------------------------------------------------------------------------------------
// Commands, closing, window menu, help

bool COXEL_RemoteDlg::OnCommand(int id)
{
    if (id == IDOK)
        return true;
    if (id == IDCANCEL && m_escapeBlocked)
        return true;
    return false;
}

void COXEL_RemoteDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            OnCommand(IDOK);
            event->accept();
            return;
        }
        if (event->key() == Qt::Key_Escape) {
            reject();
            event->accept();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void COXEL_RemoteDlg::reject()
{
    if (OnCommand(IDCANCEL))
        return;
    // During a job the dialog ends the way closing it does: once the job has ended.
    if (m_jobRunning && m_runner->IsRunning()) {
        close();
        return;
    }
    QDialog::reject();
}

void COXEL_RemoteDlg::OnClose()
{
    m_escapeBlocked = false;
    close();
}

void COXEL_RemoteDlg::closeEvent(QCloseEvent* event)
{
    // The window's close box: the dialog ends, also during a job, but the job ends first, the
    // orderly way, and the window closes when it has.
    m_escapeBlocked = false;
    if (m_jobRunning && m_runner->IsRunning()) {
        m_closeWhenEnded = true;
        OnStop();
        event->ignore();
        return;
    }
    ShutDownJob();
    QDialog::closeEvent(event);
}

void COXEL_RemoteDlg::ShutDownJob()
{
    m_notifyWindow.Close();
    if (theJob.notifyWindow == &m_notifyWindow && m_runner->IsRunning())
        m_runner->Stop();
    if (theJob.notifyWindow == &m_notifyWindow && !m_runner->IsRunning())
        theJob.notifyWindow = nullptr;
    m_jobRunning = false;
}

void COXEL_RemoteDlg::OnSysCommand(unsigned id)
{
    if ((id & 0xFFF0u) == IDM_ABOUTBOX && m_shell != nullptr)
        m_shell->RunAboutBox(this);
}

unsigned COXEL_RemoteDlg::HelpContext()
{
    return 0x20000u + IDD_OXEL_REMOTE_DIALOG;
}

void COXEL_RemoteDlg::OnHelp()
{
    if (m_shell != nullptr)
        m_shell->ShowHelp(this, HelpContext());
}

void COXEL_RemoteDlg::OnComPort()
{
    if (m_shell != nullptr)
        m_shell->RunComPortDialog(this);
}

void COXEL_RemoteDlg::ShowAppMessage(const QString& text)
{
    m_prompts->ShowMessage(this, text, ApplicationName(), MessageIcon::Exclamation);
}

// ---------------------------------------------------------------------------------------------
// Parameter files

void COXEL_RemoteDlg::OnSave()
{
    // Save stages the job in theJob; while a job runs that record is the job's.
    if (m_runner->IsRunning())
        return;
    if (!FillJob(JobRead))
        return;
    QString path = m_prompts->GetSaveFileName(this);
    if (path.isEmpty())
        return;
    CopyValuesToJob();
    // A new file beside the old one, renamed over it once written: a failed save keeps the old file.
    std::string message;
    if (!SaveParameterFile(QFile::encodeName(path).toStdString(), theJob, GetItemText(IDC_POWER_STATUS),
                           GetItemText(IDC_FIRMWARE), &message))
        ShowAppMessage(QString::fromLocal8Bit(message));
}

void COXEL_RemoteDlg::OnLoad()
{
    QString path = m_prompts->GetOpenFileName(this);
    if (path.isEmpty())
        return;
    std::vector<uint8_t> bytes;
    std::string message;
    if (!ReadParameterFile(QFile::encodeName(path).toStdString(), &bytes, &message)) {
        ShowAppMessage(QString::fromLocal8Bit(message));
        return;
    }
    // The loader sets the update boxes itself from the file; the values it puts into the
    // controls do not tick them, and a load that stops half-way leaves them as they were.
    m_loading = true;
    std::vector<std::string> before = ControlSnapshot();
    LoadOutcome outcome = LoadParameterImage(bytes.data(), bytes.size(), *this);
    m_loading = false;
    UpdateButtons();
    if (outcome == LoadOutcome::Loaded)
        return;
    QString text = QString::fromLatin1(LoadString(LoadOutcomeMessageId(outcome)));
    if (outcome == LoadOutcome::Corrupt && ControlSnapshot() != before)
        text += QStringLiteral("\n\nSome values before the damaged part were already loaded into the window; "
                               "the update boxes were left as they were. Check the values before you write them.");
    ShowAppMessage(text);
}

std::vector<std::string> COXEL_RemoteDlg::ControlSnapshot() const
{
    std::vector<std::string> snapshot;
    for (const auto& [id, widget] : m_built.controls) {
        if (id == IDC_STATUS_LINE)
            continue;
        snapshot.push_back(GetItemText(id));
        snapshot.push_back(IsButtonChecked(id) ? "1" : "0");
        snapshot.push_back(std::to_string(GetComboSelection(id)));
    }
    return snapshot;
}
