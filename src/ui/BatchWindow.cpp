#include "ui/BatchWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "batch/BatchReport.h"
#include "batch/ChildProcess.h"
#include "form/ValueRules.h"

namespace {

enum Column { ColumnRow, ColumnNumber, ColumnUnit, ColumnAction, ColumnState, ColumnMessage, ColumnCount };

QString Text(const std::string& text)
{
    return QString::fromUtf8(text.c_str(), static_cast<int>(text.size()));
}

// The cell shows the text on one line; its tooltip holds it whole, line breaks and all.
void SetCell(QTableWidget* table, int row, int column, const QString& text)
{
    QTableWidgetItem* item = table->item(row, column);
    if (item == nullptr) {
        item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        table->setItem(row, column, item);
    }
    QString oneLine = text;
    oneLine.replace(QLatin1Char('\n'), QStringLiteral(" / "));
    if (item->text() != oneLine) {
        item->setText(oneLine);
        item->setToolTip(text);
    }
}

} // namespace

CBatchWindow::CBatchWindow(const std::vector<std::string>& ports, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Batch"));
    m_ports = new QListWidget(this);
    m_table = new QTableWidget(0, ColumnCount, this);
    m_table->setHorizontalHeaderLabels({tr("Row"), tr("Number"), tr("Unit"), tr("Action"), tr("State"), tr("Message")});
    m_table->verticalHeader()->hide();
    m_table->setWordWrap(false);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    // Every column but the message as wide as its widest cell; the message takes the rest, and
    // is whole in its tooltip and in the pane below.
    for (int column = ColumnRow; column < ColumnMessage; ++column)
        m_table->horizontalHeader()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(ColumnMessage, QHeaderView::Stretch);
    m_detail = new QPlainTextEdit(this);
    m_detail->setObjectName(QStringLiteral("detail"));
    m_detail->setReadOnly(true);
    m_detail->setPlaceholderText(tr("Select a row to read its whole result."));
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_progress->setFormat(tr("%v of %m rows"));
    // The plan check's whole list, or the run's state; scrolls rather than growing the window.
    m_status = new QPlainTextEdit(this);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setReadOnly(true);
    m_status->setMaximumHeight(m_status->fontMetrics().lineSpacing() * 6);
    m_portEntry = new QLineEdit(this);
    m_portEntry->setObjectName(QStringLiteral("portEntry"));
    m_portEntry->setPlaceholderText(tr("/dev/ttyUSB0"));
    m_portEntry->setToolTip(tr("Type a modem's serial port and press Add"));
    m_addPort = new QPushButton(tr("&Add"), this);
    m_open = new QPushButton(tr("&Open plan..."), this);
    m_start = new QPushButton(tr("&Start"), this);
    m_stop = new QPushButton(tr("S&top"), this);
    m_save = new QPushButton(tr("Save &report..."), this);
    auto* close = new QPushButton(tr("&Close"), this);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {m_open, m_start, m_stop, m_save, close})
        buttons->addWidget(button);
    buttons->addStretch();
    buttons->addWidget(new QLabel(tr("Modems:"), this));
    buttons->addWidget(m_ports);
    auto* typed = new QHBoxLayout;
    typed->addWidget(m_portEntry, 1);
    typed->addWidget(m_addPort);
    buttons->addLayout(typed);

    // pravel-cli batch's defaults: rows read, two more calls to a busy, unanswered or noisy line
    // a minute later, a fresh run.
    m_action = new QComboBox(this);
    m_action->setObjectName(QStringLiteral("action"));
    m_action->addItems({tr("read"), tr("write")});
    m_retries = new QSpinBox(this);
    m_retries->setObjectName(QStringLiteral("retries"));
    m_retries->setRange(0, 20);
    m_retries->setValue(m_options.retries);
    m_retryDelay = new QDoubleSpinBox(this);
    m_retryDelay->setObjectName(QStringLiteral("retryDelay"));
    m_retryDelay->setRange(0, 3600);
    m_retryDelay->setDecimals(1);
    m_retryDelay->setSuffix(tr(" s"));
    m_retryDelay->setValue(m_options.retryDelaySeconds);
    m_resume = new QCheckBox(tr("Skip rows an earlier run finished"), this);
    m_resume->setObjectName(QStringLiteral("resume"));
    auto* settings = new QFormLayout;
    settings->addRow(tr("Rows without action:"), m_action);
    settings->addRow(tr("Retries:"), m_retries);
    settings->addRow(tr("Retry after:"), m_retryDelay);
    buttons->addLayout(settings);
    buttons->addWidget(m_resume);
    auto* rows = new QSplitter(Qt::Vertical, this);
    rows->addWidget(m_table);
    rows->addWidget(m_detail);
    rows->setStretchFactor(0, 3);
    rows->setStretchFactor(1, 1);
    auto* top = new QHBoxLayout;
    top->addWidget(rows, 1);
    top->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_progress);
    layout->addWidget(m_status);
    resize(900, 520);

    for (const std::string& port : ports)
        AddPort(port, false);
    const std::string self = CurrentProgramPath();
    const size_t slash = self.find_last_of("/\\");
    m_program = (slash == std::string::npos ? std::string() : self.substr(0, slash + 1)) + "pravel-cli";
    m_timer = new QTimer(this);
    m_timer->setInterval(200);
    connect(m_timer, &QTimer::timeout, this, &CBatchWindow::Poll);
    connect(m_open, &QPushButton::clicked, this, &CBatchWindow::OnOpen);
    connect(m_start, &QPushButton::clicked, this, [this] { Start(); });
    connect(m_stop, &QPushButton::clicked, this, &CBatchWindow::Stop);
    connect(m_save, &QPushButton::clicked, this, &CBatchWindow::OnSave);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(m_addPort, &QPushButton::clicked, this, &CBatchWindow::OnAddTypedPort);
    connect(m_portEntry, &QLineEdit::returnPressed, this, &CBatchWindow::OnAddTypedPort);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &CBatchWindow::ShowDetail);
    connect(m_action, &QComboBox::currentIndexChanged, this, [this] {
        // The open plan was checked for the other action: check it again.
        if (!m_planPath.empty() && !IsRunning())
            OpenPlan(m_planPath);
    });
    UpdateButtons();
}

