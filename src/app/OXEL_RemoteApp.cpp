#include "app/OXEL_RemoteApp.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QProgressBar>
#include <QTimer>
#include <cstdio>

#include "app/AboutDlg.h"
#include "app/BatchModems.h"
#include "app/SelectPortDlg.h"
#include "app/SerialDeviceList.h"
#include "app/StartFilePrompts.h"
#include "app/TerminationSignals.h"
#include "model/ComPortName.h"
#include "model/DialogIds.h"
#include "modem/DialogueTraceScope.h"
#include "diag/Trace.h"
#include "worker/JobWorker.h"
#include "model/StringTable.h"
#include "sim/Simulator.h"
#include "ui/BatchWindow.h"
#include "ui/DialogPrompts.h"
#include "ui/MessageBoxes.h"
#include "ui/OXEL_RemoteDlg.h"
#include "ui/QtMessagePresenter.h"

namespace {

// The number and code of the simulated unit.
constexpr const char* SimulatedNumber = "5550100";

} // namespace

COXEL_RemoteApp::COXEL_RemoteApp() : m_settings(ApplicationName()) {}

COXEL_RemoteApp::~COXEL_RemoteApp() = default;

int COXEL_RemoteApp::InitInstance(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Remote programming of lift emergency telephones"));
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption simulate(
        QStringLiteral("simulate"),
        QStringLiteral("Use the built-in simulated modem and unit (number 5550100, code 3958)."));
    QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                  QStringLiteral("Show the dialog, write a picture of it to <file> and end."),
                                  QStringLiteral("file"));
    QCommandLineOption batch(
        QStringLiteral("batch"),
        QStringLiteral("Open the batch window alone, with the plan given as the file (.csv) opened."));
    QCommandLineOption modems(QStringLiteral("modems"),
                              QStringLiteral("With --simulate: the batch window's simulated modems (default 3), each "
                                             "reaching line 5550100, units 1 to 6, code 3958."),
                              QStringLiteral("n"), QStringLiteral("3"));
    parser.addOption(simulate);
    parser.addOption(screenshot);
    parser.addOption(batch);
    parser.addOption(modems);
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("A parameter file (.oxl) to load; with --batch, the plan to open."),
                                 QStringLiteral("[file]"));
    parser.process(arguments);
    bool modemCountGiven = false;
    const int modemCount = parser.value(modems).toInt(&modemCountGiven);
    if (!modemCountGiven || modemCount < 0 || modemCount > 16) {
        std::fprintf(stderr, "pravel: --modems takes a number from 0 to 16, not '%s'\n",
                     qPrintable(parser.value(modems)));
        return 2;
    }

    if (m_prompts == nullptr) {
        m_ownPrompts = std::make_unique<CQtDialogPrompts>();
        m_prompts = m_ownPrompts.get();
    }

    SetComPortName(m_settings.ReadComPort().toStdString());
    SetModemProfile(m_settings.ReadModemProfile());
    SetModemCallSettings(m_settings.ReadModemCallSettings());

    if (parser.isSet(simulate)) {
        m_simulator = std::make_unique<CSimulator>();
        std::string error;
        if (!m_simulator->Start(DefaultSimConfig(), &error)) {
            m_prompts->ShowMessage(
                nullptr, QStringLiteral("The simulator could not be started: %1").arg(QString::fromStdString(error)),
                ApplicationName(), MessageIcon::Exclamation);
            return 1;
        }
        // For this run only; the stored port is left as it is.
        SetComPortName(m_simulator->DevicePath());
        m_batchModems = std::make_unique<CBatchModems>();
        if (!m_batchModems->StartSimulated(modemCount, false, &error)) {
            m_prompts->ShowMessage(
                nullptr, QStringLiteral("The simulator could not be started: %1").arg(QString::fromStdString(error)),
                ApplicationName(), MessageIcon::Exclamation);
            m_simulator->Stop();
            return 1;
        }
    }
    if (parser.isSet(batch)) {
        const QStringList files = parser.positionalArguments();
        const int status = RunBatchWindowAlone(files.isEmpty() ? QString() : files.front(), parser.value(screenshot));
        if (m_batchModems)
            m_batchModems->Stop();
        if (m_simulator)
            m_simulator->Stop();
        return status;
    }

    // With the setting "ModemTraceFile", the session's modem dialogue goes to that file.
    m_modemTrace = std::make_unique<CDialogueTraceScope>();
    StartModemTrace();

    // A file on the command line: the dialog's Load opens it once the window is up, with Load's
    // messages for a file it cannot use.
    QString startFile = StartFilePath(parser.positionalArguments());
    std::unique_ptr<CStartFilePrompts> startPrompts;
    IDialogPrompts* dialogPrompts = m_prompts;
    if (!startFile.isEmpty()) {
        startPrompts = std::make_unique<CStartFilePrompts>(m_prompts, startFile);
        dialogPrompts = startPrompts.get();
    }

    CQtMessagePresenter presenter;
    SetMessagePresenter(&presenter);
    int status = 0;
    {
        COXEL_RemoteDlg dialog(this, nullptr, dialogPrompts);
        presenter.SetParent(&dialog);
        // The job side's messages go to the dialog's status line; it shows a job's first failure
        // in a box.
        presenter.SetTaker([&dialog](const QString& text, const QString& caption, MessageIcon icon) {
            return dialog.OnJobMessage(text, caption, icon);
        });
        if (m_simulator)
            dialog.SetItemText(IDC_PHONE_NUMBER, SimulatedNumber);
        CTerminationSignals termination([&dialog] { dialog.OnClose(); });

        if (startPrompts)
            QTimer::singleShot(0, &dialog, [&dialog] { dialog.OnLoad(); });
        if (parser.isSet(screenshot)) {
            QString path = parser.value(screenshot);
            dialog.show();
            QTimer::singleShot(300, &dialog, [&dialog, path, &status] {
                QDir().mkpath(QFileInfo(path).absolutePath());
                if (!dialog.grab().save(path)) {
                    std::fprintf(stderr, "pravel: cannot write %s\n", qPrintable(path));
                    status = 1;
                }
                dialog.OnClose();
            });
        }
        dialog.exec();
        // The dialog stops its job as it closes; a job still running here is stopped now, so the
        // modem hangs up before the program ends.
        if (IsJobRunning())
            StopJob();
        WaitForJobEnd();
        // Messages still queued are shown as plain boxes, not handed to a dialog that is going.
        presenter.SetTaker(nullptr);
    }
    SetMessagePresenter(nullptr);
    presenter.Close();
    if (m_batchModems)
        m_batchModems->Stop();
    m_modemTrace.reset();
    if (m_simulator)
        m_simulator->Stop();
    return status;
}

