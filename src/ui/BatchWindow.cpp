#include "ui/BatchWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "batch/BatchReport.h"
#include "batch/ChildProcess.h"
#include "form/ValueRules.h"

namespace {

enum Column { ColumnRow, ColumnNumber, ColumnUnit, ColumnAction, ColumnState, ColumnMessage, ColumnCount };

QString Text(const std::string& text)
{
    return QString::fromUtf8(text.c_str(), static_cast<int>(text.size()));
}

void SetCell(QTableWidget* table, int row, int column, const QString& text)
{
    QTableWidgetItem* item = table->item(row, column);
    if (item == nullptr) {
        item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        table->setItem(row, column, item);
    }
    if (item->text() != text)
        item->setText(text);
}

} // namespace

CBatchWindow::CBatchWindow(const std::vector<std::string>& ports, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Batch"));
    m_ports = new QListWidget(this);
    m_table = new QTableWidget(0, ColumnCount, this);
    m_table->setHorizontalHeaderLabels({tr("Row"), tr("Number"), tr("Unit"), tr("Action"), tr("State"), tr("Message")});
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->hide();
    m_status = new QLabel(this);
    m_status->setWordWrap(true);
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

    // pravel-cli batch's defaults: rows read, two more calls to a busy or unanswered line a
    // minute later, a fresh run.
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
    auto* top = new QHBoxLayout;
    top->addWidget(m_table, 1);
    top->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_status);
    resize(760, 420);

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
    auto* item = new QListWidgetItem(Text(port), m_ports);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
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
    return m_status->text();
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
        m_status->setText(list);
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
    m_status->setText(list + "\n" + tr("Tick the modems and press Start."));
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
        m_status->setText(tr("Tick at least one modem's port."));
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
        m_status->setText(tr("The run could not be started."));
        return false;
    }
    m_status->setText(tr("Running over %1 modem(s)...").arg(m_options.ports.size()));
    m_timer->start();
    UpdateButtons();
    return true;
}

void CBatchWindow::Stop()
{
    if (!m_runner || !IsRunning())
        return;
    m_runner->Stop();
    m_status->setText(tr("Stopping: each running call logs off and hangs up..."));
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
    if (!m_finished)
        return;
    m_timer->stop();
    m_thread.Join();
    if (!m_runProblem.empty())
        m_status->setText(Text(m_runProblem));
    else
        m_status->setText(tr("%1 of %2 rows succeeded.").arg(progress.succeeded).arg(progress.total));
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
        m_status->setText(Text(problem));
        return false;
    }
    m_status->setText(tr("Report saved to %1.").arg(Text(path)));
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
                             static_cast<QWidget*>(m_resume)})
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
