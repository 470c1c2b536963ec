#include "ui/OXEL_RemoteDlg.h"

#include <QAbstractButton>
#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <algorithm>
#include <vector>

#include "form/MainDialogTemplate.h"
#include "form/StatusLineText.h"
#include "model/DialogIds.h"
#include "model/JobMessages.h"
#include "model/ParameterTable.h"
#include "model/StringTable.h"
#include "ui/DialogPrompts.h"
#include "ui/MessageBoxes.h"
#include "ui/ProgramArt.h"
#include "ui/ShellActions.h"
#include "ui/Tooltips.h"
#include "ui/UpDownControl.h"
#include "ui/WidgetItems.h"
#include "worker/JobRunner.h"

namespace {

const char* const StopText = "&Stop";
const char* const StopTip = "Ends the call the orderly way: logs the unit off, resets the modem and hangs up.";

} // namespace

COXEL_RemoteDlg::COXEL_RemoteDlg(IShellActions* shell, IJobRunner* runner, IDialogPrompts* prompts, QWidget* parent)
    : QDialog(parent), m_shell(shell),
      m_ownRunner(runner == nullptr ? std::make_unique<CJobWorkerRunner>() : nullptr),
      m_runner(runner == nullptr ? m_ownRunner.get() : runner), m_prompts(prompts),
      m_notifyWindow([this](uint32_t message, uint32_t wParam, const CMessageValue& lParam) {
          HandleJobMessage(message, wParam, lParam);
      }),
      m_controller(*this, *this, *m_runner, &m_notifyWindow)
{
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
    m_notifyWindow.Close();
    m_controller.ShutDownJob();
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

// ---------------------------------------------------------------------------------------------
// Initialisation: the widgets, their signals, the shortcuts and the menu entries

void COXEL_RemoteDlg::OnInitDialog()
{
    // The controls, with the combo boxes' items.
    m_built = BuildDialog(this, MainDialogTemplate);
    ConnectValueChanges();
    ConnectButtons();
    AddActions();
    setWindowIcon(ProgramIcon());
    CreateTooltips(this, TooltipTable);

    LimitWidgetText(Item(IDC_PHONE_NUMBER), 20);
    LimitWidgetText(Item(IDC_PROGRAMMING_CODE), 4);
    for (int row = 0; row < ParameterCount; ++row)
        if (ParameterTable[row].kind == KindText && ParameterTable[row].maxLength > 0)
            LimitWidgetText(Item(ParameterTable[row].valueControlId), ParameterTable[row].maxLength);
    if (auto* spin = qobject_cast<CUpDownControl*>(Item(IDC_ALARM_BUTTON_DELAY_SPIN)))
        spin->SetRange(2, 30);
    if (auto* spin = qobject_cast<CUpDownControl*>(Item(IDC_ALARM_TYPE_SPIN)))
        spin->SetRange(0, 99);
    m_controller.Initialise();

    if (auto* logo = qobject_cast<QLabel*>(Item(IDC_LOGO)))
        logo->setPixmap(DrawLogo(logo->size(), devicePixelRatioF()));
}

void COXEL_RemoteDlg::ConnectButtons()
{
    for (auto [id, widget] : m_built.controls) {
        auto* button = qobject_cast<QPushButton*>(widget);
        if (button == nullptr)
            continue;
        int command = id;
        connect(button, &QPushButton::clicked, this, [this, command] {
            if (m_controller.OnButton(command))
                return;
            if (command == IDC_COM_PORT)
                OnComPort();
            else if (command == ID_HELP)
                OnHelp();
            m_controller.UpdateButtons();
        });
    }
    auto* helpKey = new QShortcut(QKeySequence::HelpContents, this);
    connect(helpKey, &QShortcut::activated, this, &COXEL_RemoteDlg::OnHelp);
    // Beside the mnemonics: Ctrl+S saves, Ctrl+O loads, Ctrl+Q closes (by the buttons' rules).
    auto* saveKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this);
    connect(saveKey, &QShortcut::activated, this, [this] {
        if (IsItemEnabled(IDC_SAVE))
            m_controller.OnSave();
        m_controller.UpdateButtons();
    });
    auto* loadKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), this);
    connect(loadKey, &QShortcut::activated, this, [this] {
        m_controller.OnLoad();
        m_controller.UpdateButtons();
    });
    auto* closeKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    connect(closeKey, &QShortcut::activated, this, &COXEL_RemoteDlg::OnClose);
}

