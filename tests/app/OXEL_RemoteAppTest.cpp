// The application shell: help opens the manual at the main dialog's topic or says it failed,
// the manual is where the program looks for it, the About box, the batch window with the
// modems it offers (under --simulate, and a running pravel-sim), and a trace file given in the
// port dialog taking effect at once.
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

#include "app/AboutDlg.h"
#include "app/HelpLauncher.h"
#include "app/OXEL_RemoteApp.h"
#include "app/SelectPortDlg.h"
#include "model/DialogIds.h"
#include "ui/OXEL_RemoteDlg.h"
#include "model/StringTable.h"
#include "ui/BatchWindow.h"
#include "ui/DialogFakes.h"
#include "ui/MessageBoxes.h"

namespace {

// Records whether the dialog was on the screen when a box was shown over it.
class CWatchingPrompts : public CFakePrompts {
public:
    bool allOverShownWindow = true;
    void ShowMessage(QWidget* parent, const QString& text, const QString& caption, MessageIcon icon) override
    {
        allOverShownWindow = allOverShownWindow && parent != nullptr && parent->isVisible();
        CFakePrompts::ShowMessage(parent, text, caption, icon);
    }
};

COXEL_RemoteDlg* ShownMainDialog()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<COXEL_RemoteDlg*>(widget);
        if (dialog != nullptr && dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

} // namespace

class TestApplicationShell : public QObject {
    Q_OBJECT
private slots:
    void helpOpensTheManualAtTheDialogsTopic()
    {
        QTemporaryDir folder;
        QFile index(folder.filePath(QStringLiteral("index.html")));
        QVERIFY(index.open(QIODevice::WriteOnly));
        index.close();
        QList<QUrl> opened;
        CHelpLauncher launcher({folder.filePath(QStringLiteral("missing/index.html")), index.fileName()},
                               [&opened](const QUrl& url) {
                                   opened << url;
                                   return true;
                               });
        QVERIFY(launcher.ShowHelp(0x20066));
        QCOMPARE(opened.size(), 1);
        QVERIFY(opened[0].isLocalFile());
        QCOMPARE(opened[0].fragment(), QStringLiteral("main-dialog"));
        QCOMPARE(QFileInfo(opened[0].toLocalFile()).canonicalFilePath(), QFileInfo(index).canonicalFilePath());
    }

    void helpThatCannotOpenSaysSo()
    {
        CFakePrompts prompts;
        COXEL_RemoteApp app;
        app.SetPrompts(&prompts);
        app.SetHelpLauncher(
            CHelpLauncher({QStringLiteral("/nonexistent/index.html")}, [](const QUrl&) { return true; }));
        app.ShowHelp(nullptr, 0x20066);
        QCOMPARE(prompts.messages.size(), size_t(1));
        QCOMPARE(prompts.messages[0].text, QStringLiteral("Failed to launch help."));
        QCOMPARE(prompts.messages[0].caption, ApplicationName());
        QVERIFY(prompts.messages[0].icon == MessageIcon::Exclamation);

        // A manual that is there but the desktop will not open.
        QTemporaryDir folder;
        QFile index(folder.filePath(QStringLiteral("index.html")));
        QVERIFY(index.open(QIODevice::WriteOnly));
        index.close();
        app.SetHelpLauncher(CHelpLauncher({index.fileName()}, [](const QUrl&) { return false; }));
        app.ShowHelp(nullptr, 0x20066);
        QCOMPARE(prompts.messages.size(), size_t(2));
    }

    void theManualIsFoundWithTheMainDialogsTopic()
    {
        CHelpLauncher launcher;
        QString manual = launcher.FindManual();
        QVERIFY2(!manual.isEmpty(), "docs/manual/index.html");
        QFile file(manual);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray html = file.readAll();
        QVERIFY(html.contains("id=\"main-dialog\""));
        QVERIFY(html.contains("id=\"port\""));
    }