CBatchWindow::~CBatchWindow()
{
    if (m_runner)
        m_runner->Stop();
    m_thread.Join();
}

void CBatchWindow::AddPort(const std::string& port, bool ticked)
{
    // A port already offered is ticked rather than offered twice.
    for (int i = 0; i < m_ports->count(); ++i)
        if (m_ports->item(i)->text() == Text(port)) {
            if (ticked)
                m_ports->item(i)->setCheckState(Qt::Checked);
            return;
        }
    auto* item = new QListWidgetItem(Text(port), m_ports);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    item->setToolTip(Text(port));
}

std::vector<std::pair<std::string, bool>> CBatchWindow::Ports() const
{
    std::vector<std::pair<std::string, bool>> ports;
    for (int i = 0; i < m_ports->count(); ++i)
        ports.emplace_back(m_ports->item(i)->text().toStdString(), m_ports->item(i)->checkState() == Qt::Checked);
    return ports;
}

void CBatchWindow::OnAddTypedPort()
{
    const QString port = m_portEntry->text().trimmed();
    if (port.isEmpty())
        return;
    AddPort(port.toStdString(), true);
    m_portEntry->clear();
}

void CBatchWindow::SetRetries(int retries, double delaySeconds)
{
    m_retries->setValue(retries);
    m_retryDelay->setValue(delaySeconds);
}

void CBatchWindow::SetDefaultAction(JobMode action)
{
    m_action->setCurrentIndex(action == JobWrite ? 1 : 0);
}

void CBatchWindow::SetResume(bool resume)
{
    m_resume->setChecked(resume);
}

QString CBatchWindow::StatusText() const
{
    return m_status->toPlainText();
}

