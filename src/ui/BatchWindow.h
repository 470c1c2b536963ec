// The "Batch..." window: opens a plan, ticks the modems' ports, starts and stops a batch run and
// shows each row's state as it changes, the run's progress (rows done of rows) and, for the row
// selected, its whole result in a pane below the table; saves the report as pravel-cli batch
// --report writes it. A port not listed can be typed in and added. It runs the same runner as
// pravel-cli batch, each call a child pravel-cli, and checks the plan with the same rules: a
// plan with any bad row or value is refused whole. The settings beside the port list are
// pravel-cli batch's options: what rows without an action do (--action), the retries of a busy,
// unanswered or noisy line (--retries, --retry-delay) and whether to skip the rows an earlier run
// of the same plan finished (--resume; the journal is PLAN.journal).
//
// Thread contract: the window lives on the GUI thread. Start runs the runner on a thread of its
// own (m_thread), which touches only the runner, the plan and the options; the window polls the
// runner's snapshot on a timer and never waits for the run. Stop asks the runner to stop (a
// second time: at once). Closing the window while a run goes on stops it and waits for the
// running calls to hang up. Not copyable.
#pragma once

#include <QDialog>

#include <atomic>
#include <string>
#include <utility>
#include <vector>

#include "batch/BatchPlan.h"
#include "batch/BatchResult.h"
#include "batch/BatchRunner.h"
#include "platform/Thread.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QSpinBox;
class QPushButton;
class QTableWidget;
class QTimer;

class CBatchWindow : public QDialog {
    Q_OBJECT
public:
    // ports: the devices to offer (the port list's), typed ones may be added with AddPort.
    CBatchWindow(const std::vector<std::string>& ports, QWidget* parent = nullptr);
    ~CBatchWindow() override;

    // Reads and checks the plan; false with every error shown in the status text.
    bool OpenPlan(const std::string& path);
    void AddPort(const std::string& port, bool ticked);
    // The ports offered, each with whether it is ticked.
    std::vector<std::pair<std::string, bool>> Ports() const;
    // Starts the run over the ticked ports; false with the reason in the status text.
    bool Start();
    void Stop();
    bool IsRunning() const { return m_thread.IsStarted(); }
    bool SaveReport(const std::string& path);
    // pravel-cli for the calls (default: beside this program).
    void SetProgram(const std::string& path) { m_program = path; }
    void SetRetries(int retries, double delaySeconds);
    // What rows without an action of their own do; an open plan is checked again.
    void SetDefaultAction(JobMode action);
    // Skip the rows the plan's journal says an earlier run finished.
    void SetResume(bool resume);

    QTableWidget* Table() const { return m_table; }
    QProgressBar* ProgressBar() const { return m_progress; }
    QLineEdit* PortEntry() const { return m_portEntry; }
    QString StatusText() const;
    // The pane's text for the selected row; empty with none selected.
    QString DetailText() const;
    // The rows' results as the table shows them (a saved report holds these).
    const std::vector<RowResult>& Results() const { return m_results; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnOpen();
    void OnSave();
    void Poll();
    void FillTable();
    void UpdateButtons();
    void ShowDetail();
    void OnAddTypedPort();

    QListWidget* m_ports;
    QLineEdit* m_portEntry;
    QPushButton* m_addPort;
    QProgressBar* m_progress;
    QPlainTextEdit* m_detail;
    QComboBox* m_action;
    QSpinBox* m_retries;
    QDoubleSpinBox* m_retryDelay;
    QCheckBox* m_resume;
    QTableWidget* m_table;
    QPlainTextEdit* m_status;
    QPushButton* m_open;
    QPushButton* m_start;
    QPushButton* m_stop;
    QPushButton* m_save;
    QTimer* m_timer;

    std::string m_planPath;
    BatchPlan m_plan;
    BatchOptions m_options;
    std::string m_program;
    std::unique_ptr<CBatchRunner> m_runner;
    std::vector<RowResult> m_results;
    std::atomic<bool> m_finished{false};
    std::string m_runProblem; // written by the run thread before m_finished
    CThread m_thread;
};
