// The Batch window on the offscreen platform: a plan over one simulated modem runs on the
// runner's thread while the window's rows follow it; a bad plan is refused with its row and
// column; the retry and resume settings reach the run; over two simulated modems the progress
// bar, the tooltips, the detail pane and the saved report follow the results.
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressBar>
#include <QTableWidget>
#include <QtTest>

#include <fstream>
#include <sstream>

#include "batch/BatchReport.h"
#include "sim/Simulator.h"
#include "ui/BatchWindow.h"

class BatchWindowTest : public QObject {
    Q_OBJECT
private slots:
    void RunsThePlanWithoutBlockingAndShowsEachRow()
    {
        SimConfig config;
        config.fast = true;
        SimLine line;
        line.number = "5550401";
        SimUnit second;
        second.unit = 2;
        line.units = {SimUnit{}, second};
        config.lines = {line};
        CSimulator sim;
        std::string error;
        QVERIFY2(sim.Start(config, &error), error.c_str());
        const std::string plan = QDir::tempPath().toStdString() + "/batch_window_plan.csv";
        std::ofstream(plan) << "number,unit,code,action,IdBeep\n5550401,1,3958,write,1\n5550401,2,3958,read,x\n";

        CBatchWindow window({"/dev/ttyS0"});
        window.SetProgram(PRAVEL_CLI_PATH);
        window.AddPort(sim.DevicePath(), true);
        QVERIFY(window.OpenPlan(plan));
        QCOMPARE(window.Table()->rowCount(), 2);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(window.Start());
        QVERIFY(clock.elapsed() < 1000); // the calls run on the runner's thread
        QTRY_VERIFY_WITH_TIMEOUT(window.Table()->item(0, 4)->text().startsWith("calling on"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!window.IsRunning(), 60000);
        QCOMPARE(window.Table()->item(0, 4)->text(), QString("succeeded"));
        QCOMPARE(window.Table()->item(1, 4)->text(), QString("succeeded"));
        QCOMPARE(window.StatusText(), QString("2 of 2 rows succeeded."));
        QCOMPARE(QString::fromStdString(sim.UnitState("5550401", 1).settings.at("IdBeep")), QString("1"));
        const std::string report = QDir::tempPath().toStdString() + "/batch_window_report.json";
        QVERIFY(window.SaveReport(report));
        sim.Stop();

        // Again over a port that cannot be opened: resumed, nothing is called and the journalled
        // results stand; a fresh run calls and fails.
        struct Case {
            bool resume;
            const char* state;
        } cases[] = {{true, "succeeded"}, {false, "failed"}};
        for (const Case& c : cases) {
            CBatchWindow again({});
            again.SetProgram(PRAVEL_CLI_PATH);
            again.AddPort("/dev/pravel-no-such-modem", true);
            again.SetResume(c.resume);
            QVERIFY(again.OpenPlan(plan));
            QVERIFY(again.Start());
            QTRY_VERIFY_WITH_TIMEOUT(!again.IsRunning(), 60000);
            QCOMPARE(again.Table()->item(0, 4)->text(), QString(c.state));
            QCOMPARE(again.Table()->item(1, 4)->text(), QString(c.state));
        }
    }

    void ABusyLineIsCalledAgainOnlyWithRetriesLeft()
    {
        struct Case {
            int retries;
            const char* state;
        } cases[] = {{0, "busy"}, {1, "succeeded"}};
        const std::string plan = QDir::tempPath().toStdString() + "/batch_window_busy.csv";
        std::ofstream(plan) << "number,unit,code,IdBeep\n5550402,1,3958,x\n";
        for (const Case& c : cases) {
            SimConfig config;
            config.fast = true;
            SimLine line;
            line.number = "5550402";
            line.busyFirst = 1;
            line.units = {SimUnit{}};
            config.lines = {line};
            CSimulator sim;
            std::string error;
            QVERIFY2(sim.Start(config, &error), error.c_str());
            CBatchWindow window({});
            window.SetProgram(PRAVEL_CLI_PATH);
            window.AddPort(sim.DevicePath(), true);
            window.SetRetries(c.retries, 0.1);
            QVERIFY(window.OpenPlan(plan));
            QVERIFY(window.Start());
            QTRY_VERIFY_WITH_TIMEOUT(!window.IsRunning(), 60000);
            QCOMPARE(window.Table()->item(0, 4)->text(), QString(c.state));
            sim.Stop();
        }
    }

    void ABadPlanIsRefusedWithItsRow()
    {
        const std::string plan = QDir::tempPath().toStdString() + "/batch_window_bad.csv";
        std::ofstream(plan) << "number,unit,code\n5550401,9,3958\n5550402,1,3958\n5550402,1,3958\n";
        CBatchWindow window({});
        QVERIFY(!window.OpenPlan(plan));
        // The list pravel-cli batch --check prints: errors, warnings, the sum.
        QCOMPARE(window.StatusText(), QString("row 2, column unit: the unit is 1 to 6\n"
                                              "row 4: warning: unit 1 of 5550402 is planned again (first on row 3)\n"
                                              "The plan has 1 error and 1 warning; nothing would be dialled."));
        QVERIFY(!window.Start());
    }

    void AValueThePlanWouldWriteIsCheckedLikeTheCli()
    {
        // Read, the cell only names the parameter; written, letters in a digits-only field
        // refuse the plan whole.
        const std::string plan = QDir::tempPath().toStdString() + "/batch_window_values.csv";
        std::ofstream(plan) << "number,unit,code,AlarmCode1\n5550401,1,3958,12a4\n5550402,1,3958,1234\n";
        CBatchWindow window({});
        QVERIFY(window.OpenPlan(plan));
        QCOMPARE(window.Table()->rowCount(), 2);
        window.SetDefaultAction(JobWrite);
        QVERIFY(window.StatusText().contains("row 2, column AlarmCode1"));
        QVERIFY(!window.StatusText().contains("row 3"));
        QCOMPARE(window.Table()->rowCount(), 0);
        window.SetDefaultAction(JobRead);
        QCOMPARE(window.Table()->rowCount(), 2);
    }
    void ThePlanCheckListsEveryKindOfErrorOnce()
    {
        const std::string plan = QDir::tempPath().toStdString() + "/batch_window_errors.csv";
        std::ofstream(plan) << "number,unit,code,action,TestAlarmTime,IdBeep\n"
                               "5550101,1,39a8,write,999,1\n"
                               "555;0101,2,3958,write,5,\n"
                               "5550101,9,3958,read,,\n"
                               "5550101,3,3958,write,,7\n"
                               "5550101,4,3958,frob,,\n"
                               "5550101,5,3958,write,11,\n";
        CBatchWindow window({});
        QVERIFY(!window.OpenPlan(plan));
        QCOMPARE(window.StatusText(),
                 QString("row 2, column TestAlarmTime: at most 2 characters\n"
                         "row 2, column code: enter the unit's code of exactly four digits.\n"
                         "row 3, column number: only digits, * # + , W P T ! @ A-D and the spacing characters space - "
                         "( ) . can be dialled.\n"
                         "row 4, column unit: the unit is 1 to 6\n"
                         "row 5, column IdBeep: the value must be 0 or 1.\n"
                         "row 6, column action: the action is read or write, not 'frob'\n"
                         "row 7, column TestAlarmTime: choose a value from 0 to 10.\n"
                         "The plan has 7 errors and 0 warnings; nothing would be dialled."));
        QCOMPARE(window.Table()->rowCount(), 0);
        QVERIFY(!window.Start());
    }

    void ATypedPortIsOfferedTickedOnce()
    {
        CBatchWindow window({"/dev/ttyS0"});
        window.PortEntry()->setText("  /dev/ttyUSB7 ");
        QTest::keyClick(window.PortEntry(), Qt::Key_Return);
        window.PortEntry()->setText("/dev/ttyS0");
        QTest::keyClick(window.PortEntry(), Qt::Key_Return);
        const std::vector<std::pair<std::string, bool>> expected = {{"/dev/ttyS0", true}, {"/dev/ttyUSB7", true}};
        QCOMPARE(window.Ports(), expected);
        QVERIFY(window.PortEntry()->text().isEmpty());
    }

    void ARunOverSimulatedModemsShowsProgressDetailAndSavesTheReport()
    {
        SimConfig config;
        config.fast = true;
        for (const char* number : {"5550501", "5550502"}) {
            SimLine line;
            line.number = number;
            SimUnit second;
            second.unit = 2;
            line.units = {SimUnit{}, second};
            config.lines.push_back(line);
        }
        CSimulator first;
        CSimulator second;
        std::string error;
        QVERIFY2(first.Start(config, &error), error.c_str());
        QVERIFY2(second.Start(config, &error), error.c_str());
        const std::string plan = QDir::tempPath().toStdString() + "/batch_window_progress.csv";
        std::remove((plan + ".journal").c_str());
        // Row 4 has the wrong code: the unit refuses the login.
        std::ofstream(plan) << "number,unit,code,action,IdBeep\n5550501,1,3958,write,1\n5550502,1,3958,read,x\n"
                               "5550501,2,1111,read,x\n5550502,2,3958,read,x\n";
        CBatchWindow window({});
        window.SetProgram(PRAVEL_CLI_PATH);
        window.SetRetries(0, 0);
        window.AddPort(first.DevicePath(), true);
        window.AddPort(second.DevicePath(), true);
        QVERIFY(window.OpenPlan(plan));
        QCOMPARE(window.ProgressBar()->maximum(), 4);
        QCOMPARE(window.ProgressBar()->value(), 0);
        window.resize(900, 520);
        window.show();
        window.Table()->selectRow(0);
        QVERIFY(window.Start());
        // The picture of a run under way, for the manual.
        QTRY_VERIFY_WITH_TIMEOUT(window.ProgressBar()->value() >= 1 || !window.IsRunning(), 30000);
        QDir().mkpath(QStringLiteral(PRAVEL_SCREENSHOT_DIR));
        QVERIFY(window.grab().save(QStringLiteral(PRAVEL_SCREENSHOT_DIR "/batch-window.png")));
        QTRY_VERIFY_WITH_TIMEOUT(!window.IsRunning(), 60000);
        QCOMPARE(window.ProgressBar()->value(), 4);
        QCOMPARE(window.ProgressBar()->text(), QString("4 of 4 rows"));
        QCOMPARE(window.StatusText(), QString("3 of 4 rows succeeded."));

        // The refused row: its whole message in the cell's tooltip and in the pane.
        const RowResult& refused = window.Results()[2];
        QCOMPARE(refused.row, 4);
        QVERIFY(!refused.message.empty());
        window.Table()->clearSelection();
        QCOMPARE(window.DetailText(), QString());
        QTableWidgetItem* message = window.Table()->item(2, 5);
        QCOMPARE(message->toolTip(), QString::fromStdString(refused.message));
        QCOMPARE(message->text(), QString::fromStdString(refused.message).replace('\n', " / "));
        window.Table()->selectRow(2);
        QVERIFY2(window.DetailText().startsWith("Row 4: 5550501, unit 2, read\nState: code-refused"),
                 qPrintable(window.DetailText()));
        QVERIFY(window.DetailText().endsWith("Message: " + QString::fromStdString(refused.message)));
        QVERIFY(window.DetailText().contains("Modem: /dev/"));
        window.Table()->selectRow(1);
        QVERIFY2(window.DetailText().contains("IdBeep = "), qPrintable(window.DetailText()));

        // The saved report is what pravel-cli's --report writes for the same results.
        struct Kind {
            const char* name;
            std::string (*format)(const std::vector<RowResult>&);
        } kinds[] = {{"/batch_window_saved.csv", BatchReportCsv}, {"/batch_window_saved.json", BatchReportJson}};
        for (const Kind& kind : kinds) {
            const std::string path = QDir::tempPath().toStdString() + kind.name;
            QVERIFY(window.SaveReport(path));
            std::ifstream in(path, std::ios::binary);
            std::stringstream saved;
            saved << in.rdbuf();
            QCOMPARE(saved.str(), kind.format(window.Results()));
            QVERIFY(saved.str().find("5550501") != std::string::npos);
        }
        first.Stop();
        second.Stop();
    }
};

QTEST_MAIN(BatchWindowTest)
#include "BatchWindowTest.moc"