    void fileOnTheCommandLineIsLoadedOnceTheWindowIsUp_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("message"); // how Load's message begins; empty: none
        QTest::addColumn<QString>("number");  // the number the dialog shows then
        QTest::newRow("a parameter file") << QStringList{QStringLiteral("unit.oxl")} << QString()
                                          << QStringLiteral("5550100");
        QTest::newRow("not a parameter file")
            << QStringList{QStringLiteral("other.oxl")} << QString::fromLatin1(LoadString(IDS_NOT_PRAVEL_FILE))
            << QString();
        QTest::newRow("no such file") << QStringList{QStringLiteral("missing.oxl")}
                                      << QStringLiteral("Failed to create file (") << QString();
        QTest::newRow("a second argument") << QStringList{QStringLiteral("unit.oxl"), QStringLiteral("other.oxl")}
                                           << QStringLiteral("Failed to create file (") << QString();
    }

    void fileOnTheCommandLineIsLoadedOnceTheWindowIsUp()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, message);
        QFETCH(QString, number);
        QTemporaryDir folder;
        {
            // unit.oxl saved by the dialog itself; other.oxl holds text.
            CFakePrompts savePrompts;
            savePrompts.saveAnswer = folder.filePath(QStringLiteral("unit.oxl"));
            COXEL_RemoteDlg source(nullptr, nullptr, &savePrompts);
            source.SetItemText(IDC_PHONE_NUMBER, "5550100");
            source.SetItemText(1000, "7000");
            source.OnSave();
            QVERIFY(savePrompts.messages.empty());
            QFile other(folder.filePath(QStringLiteral("other.oxl")));
            QVERIFY(other.open(QIODevice::WriteOnly));
            other.write("Not a parameter file at all, but long enough to be read as one.\n");
        }

        CWatchingPrompts prompts;
        COXEL_RemoteApp app;
        app.SetApplicationName(QStringLiteral("pravel-start-file-test"));
        app.SetPrompts(&prompts);
        QStringList arguments{QStringLiteral("pravel")};
        for (const QString& file : files)
            arguments << folder.filePath(file);

        // Once the dialog shows the file's number or a message, its values are taken and it closes.
        std::string shownNumber;
        std::string shownValue;
        QElapsedTimer waited;
        waited.start();
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            COXEL_RemoteDlg* dialog = ShownMainDialog();
            if (dialog == nullptr)
                return;
            shownNumber = dialog->GetItemText(IDC_PHONE_NUMBER);
            shownValue = dialog->GetItemText(1000);
            if (!prompts.messages.empty() || !shownNumber.empty() || waited.elapsed() > 10000)
                dialog->OnClose();
        });
        poll.start(10);
        QCOMPARE(app.InitInstance(arguments), 0);
        poll.stop();

        QCOMPARE(QString::fromStdString(shownNumber), number);
        if (message.isEmpty()) {
            QVERIFY(prompts.messages.empty());
            QCOMPARE(shownValue, std::string("7000"));
        } else {
            QCOMPARE(prompts.messages.size(), size_t(1));
            QVERIFY2(prompts.messages[0].text.startsWith(message), qPrintable(prompts.messages[0].text));
            QVERIFY(prompts.allOverShownWindow);
        }
        // Load's own question was never asked: the command line answered it.
        QCOMPARE(prompts.openAsked, 0);
    }

    void batchOpensAloneWithSimulatedModemsTicked()
    {
        QTemporaryDir folder;
        const QString plan = folder.filePath(QStringLiteral("plan.csv"));
        QFile file(plan);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("number,unit,code,IdBeep\n5550100,1,3958,x\n5550100,6,3958,x\n");
        file.close();
        COXEL_RemoteApp app;
        app.SetApplicationName(QStringLiteral("pravel-batch-test"));
        CFakePrompts prompts;
        app.SetPrompts(&prompts);
        std::vector<std::pair<std::string, bool>> ports;
        int rows = -1;
        bool mainDialogShown = false;
        QElapsedTimer waited;
        waited.start();
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            mainDialogShown = mainDialogShown || ShownMainDialog() != nullptr;
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* window = qobject_cast<CBatchWindow*>(widget);
                if (window != nullptr && (window->isVisible() || waited.elapsed() > 10000)) {
                    ports = window->Ports();
                    rows = window->Table()->rowCount();
                    window->close();
                }
            }
        });
        poll.start(10);
        QCOMPARE(app.InitInstance({QStringLiteral("pravel"), QStringLiteral("--simulate"), QStringLiteral("--modems"),
                                   QStringLiteral("2"), QStringLiteral("--batch"), plan}),
                 0);
        poll.stop();
        QVERIFY(prompts.messages.empty());
        QVERIFY(!mainDialogShown);
        QCOMPARE(rows, 2);
        // The port dialog's devices unticked, then the two simulated modems ticked.
        int ticked = 0;
        for (const auto& [port, isTicked] : ports) {
            if (isTicked) {
                ++ticked;
                QVERIFY2(QString::fromStdString(port).startsWith("/dev/pts/"), port.c_str());
            }
        }
        QCOMPARE(ticked, 2);
        QVERIFY(ports.size() >= 2);
        QVERIFY(ports[ports.size() - 1].second && ports[ports.size() - 2].second);
        QVERIFY(ports[ports.size() - 1].first != ports[ports.size() - 2].first);
    }

