// The channel from the job side to the GUI thread: posted messages queue in order, sent messages
// wait until handled, and neither can hold up a dialog that is closing. Job message boxes show on
// the GUI thread without making the job wait.
#include <QMessageBox>
#include <QThread>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "model/JobMessages.h"
#include "ui/QtMessagePresenter.h"
#include "ui/QtNotifyWindow.h"

class TestNotifyWindow : public QObject {
    Q_OBJECT
private slots:
    void postedMessagesArriveInOrderOnTheGuiThread()
    {
        std::vector<uint32_t> seen;
        bool allOnGui = true;
        QThread* gui = QThread::currentThread();
        CQtNotifyWindow window([&](uint32_t, uint32_t wParam, const CMessageValue&) {
            allOnGui = allOnGui && QThread::currentThread() == gui;
            seen.push_back(wParam);
        });
        std::thread worker([&window] {
            for (uint32_t i = 0; i < 50; ++i)
                window.PostMessage(WM_SET_TEXT, i, CMessageValue::Number(i));
        });
        worker.join();
        QVERIFY(seen.empty()); // nothing runs until the GUI thread takes its events
        QTRY_COMPARE(seen.size(), size_t(50));
        for (uint32_t i = 0; i < 50; ++i)
            QCOMPARE(seen[i], i);
        QVERIFY(allOnGui);
    }

    void aSentMessageReturnsAfterItWasHandled()
    {
        std::atomic<bool> handled{false};
        std::string text;
        CQtNotifyWindow window([&](uint32_t, uint32_t, const CMessageValue& value) {
            text = value.TextValue();
            handled = true;
        });
        std::atomic<bool> handledWhenReturned{false};
        std::atomic<bool> returned{false};
        std::thread worker([&] {
            window.SendMessage(WM_SET_TEXT, 1065, CMessageValue::Text("2.0.7"));
            handledWhenReturned = handled.load();
            returned = true;
        });
        QTRY_VERIFY(returned.load());
        worker.join();
        QVERIFY(handledWhenReturned.load());
        QCOMPARE(text, std::string("2.0.7"));

        // On the GUI thread itself it is handled at once.
        handled = false;
        window.SendMessage(WM_SET_TEXT, 1065, CMessageValue::Text("1.0.0"));
        QVERIFY(handled.load());
    }

    void closingReleasesAWaitingSender()
    {
        int handled = 0;
        CQtNotifyWindow window([&](uint32_t, uint32_t, const CMessageValue&) { ++handled; });
        std::atomic<bool> sending{false};
        auto sender = std::async(std::launch::async, [&] {
            sending = true;
            window.SendMessage(WM_SET_TEXT, 1065, CMessageValue::Text("2.0.7"));
        });
        // The GUI thread does not take events here, as when it waits for a job to stop.
        while (!sending.load())
            std::this_thread::yield();
        window.Close();
        QVERIFY(sender.wait_for(std::chrono::seconds(5)) == std::future_status::ready);
        window.PostMessage(WM_SHOW_PROGRESS, 0, CMessageValue::Number(0));
        QTest::qWait(0);
        QCoreApplication::processEvents();
        QCOMPARE(handled, 0);
        QVERIFY(window.IsClosed());
    }

    void jobMessageBoxesShowOnTheGuiThreadWithoutWaiting()
    {
        QWidget owner;
        CQtMessagePresenter presenter(&owner);
        std::atomic<bool> returned{false};
        std::thread driver([&] {
            presenter.ShowMessage("Can't open serial port com7", "Pravel", MessageIcon::Error);
            returned = true;
        });
        driver.join();
        QVERIFY(returned.load());
        QMessageBox* box = nullptr;
        QTRY_VERIFY((box = owner.findChild<QMessageBox*>()) != nullptr);
        QCOMPARE(box->windowTitle(), QStringLiteral("Pravel"));
        QCOMPARE(box->text(), QStringLiteral("Can't open serial port com7"));
        QCOMPARE(box->icon(), QMessageBox::Critical);
        QVERIFY(box->isVisible());
        box->accept();
        QTRY_VERIFY(owner.findChild<QMessageBox*>() == nullptr);

        presenter.Close();
        presenter.ShowMessage("late", "Pravel", MessageIcon::Error);
        QCoreApplication::processEvents();
        QVERIFY(owner.findChild<QMessageBox*>() == nullptr);
    }
};

QTEST_MAIN(TestNotifyWindow)
#include "QtNotifyWindowTest.moc"