CBatchWindow* COXEL_RemoteApp::NewBatchWindow(QWidget* owner)
{
    const QStringList devices = ListPortsAndSimulators();
    std::vector<BatchModem> offered;
    if (m_batchModems)
        offered = m_batchModems->Modems(devices);
    else
        for (const QString& device : devices)
            offered.push_back({device.toStdString(), false});
    auto* window = new CBatchWindow({}, owner);
    for (const BatchModem& modem : offered)
        window->AddPort(modem.port, modem.ticked);
    window->setAttribute(Qt::WA_DeleteOnClose);
    return window;
}

void COXEL_RemoteApp::OpenBatchWindow(QWidget* owner)
{
    CBatchWindow* window = NewBatchWindow(owner);
    window->show();
}

int COXEL_RemoteApp::RunBatchWindowAlone(const QString& planPath, const QString& screenshotPath)
{
    CBatchWindow* window = NewBatchWindow(nullptr);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    std::unique_ptr<CBatchWindow> owned(window);
    CTerminationSignals termination([window] { window->close(); });
    if (!planPath.isEmpty())
        window->OpenPlan(planPath.toStdString());
    int status = 0;
    QTimer watch;
    if (!screenshotPath.isEmpty()) {
        // The picture of a run under way: taken once a row has its result (or the run could not
        // go), then the window closes, stopping the run.
        window->Start();
        QObject::connect(&watch, &QTimer::timeout, window, [window, screenshotPath, &status, &watch] {
            const bool rowEnded = window->ProgressBar()->value() > 0;
            if (window->IsRunning() && !rowEnded)
                return;
            watch.stop();
            QDir().mkpath(QFileInfo(screenshotPath).absolutePath());
            if (!window->grab().save(screenshotPath)) {
                std::fprintf(stderr, "pravel: cannot write %s\n", qPrintable(screenshotPath));
                status = 1;
            }
            window->close();
        });
        watch.start(100);
    }
    window->exec();
    // Closing waits for the running calls to hang up; the destructor stops whatever is left.
    return status;
}

void COXEL_RemoteApp::StartModemTrace()
{
    std::string problem;
    if (!m_modemTrace->Restart(
            m_settings.ReadModemTraceFile().toStdString(),
            (QCoreApplication::applicationName() + QLatin1Char(' ') + QCoreApplication::applicationVersion())
                .toStdString(),
            ModemProfileName(GetModemProfile()), GetComPortName(), &problem))
        TracePrintf("App: no modem trace: %s\n", problem.c_str());
}

void COXEL_RemoteApp::RunComPortDialog(QWidget* owner)
{
    const QString traceFile = m_settings.ReadModemTraceFile();
    CSelectPortDlg dialog(m_settings, owner);
    if (dialog.exec() == QDialog::Accepted && m_modemTrace && m_settings.ReadModemTraceFile() != traceFile)
        StartModemTrace();
}

void COXEL_RemoteApp::RunAboutBox(QWidget* owner)
{
    CAboutDlg dialog(owner);
    dialog.exec();
}

void COXEL_RemoteApp::ShowHelp(QWidget* owner, unsigned helpContext)
{
    if (!m_help.ShowHelp(helpContext) && m_prompts != nullptr)
        m_prompts->ShowMessage(owner, QString::fromLatin1(LoadString(AFX_IDP_FAILED_TO_LAUNCH_HELP)), ApplicationName(),
                               MessageIcon::Exclamation);
}
