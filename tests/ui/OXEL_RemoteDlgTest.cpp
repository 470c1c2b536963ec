// The Qt main dialog over the controller (tests/form covers its rules on the in-memory dialog):
// the widgets, their typing rules and signals reaching the controller, captions, Enter/Esc and
// closing, the shortcuts and menus, and Save and Load through the widgets.
#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>
#include <fcntl.h>
#include <memory>
#include <stdlib.h>
#include <thread>
#include <unistd.h>

#include "files/ParameterFileCodec.h"
#include "model/ComPortName.h"
#include "model/DialogIds.h"
#include "model/JobMessages.h"
#include "model/ParameterTable.h"
#include "model/StringTable.h"
#include "ui/DialogFakes.h"
#include "form/MainDialogTemplate.h"
#include "form/ParameterForm.h"
#include "ui/MessageBoxes.h"
#include "ui/OXEL_RemoteDlg.h"
#include "ui/Tooltips.h"
#include "ui/UpDownControl.h"

class TestMainDialog : public QObject {
    Q_OBJECT

    CFakePrompts* prompts = nullptr;
    CFakeRunner* runner = nullptr;
    CFakeShell* shell = nullptr;
    std::unique_ptr<COXEL_RemoteDlg> dlg;

    QLineEdit* Edit(int id) { return qobject_cast<QLineEdit*>(dlg->Item(id)); }
    QAbstractButton* Button(int id) { return qobject_cast<QAbstractButton*>(dlg->Item(id)); }
    QComboBox* Combo(int id) { return qobject_cast<QComboBox*>(dlg->Item(id)); }
    std::vector<int> TickedBoxes()
    {
        std::vector<int> ticked;
        for (int row = 0; row < ParameterCount; ++row)
            if (dlg->IsButtonChecked(ParameterTable[row].updateBoxId))
                ticked.push_back(ParameterTable[row].updateBoxId);
        return ticked;
    }
    void SetAllBoxes(bool on)
    {
        for (int row = 0; row < ParameterCount; ++row)
            dlg->CheckButton(ParameterTable[row].updateBoxId, on);
    }

private slots:
    void init()
    {
        prompts = new CFakePrompts;
        runner = new CFakeRunner;
        shell = new CFakeShell;
        theJob = ProgrammingJob{};
        dlg = std::make_unique<COXEL_RemoteDlg>(shell, runner, prompts);
    }
    void cleanup()
    {
        dlg.reset();
        delete prompts;
        delete runner;
        delete shell;
    }

    void initialisationSetsStartValuesAndTicksNothing()
    {
        QVERIFY(!dlg->IsInitialising());
        QVERIFY(!dlg->IsJobRunningFlag());
        QVERIFY(dlg->IsEscapeBlocked());
        QCOMPARE(dlg->windowTitle(), QStringLiteral("Pravel 1.09"));
        QVERIFY(TickedBoxes().empty());
        QCOMPARE(dlg->GetItemText(IDC_PROGRAMMING_CODE), std::string("3958"));
        QCOMPARE(dlg->GetItemText(IDC_ALARM_BUTTON_DELAY), std::string("4"));
        QCOMPARE(dlg->GetItemText(IDC_ALARM_TYPE), std::string("10"));
        QCOMPARE(Combo(IDC_TEST_ALARM_TIME)->currentText(), QStringLiteral("(Deactivated)"));
        QCOMPARE(Combo(IDC_PHONE_ACKNOWLEDGE)->currentText(), QStringLiteral("Standard"));
        QVERIFY(Combo(IDC_TEST_ALARM_TIME)->isEditable());
        QCOMPARE(Combo(IDC_TEST_ALARM_TIME)->count(), TestAlarmTimeItems);
        QVERIFY(dlg->IsButtonChecked(IDC_UNIT_FIRST));
        QVERIFY(dlg->IsButtonChecked(IDC_TWO_COLOURS));
        QVERIFY(!dlg->IsButtonChecked(IDC_DIAL_TONE));
        QVERIFY(dlg->GetItemText(IDC_POWER_STATUS).empty());
        QVERIFY(!dlg->windowIcon().isNull());
        auto* logo = qobject_cast<QLabel*>(dlg->Item(IDC_LOGO));
        QVERIFY(logo != nullptr && !logo->pixmap().isNull());
    }

    void editsKeepTheirTypingRules()
    {
        QLineEdit* code = Edit(IDC_PROGRAMMING_CODE);
        code->clear();
        QTest::keyClicks(code, "12a345");
        QCOMPARE(code->text(), QStringLiteral("1234"));
        QLineEdit* alarmCode = Edit(1003);
        QTest::keyClicks(alarmCode, "12-x34567890123");
        QCOMPARE(alarmCode->text(), QStringLiteral("1234567890"));
        QLineEdit* receiver = Edit(1000);
        QTest::keyClicks(receiver, "+46 (0)8-123 456 789 0123");
        QCOMPARE(receiver->text().size(), 20);
        // A longer text put in by the program is shown whole and may be shortened, not lengthened.
        dlg->SetItemText(1000, "1234567890123456789012345");
        QCOMPARE(receiver->text().size(), 25);
        receiver->end(false);
        QTest::keyClick(receiver, Qt::Key_Backspace);
        QCOMPARE(receiver->text().size(), 24);
        QTest::keyClicks(receiver, "9");
        QCOMPARE(receiver->text().size(), 24);
    }

    // Eight-bit texts read as Windows-1252 both ways, as pravel-cli shows them.
    void controlTextsAreWindows1252()
    {
        QLineEdit* receiver = Edit(1000);
        dlg->SetItemText(1000, "Caf\xE9 \x80 \x93x\x94");
        QCOMPARE(receiver->text(), QStringLiteral("Caf\u00E9 \u20AC \u201Cx\u201D"));
        QCOMPARE(dlg->GetItemText(1000), std::string("Caf\xE9 \x80 \x93x\x94"));
        receiver->setText(QStringLiteral("\u2018\u0416\u2019"));
        QCOMPARE(dlg->GetItemText(1000), std::string("\x91?\x92")); // no Cyrillic in Windows-1252
    }

