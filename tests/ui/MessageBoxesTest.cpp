// The program's message boxes are wide enough for their caption: a short message must not squeeze
// the title ("P…el") between the title bar's icon and buttons. Each way a box is made is checked.
#include <QFontMetrics>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include "ui/DialogPrompts.h"
#include "ui/MessageBoxes.h"
#include "ui/QtMessagePresenter.h"

namespace {

// What the title needs: its text in bold and, beside it, the window icon and three buttons of a
// line and a half each (the title bar of many desktops) and the frame.
int NeededWidth(const QMessageBox& box)
{
    QFont font = box.font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    return metrics.horizontalAdvance(box.windowTitle()) + 4 * metrics.height() * 3 / 2 + 2 * metrics.height();
}

} // namespace

class TestMessageBoxes : public QObject {
    Q_OBJECT

private slots:
    void boxesAreWideEnoughForTheirTitle_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("text");
        QTest::newRow("short message") << "Pravel" << "No answer!";
        QTest::newRow("application name") << "pravel" << "Busy";
        QTest::newRow("long title") << "Pravel - the parameter file could not be read" << "No.";
        QTest::newRow("long message") << "Pravel"
                                      << "Can't open serial port /dev/ttyUSB0\nThe device does not exist.";
    }
    void boxesAreWideEnoughForTheirTitle()
    {
        QFETCH(QString, caption);
        QFETCH(QString, text);
        QWidget owner;
        std::unique_ptr<QMessageBox> box(NewMessageBox(MessageIcon::Exclamation, caption, text, &owner));
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box.get()));
        QVERIFY2(box->width() >= NeededWidth(*box), qPrintable(QString::number(box->width())));
        QCOMPARE(box->windowTitle(), caption);
        QCOMPARE(box->text(), text);
        QCOMPARE(box->icon(), QMessageBox::Warning);
        // The text keeps its room: the box is no narrower than Qt makes it for the text alone.
        QMessageBox plain(QMessageBox::Warning, QString(), text, QMessageBox::Ok, &owner);
        plain.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plain));
        QVERIFY(box->width() >= plain.width());
    }

    void everyWayABoxIsShownMakesItWide()
    {
        QWidget owner;
        CQtDialogPrompts prompts;
        // The note that does not wait.
        prompts.ShowNote(&owner, QStringLiteral("No answer!"), QStringLiteral("Pravel"), MessageIcon::Error);
        QMessageBox* note = owner.findChild<QMessageBox*>();
        QVERIFY(note != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(note));
        QVERIFY(note->width() >= NeededWidth(*note));
        delete note;
        // The modal box: looked at from inside its loop, then closed.
        int width = 0;
        int needed = 1;
        QTimer::singleShot(0, &owner, [&] {
            if (auto* box = owner.findChild<QMessageBox*>()) {
                width = box->width();
                needed = NeededWidth(*box);
                box->accept();
            }
        });
        prompts.ShowMessage(&owner, QStringLiteral("Busy"), QStringLiteral("Pravel"), MessageIcon::Information);
        QVERIFY2(width >= needed, qPrintable(QStringLiteral("%1 < %2").arg(width).arg(needed)));
        // The job side's box.
        CQtMessagePresenter presenter(&owner);
        presenter.ShowMessage("No answer!", "Pravel", MessageIcon::Error);
        QMessageBox* jobBox = nullptr;
        QTRY_VERIFY((jobBox = owner.findChild<QMessageBox*>()) != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(jobBox));
        QVERIFY(jobBox->width() >= NeededWidth(*jobBox));
        presenter.Close();
    }
};

QTEST_MAIN(TestMessageBoxes)
#include "MessageBoxesTest.moc"
