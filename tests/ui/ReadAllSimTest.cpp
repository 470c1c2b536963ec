// Read all through the real job worker and modem driver against the simulated modem and unit:
// every control filled, every update box cleared, the caption through its stages. A unit with
// firmware 1 leaves the parameters it cannot report ticked; a refused code and a port that does
// not open end the job with the buttons free again. One table over what the user sees of each
// outcome: the status line, the message boxes, and the Stop button.
#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QMessageBox>
#include <QRegularExpression>
#include <QtTest>
#include <memory>

#include "model/ComPortName.h"
#include "model/DialogIds.h"
#include "worker/JobWorker.h"
#include "model/ParameterTable.h"
#include "sim/Simulator.h"
#include "ui/DialogFakes.h"
#include "form/MainDialogTemplate.h"
#include "ui/OXEL_RemoteDlg.h"
#include "ui/QtMessagePresenter.h"

class TestReadAllAgainstSimulator : public QObject {
    Q_OBJECT

    std::unique_ptr<CSimulator> sim;
    std::unique_ptr<CQtMessagePresenter> presenter;
    std::unique_ptr<CFakePrompts> prompts;
    std::unique_ptr<COXEL_RemoteDlg> dlg;
    QStringList captions;

    void StartSimulator(const SimConfig& config)
    {
        sim = std::make_unique<CSimulator>();
        std::string error;
        QVERIFY2(sim->Start(config, &error), error.c_str());
        SetComPortName(sim->DevicePath());
    }
    static SimConfig FastConfig()
    {
        SimConfig config = DefaultSimConfig();
        config.fast = true;
        return config;
    }
    std::vector<int> TickedBoxes() const
    {
        std::vector<int> ticked;
        for (int row = 0; row < ParameterCount; ++row)
            if (dlg->IsButtonChecked(ParameterTable[row].updateBoxId))
                ticked.push_back(ParameterTable[row].updateBoxId);
        return ticked;
    }
    void RunReadAll()
    {
        dlg->SetItemText(IDC_PHONE_NUMBER, "5550100");
        dlg->OnReadAll();
        QVERIFY(dlg->IsJobRunningFlag());
        QCOMPARE(dlg->GetItemText(IDC_CLOSE), std::string("&Stop"));
        QTRY_VERIFY_WITH_TIMEOUT(!dlg->IsJobRunningFlag(), 60000);
        WaitForJobEnd();
        QCOMPARE(dlg->windowTitle(), QStringLiteral("Pravel 1.09"));
        QVERIFY(dlg->IsItemEnabled(IDC_CLOSE));
        QVERIFY(dlg->IsItemEnabled(ID_READ_ALL));
    }
    QMessageBox* ShownBox() const { return dlg->findChild<QMessageBox*>(); }

private slots:
    void init()
    {
        captions.clear();
        presenter = std::make_unique<CQtMessagePresenter>();
        SetMessagePresenter(presenter.get());
        prompts = std::make_unique<CFakePrompts>();
        dlg = std::make_unique<COXEL_RemoteDlg>(nullptr, nullptr, prompts.get());
        presenter->SetParent(dlg.get());
        presenter->SetTaker([this](const QString& text, const QString& caption, MessageIcon icon) {
            return dlg->OnJobMessage(text, caption, icon);
        });
        connect(dlg.get(), &QWidget::windowTitleChanged, this, [this](const QString& title) { captions << title; });
        dlg->show();
    }
    void cleanup()
    {
        presenter->SetTaker(nullptr);
        dlg.reset();
        SetMessagePresenter(nullptr);
        presenter.reset();
        if (sim)
            sim->Stop();
        sim.reset();
    }

    void readAllFillsEveryControlAndClearsItsBox()
    {
        StartSimulator(FastConfig());
        RunReadAll();
        QVERIFY(prompts->messages.empty());
        QVERIFY(ShownBox() == nullptr);
        QVERIFY(captions.contains(QStringLiteral("Pravel 1.09 - Dialing (60)")));
        QVERIFY(captions.contains(QStringLiteral("Pravel 1.09 - Connected/Logging in")));
        QVERIFY(captions.contains(QStringLiteral("Pravel 1.09 - Transfer")));
        QVERIFY(TickedBoxes().empty());

        SimUnit unit = sim->UnitState("5550100", 1);
        for (int row = 0; row < ParameterCount; ++row) {
            const ParameterDescriptor& p = ParameterTable[row];
            const std::string& expected = unit.settings[p.name];
            switch (p.kind) {
            case KindText:
                if (p.slot == SlotNewProgrammingCode)
                    QCOMPARE(dlg->GetItemText(p.valueControlId), unit.programmingCode);
                else
                    QVERIFY2(dlg->GetItemText(p.valueControlId) == expected, p.name);
                break;
            case KindRadioPair:
                QCOMPARE(dlg->IsButtonChecked(p.valueControlId), expected == "1");
                QCOMPARE(dlg->IsButtonChecked(p.secondControlId), expected != "1");
                break;
            case KindCheckBox:
                QVERIFY2(dlg->IsButtonChecked(p.valueControlId) == (expected == "1"), p.name);
                break;
            case KindCombo:
                QVERIFY2(dlg->GetComboSelection(p.valueControlId) == std::stoi(expected), p.name);
                break;
            }
        }
        QCOMPARE(dlg->GetItemText(IDC_POWER_STATUS), std::string(unit.power == '1' ? "External power" : "Line power"));
        QCOMPARE(dlg->GetItemText(IDC_FIRMWARE), std::string("2.0.7"));

        QDir().mkpath(QStringLiteral(PRAVEL_SCREENSHOT_DIR));
        QVERIFY(dlg->grab().save(QStringLiteral(PRAVEL_SCREENSHOT_DIR "/main-dialog-after-read-all.png")));
    }

