#include "app/HelpLauncher.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <utility>

CHelpLauncher::CHelpLauncher()
    : CHelpLauncher(DefaultManualCandidates(), [](const QUrl& url) { return QDesktopServices::openUrl(url); })
{
}

CHelpLauncher::CHelpLauncher(QStringList manualCandidates, Opener opener)
    : m_candidates(std::move(manualCandidates)), m_opener(std::move(opener))
{
}

QStringList CHelpLauncher::DefaultManualCandidates()
{
    QStringList candidates;
    QString programFolder = QCoreApplication::applicationDirPath();
    if (!programFolder.isEmpty())
        candidates << QDir(programFolder).filePath(QStringLiteral("../share/pravel/manual/index.html"));
    candidates << QStringLiteral(PRAVEL_INSTALLED_MANUAL_DIR "/index.html");
    candidates << QStringLiteral(PRAVEL_SOURCE_MANUAL_DIR "/index.html");
    return candidates;
}

QString CHelpLauncher::TopicAnchor(unsigned helpContext)
{
    // Dialog contexts are 0x20000 plus the dialog's resource id.
    switch (helpContext) {
    case 0x20000u + 102:
        return QStringLiteral("main-dialog");
    case 0x20000u + 131:
        return QStringLiteral("port");
    default:
        return QString();
    }
}

QString CHelpLauncher::FindManual() const
{
    for (const QString& candidate : m_candidates) {
        QFileInfo file(candidate);
        if (file.isFile())
            return file.canonicalFilePath();
    }
    return QString();
}

QUrl CHelpLauncher::HelpUrl(unsigned helpContext) const
{
    QString manual = FindManual();
    if (manual.isEmpty())
        return QUrl();
    QUrl url = QUrl::fromLocalFile(manual);
    QString anchor = TopicAnchor(helpContext);
    if (!anchor.isEmpty())
        url.setFragment(anchor);
    return url;
}

bool CHelpLauncher::ShowHelp(unsigned helpContext) const
{
    QUrl url = HelpUrl(helpContext);
    return url.isValid() && !url.isEmpty() && m_opener && m_opener(url);
}
