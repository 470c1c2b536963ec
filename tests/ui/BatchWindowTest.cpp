// The Batch window on the offscreen platform: a plan over one simulated modem runs on the
// runner's thread while the window's rows follow it; a bad plan is refused with its row and
// column; the retry and resume settings reach the run.
#include <QElapsedTimer>
#include <QTableWidget>
#include <QtTest>

#include <fstream>

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
};

QTEST_MAIN(BatchWindowTest)
#include "BatchWindowTest.moc"
