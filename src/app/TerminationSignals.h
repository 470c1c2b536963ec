// SIGINT, SIGTERM and SIGHUP close the program the orderly way, so that a running job is
// stopped and the modem hangs up: the signal is noted through a pipe and the handler given runs
// on the user-interface thread. One instance at a time; it restores the previous handlers.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

class CTerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit CTerminationSignals(std::function<void()> onSignal);
    ~CTerminationSignals() override;
    bool IsInstalled() const { return m_installed; }

private:
    std::function<void()> m_onSignal;
    QSocketNotifier* m_notifier = nullptr;
    bool m_installed = false;
};