QString CBatchWindow::DetailText() const
{
    const QList<QTableWidgetItem*> selected = m_table->selectedItems();
    if (selected.isEmpty())
        return QString();
    const int row = selected.front()->row();
    if (row < 0 || static_cast<size_t>(row) >= m_results.size())
        return QString();
    const RowResult& r = m_results[static_cast<size_t>(row)];
    QStringList lines;
    lines << tr("Row %1: %2, unit %3, %4")
                 .arg(r.row)
                 .arg(Text(r.number))
                 .arg(r.unit)
                 .arg(r.action == JobWrite ? tr("write") : tr("read"));
    const QTableWidgetItem* state = m_table->item(row, ColumnState);
    if (state != nullptr)
        lines << tr("State: %1").arg(state->toolTip().isEmpty() ? state->text() : state->toolTip());
    if (!r.port.empty())
        lines << tr("Modem: %1, %2 call(s), %3 s").arg(Text(r.port)).arg(r.attempts).arg(r.durationSeconds, 0, 'f', 1);
    if (!r.firmware.empty())
        lines << tr("Firmware: %1").arg(Text(r.firmware));
    for (const auto& [name, value] : r.values)
        lines << Text(name) + QStringLiteral(" = ") + Text(value);
    if (!r.archive.empty())
        lines << tr("Saved to %1").arg(Text(r.archive));
    const QTableWidgetItem* message = m_table->item(row, ColumnMessage);
    if (message != nullptr && !message->toolTip().isEmpty())
        lines << tr("Message: %1").arg(message->toolTip());
    return lines.join(QLatin1Char('\n'));
}

void CBatchWindow::ShowDetail()
{
    const QString text = DetailText();
    if (m_detail->toPlainText() != text)
        m_detail->setPlainText(text);
}

bool CBatchWindow::OpenPlan(const std::string& path)
{
    if (IsRunning())
        return false;
    m_planPath = path;
    BatchPlan plan;
    std::vector<PlanError> errors;
    const JobMode action = m_action->currentIndex() == 1 ? JobWrite : JobRead;
    // The check's list as pravel-cli batch --check gives it: errors, warnings, the sum.
    const bool loaded = LoadBatchPlan(path, action, CheckParameterValue, &plan, &errors);
    QString list;
    for (const std::string& line : PlanCheckLines(plan, errors))
        list += (list.isEmpty() ? "" : "\n") + Text(line);
    if (!loaded) {
        m_status->setPlainText(list);
        m_plan = BatchPlan{};
        m_results.clear();
        FillTable();
        UpdateButtons();
        return false;
    }
    m_plan = plan;
    m_results.clear();
    for (const PlanRow& row : m_plan.rows) {
        RowResult result;
        result.row = row.row;
        result.number = row.number;
        result.unit = row.unit;
        result.action = row.action;
        m_results.push_back(result);
    }
    FillTable();
    for (int i = 0; i < m_table->rowCount(); ++i)
        SetCell(m_table, i, ColumnState, tr("waiting"));
    m_progress->setRange(0, std::max(1, static_cast<int>(m_plan.rows.size())));
    m_progress->setValue(0);
    m_status->setPlainText(list + "\n" + tr("Tick the modems and press Start."));
    UpdateButtons();
    return true;
}

bool CBatchWindow::Start()
{
    if (IsRunning() || m_plan.rows.empty())
        return false;
    m_options.ports.clear();
    for (int i = 0; i < m_ports->count(); ++i)
        if (m_ports->item(i)->checkState() == Qt::Checked)
            m_options.ports.push_back(m_ports->item(i)->text().toStdString());
    if (m_options.ports.empty()) {
        m_status->setPlainText(tr("Tick at least one modem's port."));
        return false;
    }
    m_options.program = m_program;
    m_options.journalPath = m_planPath + ".journal";
    m_options.resume = m_resume->isChecked();
    m_options.retries = m_retries->value();
    m_options.retryDelaySeconds = m_retryDelay->value();
    m_runner = std::make_unique<CBatchRunner>();
    m_finished = false;
    m_runProblem.clear();
    CBatchRunner* runner = m_runner.get();
    const bool started = m_thread.Start([this, runner] {
        std::vector<RowResult> results;
        std::string problem;
        if (!runner->Run(m_plan, m_options, {}, &results, &problem))
            m_runProblem = problem;
        m_finished = true;
    });
    if (!started) {
        m_status->setPlainText(tr("The run could not be started."));
        return false;
    }
    m_status->setPlainText(tr("Running over %1 modem(s)...").arg(m_options.ports.size()));
    m_progress->setRange(0, std::max(1, static_cast<int>(m_plan.rows.size())));
    m_progress->setValue(0);
    m_timer->start();
    UpdateButtons();
    return true;
}

