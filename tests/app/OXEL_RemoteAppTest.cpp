// The application shell: help opens the manual at the main dialog's topic or says it failed,
// the manual is where the program looks for it, and the About box.
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "app/AboutDlg.h"
#include "app/HelpLauncher.h"
#include "app/OXEL_RemoteApp.h"
#include "model/StringTable.h"
#include "ui/DialogFakes.h"
#include "ui/MessageBoxes.h"

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
};

QTEST_MAIN(TestApplicationShell)
#include "OXEL_RemoteAppTest.moc"
