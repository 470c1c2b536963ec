// Opens the user manual (HTML) in the desktop's browser at the place for a help context. The
// manual is looked for beside the program (../share/pravel/manual), in the installed data folder
// and, for a program run from its build folder, in the source tree.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

class CHelpLauncher {
public:
    using Opener = std::function<bool(const QUrl&)>;

    // The default: the usual places and QDesktopServices::openUrl.
    CHelpLauncher();
    CHelpLauncher(QStringList manualCandidates, Opener opener);

    // The first candidate index.html that exists, or the empty text.
    QString FindManual() const;
    // The manual's address for a help context (with the anchor of its topic), or an empty URL.
    QUrl HelpUrl(unsigned helpContext) const;
    // False when there is no manual or the desktop could not open it.
    bool ShowHelp(unsigned helpContext) const;

    static QStringList DefaultManualCandidates();
    // The anchor of a help context in the manual; empty for the manual's start.
    static QString TopicAnchor(unsigned helpContext);

private:
    QStringList m_candidates;
    Opener m_opener;
};