    void spinControlsStepTheirBuddyWithinTheRange()
    {
        auto* delay = qobject_cast<CUpDownControl*>(dlg->Item(IDC_ALARM_BUTTON_DELAY_SPIN));
        auto* type = qobject_cast<CUpDownControl*>(dlg->Item(IDC_ALARM_TYPE_SPIN));
        QVERIFY(delay != nullptr && type != nullptr);
        QCOMPARE(delay->Buddy(), Edit(IDC_ALARM_BUTTON_DELAY));
        QCOMPARE(type->Buddy(), Edit(IDC_ALARM_TYPE));
        QCOMPARE(delay->Minimum(), 2);
        QCOMPARE(delay->Maximum(), 30);
        QCOMPARE(type->Minimum(), 0);
        QCOMPARE(type->Maximum(), 99);
        delay->Step(+1);
        QCOMPARE(dlg->GetItemText(IDC_ALARM_BUTTON_DELAY), std::string("5"));
        QVERIFY(dlg->IsButtonChecked(1041));
        dlg->SetItemText(IDC_ALARM_BUTTON_DELAY, "30");
        delay->Step(+1);
        QCOMPARE(dlg->GetItemText(IDC_ALARM_BUTTON_DELAY), std::string("30"));
        QTest::keyClick(Edit(IDC_ALARM_TYPE), Qt::Key_Down);
        QCOMPARE(dlg->GetItemText(IDC_ALARM_TYPE), std::string("9"));
        QVERIFY(dlg->IsButtonChecked(1048));
        dlg->SetItemText(IDC_ALARM_TYPE, "0");
        type->Step(-1);
        QCOMPARE(dlg->GetItemText(IDC_ALARM_TYPE), std::string("0"));
    }

    void enablingRules()
    {
        // No number yet: nothing that dials, and no Save.
        for (int id : {ID_READ, ID_READ_ALL, ID_WRITE, IDC_SAVE})
            QVERIFY(!dlg->IsItemEnabled(id));
        for (int id : {int(IDC_LOAD), int(IDC_COM_PORT), int(ID_HELP), int(IDC_CLOSE), 1000, 1032})
            QVERIFY(dlg->IsItemEnabled(id));

        QTest::keyClicks(Edit(IDC_PHONE_NUMBER), "5550100");
        QVERIFY(!dlg->IsItemEnabled(ID_READ));
        QVERIFY(!dlg->IsItemEnabled(ID_WRITE));
        QVERIFY(dlg->IsItemEnabled(ID_READ_ALL));
        QVERIFY(dlg->IsItemEnabled(IDC_SAVE));

        Button(1013)->click();
        QVERIFY(dlg->IsItemEnabled(ID_READ));
        QVERIFY(dlg->IsItemEnabled(ID_WRITE));

        // A code of three characters disables all four.
        QTest::keyClick(Edit(IDC_PROGRAMMING_CODE), Qt::Key_Backspace);
        QCOMPARE(dlg->GetItemText(IDC_PROGRAMMING_CODE), std::string("395"));
        for (int id : {ID_READ, ID_READ_ALL, ID_WRITE, IDC_SAVE})
            QVERIFY(!dlg->IsItemEnabled(id));
        QTest::keyClicks(Edit(IDC_PROGRAMMING_CODE), "8");

        // While a job runs Close is the Stop button, until the stop has been asked for.
        dlg->OnRead();
        QVERIFY(dlg->IsJobRunningFlag());
        for (int id : {ID_READ, ID_READ_ALL, ID_WRITE, IDC_SAVE})
            QVERIFY(!dlg->IsItemEnabled(id));
        for (int id : {int(IDC_LOAD), int(IDC_COM_PORT), int(ID_HELP), int(IDC_CLOSE), 1000})
            QVERIFY(dlg->IsItemEnabled(id));
        QCOMPARE(Button(IDC_CLOSE)->text(), QStringLiteral("&Stop"));
        Button(IDC_CLOSE)->click();
        QCOMPARE(runner->stopRequests, 1);
        QVERIFY(!dlg->IsItemEnabled(IDC_CLOSE));
        QCOMPARE(dlg->StatusLineText(), QStringLiteral("Read: stopping, 0 of 1 values"));
    }

    void valueChangesTickTheirUpdateBox_data()
    {
        QTest::addColumn<int>("box");
        QTest::newRow("edit 1000") << 1010;
        QTest::newRow("edit 1033") << 1039;
        QTest::newRow("edit 1042") << 1070;
        QTest::newRow("edit 1031") << 1038;
        QTest::newRow("edit 1047") << 1048;
        QTest::newRow("radio 1029") << 1036;
        QTest::newRow("radio 1028") << 1036;
        QTest::newRow("check 1030") << 1037;
        QTest::newRow("check 1061") << 1062;
        QTest::newRow("check 1063") << 1064;
        QTest::newRow("combo 1032 selection") << 1040;
        QTest::newRow("combo 1052 typed") << 1060;
    }
    void valueChangesTickTheirUpdateBox()
    {
        QFETCH(int, box);
        const ParameterDescriptor& p = ParameterTable[FindParameterByUpdateBox(box)];
        QString tag = QString::fromLatin1(QTest::currentDataTag());
        if (p.kind == KindText) {
            Edit(p.valueControlId)->selectAll();
            QTest::keyClicks(Edit(p.valueControlId), "7");
        } else if (p.kind == KindRadioPair) {
            Button(tag.endsWith(QStringLiteral("1029")) ? 1029 : 1028)->click();
        } else if (p.kind == KindCheckBox) {
            Button(p.valueControlId)->click();
        } else if (tag.endsWith(QStringLiteral("typed"))) {
            QTest::keyClicks(Combo(p.valueControlId)->lineEdit(), "S");
        } else {
            Combo(p.valueControlId)->setCurrentIndex(3);
        }
        QCOMPARE(TickedBoxes(), std::vector<int>{box});
    }