void COXEL_RemoteDlg::AddActions()
{
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
    }
    // Batch runs of a plan, in a window of their own beside the dialog (Ctrl+B).
    m_batchAction = new QAction(tr("Batch..."), this);
    m_batchAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    m_batchAction->setShortcutContext(Qt::WindowShortcut);
    connect(m_batchAction, &QAction::triggered, this, [this] {
        if (m_shell != nullptr)
            m_shell->OpenBatchWindow(this);
    });
    addAction(m_batchAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void COXEL_RemoteDlg::ConnectValueChanges()
{
    for (int row = 0; row < ParameterCount; ++row) {
        const ParameterDescriptor& p = ParameterTable[row];
        int box = p.updateBoxId;
        auto changed = [this, box] { m_controller.OnValueChanged(box); };
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
            connect(updateBox, &QAbstractButton::toggled, this, [this] { m_controller.UpdateButtons(); });
    }
    for (int id : {IDC_PHONE_NUMBER, IDC_PROGRAMMING_CODE})
        if (auto* edit = qobject_cast<QLineEdit*>(Item(id)))
            connect(edit, &QLineEdit::textChanged, this, [this] { m_controller.UpdateButtons(); });
}

// ---------------------------------------------------------------------------------------------
// The window, as the controller uses it

std::string COXEL_RemoteDlg::Caption() const
{
    return windowTitle().toStdString();
}

void COXEL_RemoteDlg::SetCaption(const std::string& caption)
{
    setWindowTitle(QString::fromStdString(caption));
}

void COXEL_RemoteDlg::EnableItem(int id, bool on)
{
    QWidget* item = Item(id);
    if (item == nullptr || item->isEnabled() == on)
        return;
    if (!on && focusWidget() == item) {
        // Qt would hand the focus to the next control in the chain (Load, after Read all), where
        // a stray Enter during the job opens the file dialog. The dialog keeps it instead (Enter
        // does nothing there), and the button gets it back when it is enabled again.
        m_parkedFocus = item;
        item->clearFocus();
    }
    item->setEnabled(on);
    if (on)
        RestoreParkedFocus();
}

void COXEL_RemoteDlg::RestoreParkedFocus()
{
    if (m_parkedFocus == nullptr)
        return;
    if (focusWidget() != nullptr) {
        m_parkedFocus = nullptr; // the user has put the focus somewhere since
        return;
    }
    // The button that lost it, or Read all when that one stays grey (Read with no box left).
    QWidget* target = m_parkedFocus->isEnabled() ? m_parkedFocus.data() : nullptr;
    if (target == nullptr && IsItemEnabled(ID_READ_ALL))
        target = Item(ID_READ_ALL);
    if (target == nullptr)
        return;
    m_parkedFocus = nullptr;
    target->setFocus(Qt::OtherFocusReason);
}

void COXEL_RemoteDlg::ShowCloseAsStop(bool stop)
{
    auto* close = qobject_cast<QAbstractButton*>(Item(IDC_CLOSE));
    QString text = stop ? QString::fromLatin1(StopText) : QStringLiteral("&Close");
    if (close == nullptr || close->text() == text)
        return;
    close->setText(text);
    close->setToolTip(stop ? QString::fromLatin1(StopTip) : QString::fromLatin1(LoadString(IDS_TIP_CLOSE)));
}

void COXEL_RemoteDlg::ShowStatusLine(const std::string& text)
{
    auto* line = qobject_cast<QLabel*>(Item(IDC_STATUS_LINE));
    if (line == nullptr)
        return;
    // The line is one text line high: a message of several lines is joined into one, and what
    // is still too wide ends in an ellipsis. The tooltip has the message as it came.
    const QString shown = QString::fromStdString(::StatusLineText(text));
    const int room = line->contentsRect().width() - 2 * std::max(line->indent(), 0) - 2 * line->margin();
    line->setText(line->fontMetrics().elidedText(shown, Qt::ElideRight, std::max(room, 0)));
    line->setToolTip(QString::fromStdString(text));
}

QString COXEL_RemoteDlg::StatusLineText() const
{
    auto* line = qobject_cast<QLabel*>(Item(IDC_STATUS_LINE));
    return line == nullptr ? QString() : line->text();
}

void COXEL_RemoteDlg::ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon)
{
    m_prompts->ShowMessage(this, QString::fromLocal8Bit(text), QString::fromLocal8Bit(caption), icon);
}

void COXEL_RemoteDlg::ShowNote(const std::string& text, const std::string& caption, MessageIcon icon)
{
    m_prompts->ShowNote(this, QString::fromLocal8Bit(text), QString::fromLocal8Bit(caption), icon);
}

std::string COXEL_RemoteDlg::ApplicationName() const
{
    return ::ApplicationName().toLocal8Bit().toStdString();
}

std::string COXEL_RemoteDlg::AskSavePath()
{
    return QFile::encodeName(m_prompts->GetSaveFileName(this)).toStdString();
}

std::string COXEL_RemoteDlg::AskOpenPath()
{
    return QFile::encodeName(m_prompts->GetOpenFileName(this)).toStdString();
}

void COXEL_RemoteDlg::CloseDialog()
{
    close();
}

// ---------------------------------------------------------------------------------------------
// Job messages, commands, closing, window menu, help

bool COXEL_RemoteDlg::OnJobMessage(const QString& text, const QString& caption, MessageIcon icon)
{
    m_controller.OnJobMessage(text.toLocal8Bit().toStdString(), caption.toLocal8Bit().toStdString(), icon);
    return true;
}

void COXEL_RemoteDlg::HandleJobMessage(uint32_t message, uint32_t wParam, const CMessageValue& lParam)
{
    if (message == WM_SHOW_PROGRESS)
        m_controller.OnShowProgress(wParam, lParam.NumberValue());
    else if (message == WM_SET_TEXT)
        m_controller.OnSetText(static_cast<int>(wParam), lParam);
}

bool COXEL_RemoteDlg::OnCommand(int id)
{
    return id == IDOK || (id == IDCANCEL && m_controller.IsEscapeBlocked());
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
    if (m_controller.IsJobRunning() && m_runner->IsRunning()) {
        close();
        return;
    }
    QDialog::reject();
}

void COXEL_RemoteDlg::OnClose()
{
    m_controller.UnblockEscape();
    close();
}

void COXEL_RemoteDlg::closeEvent(QCloseEvent* event)
{
    if (!m_controller.OnCloseRequest()) {
        event->ignore();
        return;
    }
    m_notifyWindow.Close();
    m_controller.ShutDownJob();
    QDialog::closeEvent(event);
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