void CBatchWindow::Stop()
{
    if (!m_runner || !IsRunning())
        return;
    m_runner->Stop();
    m_status->setPlainText(tr("Stopping: each running call logs off and hangs up..."));
}

void CBatchWindow::Poll()
{
    if (!m_runner)
        return;
    std::vector<bool> ended;
    std::vector<RowResult> results = m_runner->Results(&ended);
    const BatchProgress progress = m_runner->Progress();
    if (!results.empty())
        m_results = results;
    for (size_t i = 0; i < m_results.size() && i < ended.size(); ++i) {
        QString state = ended[i] ? QString::fromLatin1(RowOutcomeWord(m_results[i].outcome))
                                 : (m_results[i].attempts > 0 ? tr("waiting to call again") : tr("waiting"));
        for (const ModemActivity& modem : progress.modems)
            if (modem.row == m_results[i].row)
                state = tr("calling on %1").arg(Text(modem.port));
        SetCell(m_table, static_cast<int>(i), ColumnState, state);
        SetCell(m_table, static_cast<int>(i), ColumnMessage, Text(ended[i] ? m_results[i].message : std::string()));
    }
    if (progress.total > 0) {
        m_progress->setRange(0, progress.total);
        m_progress->setValue(progress.ended);
    }
    ShowDetail();
    if (!m_finished)
        return;
    m_timer->stop();
    m_thread.Join();
    if (!m_runProblem.empty())
        m_status->setPlainText(Text(m_runProblem));
    else
        m_status->setPlainText(tr("%1 of %2 rows succeeded.").arg(progress.succeeded).arg(progress.total));
    UpdateButtons();
}

void CBatchWindow::FillTable()
{
    m_table->setRowCount(static_cast<int>(m_results.size()));
    for (size_t i = 0; i < m_results.size(); ++i) {
        const RowResult& r = m_results[i];
        const int row = static_cast<int>(i);
        SetCell(m_table, row, ColumnRow, QString::number(r.row));
        SetCell(m_table, row, ColumnNumber, Text(r.number));
        SetCell(m_table, row, ColumnUnit, QString::number(r.unit));
        SetCell(m_table, row, ColumnAction, r.action == JobWrite ? tr("write") : tr("read"));
    }
}

bool CBatchWindow::SaveReport(const std::string& path)
{
    std::string problem;
    if (!WriteBatchReport(path, m_results, &problem)) {
        m_status->setPlainText(Text(problem));
        return false;
    }
    m_status->setPlainText(tr("Report saved to %1.").arg(Text(path)));
    return true;
}

void CBatchWindow::OnOpen()
{
    const QString path = QFileDialog::getOpenFileName(this, tr("Open plan"), QString(), tr("Plans (*.csv);;All files (*)"));
    if (!path.isEmpty())
        OpenPlan(path.toStdString());
}

void CBatchWindow::OnSave()
{
    const QString path =
        QFileDialog::getSaveFileName(this, tr("Save report"), QString(), tr("CSV (*.csv);;JSON (*.json)"));
    if (!path.isEmpty())
        SaveReport(path.toStdString());
}

void CBatchWindow::UpdateButtons()
{
    const bool running = IsRunning();
    m_open->setEnabled(!running);
    m_start->setEnabled(!running && !m_plan.rows.empty());
    m_stop->setEnabled(running);
    m_save->setEnabled(!running && !m_results.empty());
    for (QWidget* setting : {static_cast<QWidget*>(m_ports), static_cast<QWidget*>(m_action),
                             static_cast<QWidget*>(m_retries), static_cast<QWidget*>(m_retryDelay),
                             static_cast<QWidget*>(m_resume), static_cast<QWidget*>(m_portEntry),
                             static_cast<QWidget*>(m_addPort)})
        setting->setEnabled(!running);
}

void CBatchWindow::closeEvent(QCloseEvent* event)
{
    if (IsRunning()) {
        // The calls log off and hang up first; the window goes once they have.
        if (!m_runner->StopRequested())
            Stop();
        event->ignore();
        QTimer::singleShot(200, this, [this] {
            if (!IsRunning())
                close();
            else
                QTimer::singleShot(200, this, [this] { close(); });
        });
        return;
    }
    QDialog::closeEvent(event);
}