    void numberAndCodeTickNothing()
    {
        QTest::keyClicks(Edit(IDC_PHONE_NUMBER), "5550100");
        QTest::keyClicks(Edit(IDC_PROGRAMMING_CODE), "1");
        Button(1024)->click();
        QVERIFY(TickedBoxes().empty());
    }

    void noUnitChosenStartsNothing()
    {
        dlg->SetItemText(IDC_PHONE_NUMBER, "5550100");
        dlg->CheckButton(IDC_UNIT_FIRST, false);
        for (int id = IDC_UNIT_FIRST; id <= IDC_UNIT_LAST; ++id)
            QVERIFY(!dlg->IsButtonChecked(id));
        QVERIFY(!FillJob(*dlg, theJob, JobRead, dlg->NotifyWindow()));
        dlg->OnReadAll();
        dlg->OnWrite();
        prompts->saveAnswer = QStringLiteral("/tmp/never-written.oxl");
        dlg->OnSave();
        QCOMPARE(runner->starts, 0);
        QCOMPARE(prompts->saveAsked, 0);
        QVERIFY(prompts->messages.empty());
        QVERIFY(!dlg->IsJobRunningFlag());
    }

    void readAllFillsTheJobAndStartsOnce()
    {
        dlg->SetItemText(IDC_PHONE_NUMBER, "5550100");
        Button(1025)->click();
        dlg->OnReadAll();
        QCOMPARE(runner->starts, 1);
        QVERIFY(dlg->IsJobRunningFlag());
        QCOMPARE(TickedBoxes().size(), size_t(ParameterCount));
        QCOMPARE(theJob.mode, int32_t(JobRead));
        QCOMPARE(theJob.selectionMask, AllParametersMask);
        QCOMPARE(theJob.unit, 4);
        QCOMPARE(std::string(theJob.phoneNumber), std::string("5550100"));
        QCOMPARE(std::string(theJob.programmingCode), std::string("3958"));
        QCOMPARE(theJob.notifyWindow, dlg->NotifyWindow());

        // A second press while the job runs neither starts nor refills the job.
        theJob.unit = 99;
        dlg->OnRead();
        dlg->OnWrite();
        QCOMPARE(runner->starts, 1);
        QCOMPARE(theJob.unit, 99);
    }

    void writeCopiesEveryValue()
    {
        dlg->SetItemText(IDC_PHONE_NUMBER, "5550100");
        QTest::keyClicks(Edit(1000), "0701234567");
        QTest::keyClicks(Edit(1031), "1234");
        Button(1029)->click();
        Combo(IDC_TEST_ALARM_TIME)->setCurrentIndex(7);
        dlg->OnWrite();
        QCOMPARE(runner->starts, 1);
        QCOMPARE(theJob.mode, int32_t(JobWrite));
        QCOMPARE(theJob.selectionMask, 0x1u | 0x1000u | 0x200000u | 0x2000u);
        QCOMPARE(std::string(theJob.Slot(SlotAlarmReceiver1)), std::string("0701234567"));
        QCOMPARE(std::string(theJob.Slot(SlotLedSequence)), std::string("0"));
        QCOMPARE(std::string(theJob.Slot(SlotTestAlarmTime)), std::string("7"));
        QCOMPARE(std::string(theJob.Slot(SlotAlarmButtonDelay)), std::string("4"));
    }

