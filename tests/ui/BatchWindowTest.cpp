// The Batch window on the offscreen platform: a plan over one simulated modem runs on the
// runner's thread while the window's rows follow it; a bad plan is refused with its row.
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
    }

    void ABadPlanIsRefusedWithItsRow()
    {
        const std::string plan = QDir::tempPath().toStdString() + "/batch_window_bad.csv";
        std::ofstream(plan) << "number,unit,code\n5550401,9,3958\n";
        CBatchWindow window({});
        QVERIFY(!window.OpenPlan(plan));
        QVERIFY(window.StatusText().contains("row 2, column unit"));
        QVERIFY(!window.Start());
    }
};

QTEST_MAIN(BatchWindowTest)
#include "BatchWindowTest.moc"