    void firmwareOneLeavesTheBatteryBoxesTicked()
    {
        SimConfig config = FastConfig();
        config.lines[0].units[0].firmware = "107";
        StartSimulator(config);
        RunReadAll();
        QVERIFY(ShownBox() == nullptr);
        QCOMPARE(dlg->GetItemText(IDC_FIRMWARE), std::string("1.0.7"));
        // The battery receiver and code are not asked of a firmware 1 unit, and its status record
        // carries no LED sequence; everything else arrived.
        QCOMPARE(TickedBoxes(), (std::vector<int>{1039, 1070, 1036}));
    }

    void aRefusedCodeShowsInTheCaption()
    {
        SimConfig config = FastConfig();
        config.lines[0].units[0].programmingCode = "1111";
        StartSimulator(config);
        RunReadAll();
        QVERIFY(captions.contains(QStringLiteral("Pravel 1.09 - Invalid password entered.")));
        QCOMPARE(TickedBoxes().size(), size_t(ParameterCount));
    }

    void aPortThatDoesNotOpenEndsTheJobWithOneMessage()
    {
        SetComPortName("/dev/pravel-no-such-port");
        RunReadAll();
        QTRY_VERIFY(!prompts->notes.empty());
        QCOMPARE(prompts->notes.size(), size_t(1));
        QCOMPARE(prompts->notes[0].caption, QStringLiteral("Pravel"));
        QVERIFY(prompts->notes[0].text.contains(QStringLiteral("/dev/pravel-no-such-port")));
        QVERIFY(prompts->notes[0].icon == MessageIcon::Error);
        QVERIFY(ShownBox() == nullptr);
    }

    void visibleOutcomes_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("status"); // the status line at the end, as a pattern
        QTest::addColumn<int>("boxes");      // message boxes shown for the job
        QTest::addColumn<QString>("box");    // pattern of the box's text
        QTest::newRow("read all") << "none"
                                  << "^Read all finished: 21 of 21 values$" << 0 << "";
        QTest::newRow("refused code") << "code"
                                      << "^The code was refused by the unit$" << 1 << "refused";
        QTest::newRow("no modem behind the port")
            << "dead"
            << "^The modem on /dev/pts/\\d+ did not answer\\." << 1 << "did not answer";
        QTest::newRow("busy") << "busy"
                              << "busy" << 1 << "busy";
        QTest::newRow("stop while dialling") << "stop"
                                             << "^Read all stopped: 0 of 21 values$" << 0 << "";
    }
    void visibleOutcomes()
    {
        QFETCH(QString, fault);
        QFETCH(QString, status);
        QFETCH(int, boxes);
        QFETCH(QString, box);
        SimConfig config = fault == QStringLiteral("stop") ? DefaultSimConfig() : FastConfig();
        if (fault == QStringLiteral("code"))
            config.lines[0].units[0].programmingCode = "1111";
        if (fault == QStringLiteral("dead"))
            config.faults.deadModem = true;
        if (fault == QStringLiteral("busy"))
            config.lines[0].answer = SimLine::Answer::Busy;
        StartSimulator(config);

        dlg->SetItemText(IDC_PHONE_NUMBER, "5550100");
        dlg->OnReadAll();
        QVERIFY(dlg->IsJobRunningFlag());
        QVERIFY(dlg->StatusLineText().startsWith(QStringLiteral("Read all: ")));
        if (fault == QStringLiteral("stop")) {
            QTRY_VERIFY(captions.contains(QStringLiteral("Pravel 1.09 - Dialing (60)")));
            qobject_cast<QAbstractButton*>(dlg->Item(IDC_CLOSE))->click();
            QVERIFY(!dlg->IsItemEnabled(IDC_CLOSE));
            QVERIFY(dlg->StatusLineText().contains(QStringLiteral("stopping")));
        }
        QTRY_VERIFY_WITH_TIMEOUT(!dlg->IsJobRunningFlag(), 30000);
        WaitForJobEnd();
        // Messages of the job side posted before its end have arrived by now; give late ones a turn.
        QCoreApplication::processEvents();

        QVERIFY2(QRegularExpression(status).match(dlg->StatusLineText()).hasMatch(), qPrintable(dlg->StatusLineText()));
        QCOMPARE(int(prompts->notes.size()), boxes);
        if (boxes > 0)
            QVERIFY2(
                prompts->notes[0].text.contains(QRegularExpression(box, QRegularExpression::CaseInsensitiveOption)),
                qPrintable(prompts->notes[0].text));
        QVERIFY(prompts->messages.empty());
        QVERIFY(ShownBox() == nullptr);
        QCOMPARE(dlg->GetItemText(IDC_CLOSE), std::string("&Close"));
        QVERIFY(dlg->IsItemEnabled(IDC_CLOSE));
    }

    void closingDuringAJobHangsUp()
    {
        SimConfig config = DefaultSimConfig(); // real timing: the job is still dialling
        StartSimulator(config);
        dlg->SetItemText(IDC_PHONE_NUMBER, "5550100");
        dlg->OnReadAll();
        QTRY_VERIFY(captions.contains(QStringLiteral("Pravel 1.09 - Dialing (60)")));
        // The window stays until the orderly end has come, the user-interface thread free meanwhile.
        dlg->close();
        QVERIFY(dlg->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!dlg->isVisible(), 15000);
        QVERIFY(!IsJobRunning());
    }
};

QTEST_MAIN(TestReadAllAgainstSimulator)
#include "ReadAllSimTest.moc"