    void aChoiceTypedIntoTheComboCountsOnlyWhenItIsOneOfItsItems()
    {
        dlg->SetItemText(IDC_PHONE_NUMBER, "5550100");
        QComboBox* combo = Combo(IDC_TEST_ALARM_TIME);
        QVERIFY(combo->isEditable());
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo->lineEdit(), "abc");
        QVERIFY(dlg->IsButtonChecked(1040)); // typing ticks the box
        dlg->OnWrite();
        QCOMPARE(runner->starts, 0);
        QCOMPARE(prompts->messages.size(), size_t(1));
        QVERIFY2(prompts->messages[0].text.endsWith(QStringLiteral(": choose a value from 0 to 10.")),
                 qPrintable(prompts->messages[0].text));
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo->lineEdit(), "3");
        dlg->OnWrite();
        QCOMPARE(runner->starts, 1);
        QCOMPARE(std::string(theJob.Slot(SlotTestAlarmTime)), std::string("3"));
    }

    void aJobWithBadInputIsRefusedWithAMessage()
    {
        dlg->SetItemText(IDC_PHONE_NUMBER, "555\r0100");
        dlg->OnReadAll();
        QCOMPARE(runner->starts, 0);
        QVERIFY(!dlg->IsJobRunningFlag());
        QCOMPARE(prompts->messages.size(), size_t(1));
        QCOMPARE(prompts->messages[0].caption, QStringLiteral("Pravel"));
        QVERIFY(prompts->messages[0].icon == MessageIcon::Exclamation);
        QVERIFY(!prompts->messages[0].text.isEmpty());
    }

    void aWorkerThatCannotStartLeavesTheButtonsFree()
    {
        runner->canStart = false;
        dlg->SetItemText(IDC_PHONE_NUMBER, "5550100");
        dlg->OnReadAll();
        QVERIFY(!dlg->IsJobRunningFlag());
        QVERIFY(dlg->IsItemEnabled(ID_READ_ALL));
        QVERIFY(prompts->messages.empty());
    }

    void setTextInAReadJob_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<bool>("isText");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("control");
        QTest::addColumn<QString>("expected");
        for (int i = 0; i < 10; ++i)
            QTest::addRow("%d", 1010 + i)
                << 1010 + i << true << QStringLiteral("12%1").arg(i) << 0 << 1000 + i << QStringLiteral("12%1").arg(i);
        QTest::newRow("1039") << 1039 << true << "0701111" << 0 << 1033 << "0701111";
        QTest::newRow("1070") << 1070 << true << "4321" << 0 << 1042 << "4321";
        QTest::newRow("1038") << 1038 << true << "3958" << 0 << 1031 << "3958";
        QTest::newRow("1041") << 1041 << true << "12" << 0 << 1034 << "12";
        QTest::newRow("1048") << 1048 << true << "07" << 0 << 1047 << "07";
        QTest::newRow("1065") << 1065 << true << "2.0.7" << 0 << 1054 << "2.0.7";
        QTest::newRow("1043 on") << 1043 << false << "" << 1 << 1045 << "External power";
        QTest::newRow("1043 off") << 1043 << false << "" << 0 << 1045 << "Line power";
        QTest::newRow("1036 two") << 1036 << false << "" << 1 << 1028 << "checked";
        QTest::newRow("1036 one") << 1036 << false << "" << 0 << 1029 << "checked";
        QTest::newRow("1037") << 1037 << false << "" << 1 << 1030 << "checked";
        QTest::newRow("1062") << 1062 << false << "" << 1 << 1061 << "checked";
        QTest::newRow("1064") << 1064 << false << "" << 1 << 1063 << "checked";
        QTest::newRow("1040") << 1040 << false << "" << 3 << 1032 << "index 3";
        QTest::newRow("1060") << 1060 << false << "" << 2 << 1052 << "index 2";
        QTest::newRow("1042 status 0") << 1042 << true << "5" << 0 << 1042 << "";
        QTest::newRow("1044 status 12") << 1044 << true << "7" << 0 << 1045 << "";
    }
    void setTextInAReadJob()
    {
        QFETCH(int, id);
        QFETCH(bool, isText);
        QFETCH(QString, text);
        QFETCH(int, number);
        QFETCH(int, control);
        QFETCH(QString, expected);
        theJob.mode = JobRead;
        if (id == 1036 && number == 1)
            Button(1029)->click();
        SetAllBoxes(true);
        CMessageValue value = isText ? CMessageValue::Text(text.toStdString()) : CMessageValue::Number(number);
        dlg->OnSetText(id, value);

        if (expected == QStringLiteral("checked")) {
            QVERIFY(dlg->IsButtonChecked(control));
            if (id == 1036)
                QVERIFY(!dlg->IsButtonChecked(control == 1028 ? 1029 : 1028));
        } else if (expected.startsWith(QStringLiteral("index "))) {
            QCOMPARE(dlg->GetComboSelection(control), expected.mid(6).toInt());
        } else {
            QCOMPARE(QString::fromStdString(dlg->GetItemText(control)), expected);
        }
        // The parameter's box ends clear (after the change notification ticked it again); the
        // others keep theirs.
        for (int row = 0; row < ParameterCount; ++row) {
            int box = ParameterTable[row].updateBoxId;
            QCOMPARE(dlg->IsButtonChecked(box), box != id);
        }
    }

    void setTextInAWriteJobOnlyClearsTheBox()
    {
        theJob.mode = JobWrite;
        dlg->SetItemText(1000, "0701234567");
        SetAllBoxes(true);
        for (int row = 0; row < ParameterCount; ++row) {
            int box = ParameterTable[row].updateBoxId;
            dlg->OnSetText(box, CMessageValue::Text("ack"));
            QVERIFY(!dlg->IsButtonChecked(box));
        }
        QCOMPARE(dlg->GetItemText(1000), std::string("0701234567"));
        QCOMPARE(dlg->GetItemText(IDC_ALARM_TYPE), std::string("10"));
        QVERIFY(dlg->IsButtonChecked(IDC_TWO_COLOURS));
        QCOMPARE(dlg->GetComboSelection(IDC_TEST_ALARM_TIME), 10);
        dlg->OnSetText(1043, CMessageValue::Number(1));
        QVERIFY(dlg->GetItemText(IDC_POWER_STATUS).empty());
    }

    void captionPerStage_data()
    {
        QTest::addColumn<uint>("stage");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("caption");
        QTest::newRow("dialing") << 1u << 60 << "Pravel 1.09 - Dialing (60)";
        QTest::newRow("dialing 59") << 1u << 59 << "Pravel 1.09 - Dialing (59)";
        QTest::newRow("connected") << 2u << 0 << "Pravel 1.09 - Connected/Logging in";
        QTest::newRow("transfer") << 3u << 0 << "Pravel 1.09 - Transfer";
        // The job still runs while it logs off: the stage before stays until the job's end.
        QTest::newRow("log-off") << 4u << 0 << "Pravel 1.09 - Transfer";
        QTest::newRow("bad code") << 5u << 0 << "Pravel 1.09 - Invalid password entered.";
        QTest::newRow("unknown") << 9u << 0 << "Pravel 1.09 - Transfer";
        QTest::newRow("ended") << 0u << 0 << "Pravel 1.09";
    }
    void captionPerStage()
    {
        QFETCH(uint, stage);
        QFETCH(int, count);
        QFETCH(QString, caption);
        // Each stage after another, as in a job: the base caption is taken only once.
        dlg->OnShowProgress(ProgressTransfer, 0);
        dlg->OnShowProgress(stage, count);
        QCOMPARE(dlg->windowTitle(), caption);
        QCOMPARE(dlg->BaseCaption(), QStringLiteral("Pravel 1.09"));
    }

    void focusStaysWithTheJobsButton_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("focusAfter");
        QTest::addColumn<bool>("boxesLeft");
        QTest::newRow("read all") << int(ID_READ_ALL) << int(ID_READ_ALL) << false;
        QTest::newRow("read") << int(ID_READ) << int(ID_READ) << true;
        QTest::newRow("read, all values read") << int(ID_READ) << int(ID_READ_ALL) << false;
        QTest::newRow("write") << int(ID_WRITE) << int(ID_WRITE) << true;
    }
    void focusStaysWithTheJobsButton()
    {
        QFETCH(int, button);
        QFETCH(int, focusAfter);
        QFETCH(bool, boxesLeft);
        dlg->show();
        QVERIFY(QTest::qWaitForWindowActive(dlg.get()));
        dlg->SetItemText(IDC_PHONE_NUMBER, "5550100");
        dlg->CheckButton(1010, true);
        Button(button)->setFocus();
        QTest::keyClick(Button(button), Qt::Key_Space);
        QCOMPARE(runner->starts, 1);
        // A stray Enter during the job: no file dialog, no other button.
        QWidget* focus = dlg->focusWidget();
        QVERIFY(focus != Button(IDC_LOAD));
        QTest::keyClick(focus != nullptr ? focus : dlg.get(), Qt::Key_Return);
        QCOMPARE(prompts->openAsked, 0);
        QCOMPARE(prompts->saveAsked, 0);
        QCOMPARE(runner->stopRequests, 0);
        // The job ends; the button that started it (or Read all) has the focus again.
        if (!boxesLeft)
            SetAllBoxes(false);
        runner->running = false;
        dlg->OnShowProgress(ProgressEnded, 0);
        QCOMPARE(dlg->focusWidget(), dlg->Item(focusAfter));
        QTest::keyClick(dlg->focusWidget(), Qt::Key_Return);
        QCOMPARE(prompts->openAsked, 0);
    }

    void progressEndedReleasesTheButtons()
    {
        dlg->SetItemText(IDC_PHONE_NUMBER, "5550100");
        dlg->OnReadAll();
        dlg->OnShowProgress(ProgressDialing, 60);
        QCOMPARE(Button(IDC_CLOSE)->text(), QStringLiteral("&Stop"));
        runner->running = false;
        dlg->OnShowProgress(ProgressEnded, 0);
        QVERIFY(!dlg->IsJobRunningFlag());
        QCOMPARE(dlg->windowTitle(), QStringLiteral("Pravel 1.09"));
        for (int id : {ID_READ, ID_READ_ALL, ID_WRITE, IDC_SAVE, IDC_CLOSE})
            QVERIFY(dlg->IsItemEnabled(id));
        QCOMPARE(Button(IDC_CLOSE)->text(), QStringLiteral("&Close"));
    }

    void messagesFromAnotherThreadArriveOnTheGuiThread()
    {
        theJob.mode = JobRead;
        dlg->CheckButton(1010, true);
        std::thread sender([this] {
            dlg->NotifyWindow()->PostMessage(WM_SHOW_PROGRESS, ProgressTransfer, CMessageValue::Number(0));
            dlg->NotifyWindow()->SendMessage(WM_SET_TEXT, 1065, CMessageValue::Text("2.0.7"));
            dlg->NotifyWindow()->PostMessage(WM_SET_TEXT, 1010, CMessageValue::Text("112"));
        });
        // The sender waits for its sent message, so the GUI thread must run meanwhile.
        QTRY_COMPARE(dlg->GetItemText(1000), std::string("112"));
        sender.join();
        QCOMPARE(dlg->GetItemText(IDC_FIRMWARE), std::string("2.0.7"));
        QCOMPARE(dlg->windowTitle(), QStringLiteral("Pravel 1.09 - Transfer"));
        QVERIFY(!dlg->IsButtonChecked(1010));
    }

    void enterIsSwallowedAndEscapeBlockedUntilClose()
    {
        dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
        dlg->SetItemText(IDC_PHONE_NUMBER, "5550100");
        Edit(IDC_PHONE_NUMBER)->setFocus();
        QTest::keyClick(Edit(IDC_PHONE_NUMBER), Qt::Key_Return);
        QTest::keyClick(dlg.get(), Qt::Key_Escape);
        dlg->reject();
        QVERIFY(dlg->isVisible());
        QCOMPARE(runner->starts, 0);
        QVERIFY(dlg->OnCommand(COXEL_RemoteDlg::IDOK));
        QVERIFY(dlg->OnCommand(COXEL_RemoteDlg::IDCANCEL));

        Button(IDC_CLOSE)->click();
        QVERIFY(!dlg->isVisible());
        QVERIFY(!dlg->IsEscapeBlocked());
        QCOMPARE(dlg->result(), int(QDialog::Rejected));
    }

    void closingDuringAJobStopsItFirst()
    {
        dlg->show();
        dlg->SetItemText(IDC_PHONE_NUMBER, "5550100");
        dlg->OnReadAll();
        QVERIFY(runner->running);
        // The window's close box: the orderly stop is asked for, and the window waits for the
        // job's end without blocking.
        dlg->close();
        QVERIFY(dlg->isVisible());
        QCOMPARE(runner->stopRequests, 1);
        QCOMPARE(runner->stops, 0);
        dlg->close(); // asks nothing more
        QTest::keyClick(dlg.get(), Qt::Key_Escape);
        QVERIFY(dlg->isVisible());
        QCOMPARE(runner->stopRequests, 1);
        runner->running = false;
        dlg->NotifyWindow()->PostMessage(WM_SHOW_PROGRESS, ProgressEnded, CMessageValue::Number(0));
        QTRY_VERIFY(!dlg->isVisible());
        QCOMPARE(dlg->StatusLineText(), QStringLiteral("Read all stopped: 0 of 21 values"));
        // Messages that come after are dropped, and a sent one does not wait.
        dlg->NotifyWindow()->SendMessage(WM_SET_TEXT, 1065, CMessageValue::Text("1.0.0"));
        std::thread late([this] { dlg->NotifyWindow()->SendMessage(WM_SET_TEXT, 1065, CMessageValue::Text("1.0.0")); });
        late.join();
        QVERIFY(dlg->GetItemText(IDC_FIRMWARE).empty());
    }

    void shellActionsAndAbout()
    {
        Button(IDC_COM_PORT)->click();
        QCOMPARE(shell->portDialogs, 1);
        Button(ID_HELP)->click();
        QCOMPARE(shell->helpContexts, std::vector<unsigned>{0x20066u});
        QVERIFY(dlg->AboutAction() != nullptr);
        QCOMPARE(dlg->AboutAction()->text(), QStringLiteral("&About Pravel..."));
        QVERIFY(dlg->actions().contains(dlg->AboutAction()));
        dlg->AboutAction()->trigger();
        QCOMPARE(shell->aboutBoxes, 1);
        dlg->OnSysCommand(0x11); // the low four bits are the system's own
        QCOMPARE(shell->aboutBoxes, 2);
        dlg->OnSysCommand(0x20);
        QCOMPARE(shell->aboutBoxes, 2);
    }

    void batchWindowFromTheContextMenuAndCtrlB()
    {
        QAction* batch = dlg->BatchAction();
        QVERIFY(batch != nullptr);
        QCOMPARE(batch->text(), QStringLiteral("Batch..."));
        QVERIFY(dlg->actions().contains(batch));
        QCOMPARE(dlg->contextMenuPolicy(), Qt::ActionsContextMenu);
        batch->trigger();
        QCOMPARE(shell->batchWindows, 1);
        dlg->show();
        dlg->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dlg.get()));
        QTest::keyClick(dlg.get(), Qt::Key_B, Qt::ControlModifier);
        QCOMPARE(shell->batchWindows, 2);
    }

    void tooltipsShowTheirTexts()
    {
        QVERIFY(dlg->testAttribute(Qt::WA_AlwaysShowToolTips));
        for (int id = IDC_UNIT_FIRST; id <= IDC_UNIT_LAST; ++id)
            QCOMPARE(dlg->Item(id)->toolTip(), QString::fromLatin1(LoadString(IDS_TIP_UNIT)));
        QCOMPARE(dlg->Item(1029)->toolTip(),
                 QStringLiteral(
                     "LED will flash green during connection and be static green duplex comminucation is achieved."));
        int rows = 0;
        for (TooltipEntry* row = TooltipTable; row->controlId != 0; ++row, ++rows) {
            QCOMPARE(row->toolMarker, 0);
            QCOMPARE(dlg->Item(row->controlId)->toolTip(), QString::fromLatin1(LoadString(int(row->stringId))));
        }
        QCOMPARE(rows, 17);
        QVERIFY(dlg->Item(1000)->toolTip().isEmpty());
    }

    void saveThenLoadRestoresEverything()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QString path = folder.filePath(QStringLiteral("unit.oxl"));

        dlg->SetItemText(IDC_PHONE_NUMBER, "5550100");
        Button(1026)->click();
        for (int i = 0; i < 10; ++i)
            dlg->SetItemText(1000 + i, std::to_string(7000 + i));
        dlg->SetItemText(1033, "0709999");
        dlg->SetItemText(1042, "555");
        dlg->SetItemText(1031, "4321");
        dlg->SetItemText(IDC_ALARM_TYPE, "12");
        dlg->SetItemText(IDC_ALARM_BUTTON_DELAY, "9");
        Button(1029)->click();
        Button(1030)->click();
        Button(1063)->click();
        Combo(IDC_TEST_ALARM_TIME)->setCurrentIndex(5);
        Combo(IDC_PHONE_ACKNOWLEDGE)->setCurrentIndex(2);
        dlg->OnSetText(1043, CMessageValue::Number(0));
        dlg->OnSetText(1065, CMessageValue::Text("2.0.7"));
        SetAllBoxes(false);
        for (int box : {1017, 1010, 1036, 1041, 1064})
            dlg->CheckButton(box, true);

        // Cancelling the file dialog writes nothing.
        dlg->OnSave();
        QCOMPARE(prompts->saveAsked, 1);
        QVERIFY(!QFile::exists(path));

        prompts->saveAnswer = path;
        dlg->OnSave();
        QVERIFY(prompts->messages.empty());
        QVERIFY(QFile::exists(path));

        // Everything different, then Load.
        auto reference = std::make_unique<COXEL_RemoteDlg>(nullptr, runner, prompts);
        std::swap(dlg, reference);
        prompts->openAnswer = path;
        dlg->OnLoad();
        QVERIFY(prompts->messages.empty());

        QCOMPARE(dlg->GetItemText(IDC_PHONE_NUMBER), std::string("5550100"));
        QCOMPARE(dlg->GetItemText(IDC_PROGRAMMING_CODE), std::string("3958"));
        for (int id :
             {1000, 1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1009, 1033, 1042, 1031, 1047, 1034, 1045, 1054})
            QCOMPARE(dlg->GetItemText(id), reference->GetItemText(id));
        QCOMPARE(dlg->GetItemText(IDC_POWER_STATUS), std::string("Line power"));
        for (int id : {1022, 1023, 1024, 1025, 1026, 1027, 1028, 1029, 1030, 1061, 1063})
            QCOMPARE(dlg->IsButtonChecked(id), reference->IsButtonChecked(id));
        QVERIFY(dlg->IsButtonChecked(1026));
        QCOMPARE(dlg->GetComboSelection(IDC_TEST_ALARM_TIME), 5);
        QCOMPARE(dlg->GetComboSelection(IDC_PHONE_ACKNOWLEDGE), 2);
        QCOMPARE(TickedBoxes(), (std::vector<int>{1010, 1017, 1036, 1064, 1041}));
        QVERIFY(dlg->IsItemEnabled(ID_READ));
        reference.reset();
    }

    void loadFailuresShowTheirMessage()
    {
        QTemporaryDir folder;
        QString path = folder.filePath(QStringLiteral("unit.oxl"));
        dlg->SetItemText(IDC_PHONE_NUMBER, "5550100");
        for (int i = 0; i < 10; ++i)
            dlg->SetItemText(1000 + i, std::to_string(100 + i));
        dlg->SetItemText(1033, "200");
        dlg->SetItemText(1042, "300");
        prompts->saveAnswer = path;
        dlg->OnSave();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray image = file.readAll();
        file.close();

        // Where field 12 (SequenceReceiver4) begins: after the header and eleven Texts.
        size_t position = 10;
        const auto* data = reinterpret_cast<const uint8_t*>(image.constData());
        for (int field = 1; field <= 11; ++field) {
            std::string text;
            QVERIFY(ReadText(data, position, size_t(image.size()), &text));
        }

        auto writeFile = [&path](const QByteArray& bytes) {
            QFile out(path);
            QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
            out.write(bytes);
        };
        auto lastMessage = [this] { return prompts->messages.empty() ? QString() : prompts->messages.back().text; };

        // A fresh dialog with other values and a pattern of ticked boxes.
        dlg = std::make_unique<COXEL_RemoteDlg>(nullptr, runner, prompts);
        dlg->SetItemText(1006, "keep-3");
        dlg->SetItemText(1007, "keep-4");
        SetAllBoxes(false);
        dlg->CheckButton(1019, true);
        prompts->openAnswer = path;

        writeFile(image.left(qsizetype(position) + 3));
        dlg->OnLoad();
        // The fields before the cut were loaded, and the message says so.
        QVERIFY(lastMessage().startsWith(QString::fromLatin1(LoadString(IDS_FILE_CORRUPT))));
        QVERIFY(lastMessage().contains(QStringLiteral("already loaded")));
        QCOMPARE(prompts->messages.back().caption, ApplicationName());
        QVERIFY(prompts->messages.back().icon == MessageIcon::Exclamation);
        QCOMPARE(dlg->GetItemText(IDC_PHONE_NUMBER), std::string("5550100"));
        QCOMPARE(dlg->GetItemText(1006), std::string("106"));    // field 11
        QCOMPARE(dlg->GetItemText(1007), std::string("keep-4")); // field 12 was cut
        QCOMPARE(TickedBoxes(), std::vector<int>{1019});

        writeFile(image.left(41));
        dlg->SetItemText(1000, "unchanged");
        dlg->OnLoad();
        QCOMPARE(lastMessage(), QString::fromLatin1(LoadString(IDS_NOT_PRAVEL_FILE)));
        QCOMPARE(dlg->GetItemText(1000), std::string("unchanged"));

        QByteArray newer = image;
        newer[4] = 4;
        writeFile(newer);
        dlg->OnLoad();
        QCOMPARE(lastMessage(), QString::fromLatin1(LoadString(IDS_UNKNOWN_FILE_VERSION)));
        QCOMPARE(dlg->GetItemText(1000), std::string("unchanged"));

        prompts->openAnswer = folder.filePath(QStringLiteral("missing.oxl"));
        dlg->OnLoad();
        QVERIFY(lastMessage().startsWith(QStringLiteral("Failed to create file (")));
        QVERIFY(lastMessage().contains(QStringLiteral("missing.oxl")));

        // Save into a folder that does not exist.
        dlg->SetItemText(IDC_PHONE_NUMBER, "5550100");
        prompts->saveAnswer = folder.filePath(QStringLiteral("no/such/folder/unit.oxl"));
        size_t before = prompts->messages.size();
        dlg->OnSave();
        QCOMPARE(prompts->messages.size(), before + 1);
        QVERIFY(lastMessage().startsWith(QStringLiteral("Failed to create file (")));
    }

    void refusedJobsNameTheWindowsLabel_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("control");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        const QString longNumber = QStringLiteral("0123456789012345678901234");
        QTest::newRow("frame mark in a receiver") << int(JobWrite) << 1000 << "12B"
                                                  << "Alarm receiver 1: only digits";
        // A loaded text longer than its field shows whole, and the job refuses it instead of
        // cutting it.
        QTest::newRow("over-long receiver")
            << int(JobWrite) << 1006 << longNumber << "Sequence receiver 3: the text is 25 characters long, at most 20";
        QTest::newRow("over-long number") << int(JobRead) << int(IDC_PHONE_NUMBER) << longNumber
                                          << "Telephone number: the text is 25 characters long, at most 20";
    }
    void refusedJobsNameTheWindowsLabel()
    {
        QFETCH(int, mode);
        QFETCH(int, control);
        QFETCH(QString, value);
        QFETCH(QString, message);
        dlg->SetItemText(IDC_PHONE_NUMBER, "5550100");
        dlg->SetItemText(control, value.toStdString());
        QCOMPARE(dlg->GetItemText(control), value.toStdString());
        if (mode == JobWrite)
            dlg->OnWrite();
        else
            dlg->OnReadAll();
        QCOMPARE(runner->starts, 0);
        QCOMPARE(prompts->messages.size(), size_t(1));
        QVERIFY2(prompts->messages[0].text.startsWith(message), qPrintable(prompts->messages[0].text));
        QCOMPARE(prompts->messages[0].caption, QStringLiteral("Pravel"));
        QCOMPARE(dlg->StatusLineText(), prompts->messages[0].text);
        QCOMPARE(dlg->GetItemText(control), value.toStdString());
    }

    void theStatusFieldIsLabelledPower()
    {
        QStringList labels;
        for (QLabel* label : dlg->findChildren<QLabel*>())
            labels << label->text();
        QVERIFY(labels.contains(QStringLiteral("Power")));
        QVERIFY(!labels.contains(QStringLiteral("External power")));
        dlg->OnSetText(1043, CMessageValue::Number(0));
        QCOMPARE(dlg->GetItemText(IDC_POWER_STATUS), std::string("Line power"));
    }

    void keyboardShortcuts()
    {
        dlg->SetItemText(IDC_PHONE_NUMBER, "5550100");
        dlg->show();
        dlg->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dlg.get()));
        QTest::keyClick(dlg.get(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(prompts->saveAsked, 1);
        QTest::keyClick(dlg.get(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(prompts->openAsked, 1);
        // Save keeps its rule: no number, no Save.
        dlg->SetItemText(IDC_PHONE_NUMBER, "");
        QTest::keyClick(dlg.get(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(prompts->saveAsked, 1);
        QTest::keyClick(dlg.get(), Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!dlg->isVisible());
    }

    void saveReplacesTheFileInsteadOfWritingIntoIt()
    {
        // A second name for the old file keeps the old content: the new file was written beside
        // it and renamed over the name, never truncated in place.
        QTemporaryDir folder;
        QString path = folder.filePath(QStringLiteral("unit.oxl"));
        QString other = folder.filePath(QStringLiteral("old.oxl"));
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old content");
        }
        QVERIFY(::link(QFile::encodeName(path).constData(), QFile::encodeName(other).constData()) == 0);
        dlg->SetItemText(IDC_PHONE_NUMBER, "5550100");
        prompts->saveAnswer = path;
        dlg->OnSave();
        QVERIFY(prompts->messages.empty());
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(saved.readAll().startsWith("OXL!"));
        QFile kept(other);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("old content"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), 2);
    }

    void anotherProgramOnThePortIsNamedBeforeDialling()
    {
        int master = posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0);
        // Not inherited by the holder: a process with the master side is the line's far end.
        QVERIFY(::fcntl(master, F_SETFD, FD_CLOEXEC) == 0);
        QVERIFY(grantpt(master) == 0 && unlockpt(master) == 0);
        QString device = QString::fromLocal8Bit(ptsname(master));
        QProcess holder;
        holder.setStandardInputFile(device);
        holder.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        QVERIFY(holder.waitForStarted());
        SetComPortName(device.toStdString());

        dlg->SetItemText(IDC_PHONE_NUMBER, "5550100");
        dlg->OnReadAll();
        QCOMPARE(runner->starts, 1); // a warning, not a refusal
        QCOMPARE(prompts->notes.size(), size_t(1));
        QVERIFY(prompts->notes[0].icon == MessageIcon::Information);
        QVERIFY2(prompts->notes[0].text.contains(QStringLiteral("sleep (pid %1)").arg(holder.processId())),
                 qPrintable(prompts->notes[0].text));
        // Too long for the line: it ends in an ellipsis, the tooltip has it whole.
        QCOMPARE(dlg->Item(IDC_STATUS_LINE)->toolTip(), prompts->notes[0].text);
        QVERIFY2(dlg->StatusLineText().startsWith(QStringLiteral("Another program has ") + device),
                 qPrintable(dlg->StatusLineText()));
        // Once the call is connected the status line shows the job again.
        dlg->OnShowProgress(ProgressConnected, 0);
        QCOMPARE(dlg->StatusLineText(), QStringLiteral("Read all: connected, logging in, 0 of 21 values"));

        holder.kill();
        holder.waitForFinished();
        ::close(master);
        SetComPortName("com1");
    }

    void aMessageOfTwoLinesShowsWholeInTheStatusLine_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("parts");
        QTest::newRow("two lines") << "Can't open serial port com3\nThe device does not exist."
                                   << QStringList{"Can't open serial port com3", "The device does not exist."};
        QTest::newRow("CR LF") << "The modem does not answer.\r\nCheck its cable and power."
                               << QStringList{"The modem does not answer.", "Check its cable and power."};
        QTest::newRow("one line") << "The unit does not answer." << QStringList{"The unit does not answer."};
    }
    void aMessageOfTwoLinesShowsWholeInTheStatusLine()
    {
        QFETCH(QString, message);
        QFETCH(QStringList, parts);
        dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
        dlg->OnJobMessage(message, QStringLiteral("Pravel"), MessageIcon::Error);
        auto* line = qobject_cast<QLabel*>(dlg->Item(IDC_STATUS_LINE));
        QVERIFY(line != nullptr);
        const QString shown = line->text();
        QVERIFY2(!shown.contains(QLatin1Char('\n')) && !shown.contains(QLatin1Char('\r')), qPrintable(shown));
        for (const QString& part : parts)
            QVERIFY2(shown.contains(part), qPrintable(shown));
        QVERIFY2(line->fontMetrics().horizontalAdvance(shown) <= line->contentsRect().width(), qPrintable(shown));
        QCOMPARE(line->toolTip(), message);
    }

    void aMessageTooLongForTheStatusLineEndsInAnEllipsis()
    {
        dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
        QString message = QStringLiteral("Can't open serial port /dev/serial/by-id/usb-0000\n");
        for (int i = 0; i < 12; ++i)
            message += QStringLiteral("The device does not exist. ");
        dlg->OnJobMessage(message, QStringLiteral("Pravel"), MessageIcon::Error);
        auto* line = qobject_cast<QLabel*>(dlg->Item(IDC_STATUS_LINE));
        QVERIFY(line->text().startsWith(QStringLiteral("Can't open serial port /dev/serial/by-id/usb-0000: The")));
        QVERIFY2(line->text().endsWith(QChar(0x2026)), qPrintable(line->text()));
        QVERIFY(line->fontMetrics().horizontalAdvance(line->text()) <= line->contentsRect().width());
        QCOMPARE(line->toolTip(), message);
    }

    void screenshotOfATwoLineMessageInTheStatusLine()
    {
        dlg->SetItemText(IDC_PHONE_NUMBER, "5550100");
        dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
        dlg->OnJobMessage(QStringLiteral("Can't open serial port com3\nThe device does not exist."),
                          QStringLiteral("Pravel"), MessageIcon::Error);
        QImage image = dlg->grab().toImage();
        QVERIFY(!image.isNull());
        QDir().mkpath(QStringLiteral(PRAVEL_SCREENSHOT_DIR));
        QVERIFY(image.save(QStringLiteral(PRAVEL_SCREENSHOT_DIR "/status-line-two-lines.png")));
    }

    void screenshotOfTheDialog()
    {
        dlg->SetItemText(IDC_PHONE_NUMBER, "5550100");
        dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
        QImage image = dlg->grab().toImage();
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), dlg->size() * dlg->devicePixelRatio());
        QDir().mkpath(QStringLiteral(PRAVEL_SCREENSHOT_DIR));
        QVERIFY(image.save(QStringLiteral(PRAVEL_SCREENSHOT_DIR "/main-dialog.png")));
    }
};

QTEST_MAIN(TestMainDialog)
#include "OXEL_RemoteDlgTest.moc"