#ifdef PRAVEL_SIM_PATH
    void aRunningPravelSimIsOfferedUnticked()
    {
        QProcess sim;
        sim.start(QStringLiteral(PRAVEL_SIM_PATH), {});
        QVERIFY(sim.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), 10000);
        const QString line = QString::fromUtf8(sim.readLine()).trimmed();
        QVERIFY2(line.startsWith(QStringLiteral("port: ")), qPrintable(line));
        const std::string port = line.mid(6).toStdString();
        COXEL_RemoteApp app;
        std::unique_ptr<CBatchWindow> window(app.NewBatchWindow(nullptr));
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        const std::vector<std::pair<std::string, bool>> ports = window->Ports();
        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
        QVERIFY2(std::find(ports.begin(), ports.end(), std::make_pair(port, false)) != ports.end(), port.c_str());
    }
#endif

    void modemsMustBeACount()
    {
        COXEL_RemoteApp app;
        app.SetApplicationName(QStringLiteral("pravel-batch-test"));
        CFakePrompts prompts;
        app.SetPrompts(&prompts);
        QCOMPARE(app.InitInstance({QStringLiteral("pravel"), QStringLiteral("--modems"), QStringLiteral("x")}), 2);
    }

    void aboutBox()
    {
        CAboutDlg about;
        QCOMPARE(about.windowTitle(), QStringLiteral("About Pravel"));
        bool version = false;
        for (QLabel* label : about.findChildren<QLabel*>())
            version = version || label->text() == QStringLiteral("Pravel Version 1.09");
        QVERIFY(version);
        QCOMPARE(QString::fromLatin1(LoadString(IDS_ABOUTBOX)), QStringLiteral("&About Pravel..."));
    }

    // A trace file given in the port dialog while the program runs is written from then on, not
    // only from the next start. (Last: it moves the settings store into a folder of its own.)
    void aTraceFileGivenInThePortDialogTakesEffectAtOnce()
    {
        QTemporaryDir folder;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
        const QString trace = folder.filePath(QStringLiteral("modem.trace"));
        CFakePrompts prompts;
        COXEL_RemoteApp app;
        app.SetApplicationName(QStringLiteral("pravel-trace-test"));
        app.SetPrompts(&prompts);
        bool asked = false;
        bool writtenAtOnce = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            COXEL_RemoteDlg* dialog = ShownMainDialog();
            if (dialog == nullptr || asked)
                return;
            asked = true;
            QTimer::singleShot(0, this, [&trace] {
                for (QWidget* widget : QApplication::topLevelWidgets())
                    if (auto* port = qobject_cast<CSelectPortDlg*>(widget)) {
                        port->CallField(CSelectPortDlg::IDC_TRACE_FILE)->setText(trace);
                        port->accept();
                    }
            });
            app.RunComPortDialog(dialog);
            writtenAtOnce = QFile::exists(trace);
            dialog->OnClose();
        });
        poll.start(10);
        QCOMPARE(app.InitInstance({QStringLiteral("pravel")}), 0);
        poll.stop();
        QVERIFY(asked);
        QVERIFY(writtenAtOnce);
        QCOMPARE(app.Settings().ReadModemTraceFile(), trace);
        QFile file(trace);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY2(file.readAll().contains("# program: "), "the trace has its header");
    }
};

QTEST_MAIN(TestApplicationShell)
#include "OXEL_RemoteAppTest.moc"
